#pragma once

#include <optional>

#include "transition/bitmap.h"
#include "transition/frame.h"
#include "transition/region.h"

namespace orlscr {

// True for the styles that end their frame by drawing the new picture through a
// region: 58..117 and 123..127.
inline bool IsRegionStyle(int style) {
    return (style >= 58 && style <= 117) || (style >= 123 && style <= 127);
}

// True for the styles that write the frame's pixels themselves: 118..122.
inline bool IsPixelStyle(int style) {
    return style >= 118 && style <= 122;
}

// The region of a region style for one frame, or no region. Random styles draw
// from the shared generator.
std::optional<Region> BuildStyleRegion(int style, const FrameQuantities& f);

// Runs a pixel style: `screen` holds the old picture and receives the frame.
// The pixel styles draw only where both bitmaps have pixels (in a frame they
// always have the same size) and never read or write outside either.
void DrawPixelStyle(int style, Bitmap& screen, const Bitmap& newBitmap, const FrameQuantities& f);

// Copies the pixels of `source` that lie inside `region` to the same place in
// `target` (the new picture drawn at (0, 0) through a clipping region). Parts
// of the region outside either bitmap are left out.
void DrawThroughRegion(Bitmap& target, const Bitmap& source, const Region& region);

// The region builders behind the styles. Extents are the distances the styles
// pass (X, 2X, Y, 2Y or 0); a kind of 0 switches that pass off. A builder that
// united no piece at all returns no region.

// Bars 5 pixels thick at a 10-pixel pitch, rows (hKind 1..5) then columns
// (vKind 1..5); an extent beyond the picture fills the first set of bands and
// grows the second. `snap` completes the first set when extent + snap passes
// the far edge.
std::optional<Region>
CreateCombRgn(int32_t xExt, int32_t yExt, int32_t w, int32_t h, int32_t snap, int hKind, int vKind);
// Bars every 5 pixels whose ends move at random (kinds 1..4); no jitter at
// full extent.
std::optional<Region> CreateJaggedRgn(int32_t xExt, int32_t yExt, int32_t w, int32_t h, int hKind, int vKind);
// A solid edge with a random fringe of blocks ahead of it (kind 1 from the
// right or bottom, any other kind from the left or top); no fringe at full
// extent.
std::optional<Region> CreateFringeRgn(int32_t xExt, int32_t yExt, int32_t w, int32_t h, int hKind, int vKind);
// Squares of half-width SquaresHalfWidth() on a grid of that pitch, each
// chosen with probability p percent; no region when none was chosen.
std::optional<Region> CreateSquaresRgn(int32_t w, int32_t h, int32_t p);
int32_t SquaresHalfWidth(int32_t w, int32_t h, int32_t p);
Region CreateTriangleRgn(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3);

// The fade: every byte becomes s * (100 - p) / 100 + n * p / 100, both terms
// truncated on their own, so the sum never exceeds 255. BlendBitmapsReference
// is the same, one byte at a time, for comparison.
void BlendBitmaps(Bitmap& screen, const Bitmap& newBitmap, int32_t p);
// The same frame straight from both pictures, without restoring the old one
// into `screen` first: one pass over memory instead of two. For a frame loop
// that would otherwise restore and then blend, with nothing drawn between.
void BlendBitmaps(Bitmap& screen, const Bitmap& oldBitmap, const Bitmap& newBitmap, int32_t p);
void BlendBitmapsReference(Bitmap& screen, const Bitmap& newBitmap, int32_t p);

// The swing: every pixel (x, y) of `screen` takes pixel (u, v) of `newBitmap`,
// the point (x, y) turned by `angle` about (cx, cy) and rounded half to even,
// or keeps the old picture when (u, v) lies outside. RotateBitmapReference
// evaluates the rotation directly for every pixel, for comparison.
void RotateBitmap(Bitmap& screen, const Bitmap& newBitmap, int32_t cx, int32_t cy, double angle);
void RotateBitmapReference(Bitmap& screen, const Bitmap& newBitmap, int32_t cx, int32_t cy, double angle);
// The swing angle at progress p: (100 - p) * pi / 200 radians, a quarter turn
// at 0 and none at 100.
double SwingAngle(int32_t p);

}  // namespace orlscr
