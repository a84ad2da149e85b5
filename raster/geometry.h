#pragma once

#include <cstdint>

namespace orlscr {

struct Point {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// Left, top, right, bottom; right and bottom are exclusive, so the rectangle
// covers the pixels with left <= x < right and top <= y < bottom. A rectangle
// whose right <= left or bottom <= top covers nothing.
struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace orlscr
