#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "raster/geometry.h"

namespace orlscr {

// A set of pixels, kept as y-x banded half-open rectangles in the manner of
// the platform's clipping regions:
//  - the rectangles are sorted by top, then by left;
//  - rectangles with the same top form a band and share its top and bottom;
//  - bands do not overlap and are sorted from top to bottom;
//  - within a band rectangles neither overlap nor touch (touching ones are merged);
//  - no rectangle is empty;
//  - two bands that touch vertically never hold the same columns (they are
//    merged into one), so every set of pixels has exactly one representation
//    and operator== compares sets.
// The empty set is an empty region. "No region at all" (a style that built
// nothing) is expressed by the styles as std::optional<Region> without value.
//
// Every operation is one sweep over the bands of both operands; nothing is
// ever tested pixel by pixel.
class Region {
  public:
    Region() = default;
    explicit Region(const Rect& rect);

    // The union of any number of rectangles, in any order, overlapping or not;
    // empty rectangles add nothing. One sweep over all of them, so building a
    // region from thousands of pieces costs about as much as sorting them.
    static Region FromRects(std::vector<Rect> rects);

    // The rectangle with its four corners rounded by quarter ellipses of
    // cornerWidth x cornerHeight; a corner larger than the rectangle is
    // limited to its width or height.
    static Region RoundRect(const Rect& rect, int32_t cornerWidth, int32_t cornerHeight);
    // The triangle through the three points, filled by the winding rule.
    static Region Triangle(Point a, Point b, Point c);

    // The rows of a rounded rectangle or of a triangle, one rectangle a pixel
    // row, appended to `out` (for FromRects, when many shapes are united).
    static void AppendRoundRectRows(const Rect& rect,
                                    int32_t cornerWidth,
                                    int32_t cornerHeight,
                                    std::vector<Rect>& out);
    static void AppendTriangleRows(Point a, Point b, Point c, std::vector<Rect>& out);

    Region& Unite(const Region& other);
    Region& Intersect(const Region& other);
    Region& Xor(const Region& other);
    Region& Subtract(const Region& other);

    bool IsEmpty() const { return rects_.empty(); }
    bool Contains(int32_t x, int32_t y) const;
    Rect BoundingBox() const;
    const std::vector<Rect>& Rects() const { return rects_; }
    // The rectangles that reach into rows [top, bottom), in order (found by
    // bisection: for work split into bands of a region with many rows).
    std::span<const Rect> RectsInRows(int32_t top, int32_t bottom) const;

    // Checks the invariant above; used by tests.
    bool IsValid() const;

    friend bool operator==(const Region&, const Region&) = default;

  private:
    enum class Op { kUnion, kIntersect, kXor, kSubtract };
    void Combine(const Region& other, Op op);

    std::vector<Rect> rects_;
};

}  // namespace orlscr
