#pragma once

#include <cstddef>
#include <vector>

#include "raster/bitmap.h"
#include "raster/geometry.h"
#include "transition/region.h"

namespace orlscr {

// One frame of a style that shows the new picture in place through a region:
// `target` shows `newPicture` exactly inside `before` and `oldPicture`
// everywhere else, and is changed to show `newPicture` exactly inside `after`.
// Only the pixels of one region and not the other are copied, each from the
// picture it shows now, in one sweep down both regions. All three bitmaps
// have the same size; regions may reach beyond it.
//
// Returns at most `maxRects` rectangles (at least one) that together cover
// every pixel it changed: whole cells of a coarse grid, so scattered changes
// come out as a few strips instead of their bounding box; none when nothing
// changed.
std::vector<Rect> DrawRegionChange(Bitmap& target,
                                   const Bitmap& oldPicture,
                                   const Bitmap& newPicture,
                                   const Region& before,
                                   const Region& after,
                                   size_t maxRects);

// At most `maxRects` rectangles (at least one) that together cover every pixel
// of `region` within a width x height frame: its own rectangles when they are
// few, else whole cells of the same grid. None for an empty region.
std::vector<Rect> CoverRegion(const Region& region, int32_t width, int32_t height, size_t maxRects);

}  // namespace orlscr
