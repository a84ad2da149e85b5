#pragma once

#include <optional>

#include "raster/bitmap.h"
#include "transition/frame.h"
#include "transition/region.h"
#include "transition/style_ranges.h"

namespace orlscr {

// The region styles: 58..117 and 123..127 (see style_ranges.h). Each builds a
// clipping region through which the frame then draws the new picture.

// The region of a region style for one frame, or no region. Random styles draw
// from the shared generator.
std::optional<Region> BuildStyleRegion(int style, const FrameQuantities& f);

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

}  // namespace orlscr
