#pragma once

#include <cstddef>
#include <cstdint>

#include "raster/bgrx.h"
#include "raster/bitmap.h"

namespace orlscr {

// Rows of pixels of kBytes bytes each (3: a Bitmap, 4: BgrxPixels), for the
// copies and styles that are written once for both kinds of picture.
template <int kBytes>
struct PixelPlane {
    static constexpr int kBytesPerPixel = kBytes;

    uint8_t* bits = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    ptrdiff_t stride = 0;

    bool IsEmpty() const { return !bits || width <= 0 || height <= 0; }
    uint8_t* Row(int32_t y) const { return bits + y * stride; }
    uint8_t* At(int64_t x, int64_t y) const { return bits + y * stride + x * kBytes; }
};

using Plane24 = PixelPlane<3>;
using Plane32 = PixelPlane<4>;

// The planes read from are not written through: the const_cast only lets one
// type serve both sides.
inline Plane24 PlaneOf(const Bitmap& bitmap) {
    return Plane24{const_cast<uint8_t*>(bitmap.Bits()), bitmap.Width(), bitmap.Height(), bitmap.Stride()};
}

inline Plane32 PlaneOf(const BgrxPixels& pixels) {
    return Plane32{pixels.bits, pixels.width, pixels.height, pixels.stride};
}

}  // namespace orlscr
