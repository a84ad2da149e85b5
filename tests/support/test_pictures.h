#pragma once

#include <vector>

#include "raster/bitmap.h"

namespace orlscr::testing {

// A picture with no black pixel, every pixel different from its neighbours.
inline Bitmap Pattern(int32_t w, int32_t h, int seed = 1) {
    Bitmap b(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* p = b.Row(y) + 3 * x;
            p[0] = static_cast<uint8_t>(1 + (x * 3 + seed) % 250);
            p[1] = static_cast<uint8_t>(1 + (y * 5 + seed) % 250);
            p[2] = static_cast<uint8_t>(1 + (x + 7 * y + seed) % 250);
        }
    return b;
}

inline Bitmap Solid(int32_t w, int32_t h, uint8_t value) {
    Bitmap b(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < 3 * w; ++x)
            b.Row(y)[x] = value;
    return b;
}

// A picture of one colour, given in the bitmap's byte order.
inline Bitmap SolidColour(int32_t w, int32_t h, uint8_t b, uint8_t g, uint8_t r) {
    Bitmap bitmap(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* p = bitmap.Row(y) + 3 * x;
            p[0] = b;
            p[1] = g;
            p[2] = r;
        }
    return bitmap;
}

// The pixel's three bytes, in the bitmap's order, for comparing in tests.
inline std::vector<int> PixelAt(const Bitmap& bitmap, int32_t x, int32_t y) {
    const uint8_t* p = bitmap.Row(y) + 3 * x;
    return {p[0], p[1], p[2]};
}

inline bool SamePixel(const Bitmap& a, int32_t ax, int32_t ay, const Bitmap& b, int32_t bx, int32_t by) {
    const uint8_t* p = a.Row(ay) + 3 * ax;
    const uint8_t* q = b.Row(by) + 3 * bx;
    return p[0] == q[0] && p[1] == q[1] && p[2] == q[2];
}

}  // namespace orlscr::testing
