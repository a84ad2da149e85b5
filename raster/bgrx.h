#pragma once

#include <cstddef>
#include <cstdint>

#include "raster/geometry.h"

namespace orlscr {

// A view of 32-bit pixels owned elsewhere (a DIB section, a frame buffer):
// top-down rows of `stride` bytes, four bytes a pixel in the order blue,
// green, red, unused (the platform's 32-bit order, which the display takes
// without conversion). Holds stride >= 4 * width when bits is set; a view
// without bits, or with no width or height, is empty.
struct BgrxPixels {
    static constexpr int kBytesPerPixel = 4;

    uint8_t* bits = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0;

    bool IsEmpty() const { return !bits || width <= 0 || height <= 0; }
    Rect Bounds() const { return Rect{0, 0, width, height}; }
    uint8_t* Row(int32_t y) const { return bits + static_cast<ptrdiff_t>(y) * stride; }
};

}  // namespace orlscr
