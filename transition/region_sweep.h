#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

#include "raster/geometry.h"

namespace orlscr {

// Walking two lists of banded rectangles (a Region's, see region.h) together,
// as the set operations and the drawing of a change between two regions do.

// The coordinate that stands for "none left".
constexpr int32_t kNoCoordinate = std::numeric_limits<int32_t>::max();

// The rectangle after the band that starts at `p`.
inline const Rect* BandEnd(const Rect* p, const Rect* end) {
    const int32_t top = p->top;
    while (p != end && p->top == top)
        ++p;
    return p;
}

// Calls onStretch(top, bottom, pa, paEnd, pb, pbEnd) for each stretch of rows
// [top, bottom) over which neither list changes and at least one has
// rectangles: [pa, paEnd) and [pb, pbEnd) are the rectangles of each list's
// band there (empty when the list has none there).
template <class OnStretch>
void SweepBands(const Rect* a, const Rect* aEnd, const Rect* b, const Rect* bEnd, OnStretch&& onStretch) {
    int32_t y = std::min(a != aEnd ? a->top : kNoCoordinate, b != bEnd ? b->top : kNoCoordinate);
    while (a != aEnd || b != bEnd) {
        if (a != aEnd && a->bottom <= y)
            a = BandEnd(a, aEnd);
        if (b != bEnd && b->bottom <= y)
            b = BandEnd(b, bEnd);
        if (a == aEnd && b == bEnd)
            break;
        const bool aIn = a != aEnd && a->top <= y;
        const bool bIn = b != bEnd && b->top <= y;
        if (!aIn && !bIn) {
            y = std::min(a != aEnd ? a->top : kNoCoordinate, b != bEnd ? b->top : kNoCoordinate);
            continue;
        }
        int32_t bottom = kNoCoordinate;
        if (a != aEnd)
            bottom = std::min(bottom, aIn ? a->bottom : a->top);
        if (b != bEnd)
            bottom = std::min(bottom, bIn ? b->bottom : b->top);
        onStretch(y, bottom, aIn ? a : aEnd, aIn ? BandEnd(a, aEnd) : aEnd, bIn ? b : bEnd,
                  bIn ? BandEnd(b, bEnd) : bEnd);
        y = bottom;
    }
}

// Calls onEdge(x, wasA, wasB, inA, inB) at each x where the inside of one
// band's rectangles [pa, paEnd) or the other's [pb, pbEnd) begins or ends,
// from left to right: whether x was inside each before it, and is from it on.
template <class OnEdge>
void SweepEdges(const Rect* pa, const Rect* paEnd, const Rect* pb, const Rect* pbEnd, OnEdge&& onEdge) {
    bool inA = false, inB = false;
    while (true) {
        const int32_t xa = pa != paEnd ? (inA ? pa->right : pa->left) : kNoCoordinate;
        const int32_t xb = pb != pbEnd ? (inB ? pb->right : pb->left) : kNoCoordinate;
        const int32_t x = std::min(xa, xb);
        if (x == kNoCoordinate)
            break;
        const bool wasA = inA, wasB = inB;
        if (xa == x) {
            if (inA)
                ++pa;
            inA = !inA;
        }
        if (xb == x) {
            if (inB)
                ++pb;
            inB = !inB;
        }
        onEdge(x, wasA, wasB, inA, inB);
    }
}

}  // namespace orlscr
