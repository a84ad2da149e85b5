// Stand-ins for the region and pixel styles until they are built: no region,
// nothing drawn. Removed when transition/region_styles.cpp arrives.
#include "transition/region_styles.h"

namespace orlscr {

std::optional<Region> BuildStyleRegion(int, const FrameQuantities&) {
    return std::nullopt;
}

void DrawPixelStyle(int, Bitmap&, const Bitmap&, const FrameQuantities&) {}

void DrawThroughRegion(Bitmap&, const Bitmap&, const Region&) {}

}  // namespace orlscr
