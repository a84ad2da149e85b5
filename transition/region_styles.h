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
void DrawPixelStyle(int style, Bitmap& screen, const Bitmap& newBitmap, const FrameQuantities& f);

// Copies the pixels of `source` that lie inside `region` to the same place in
// `target` (the new picture drawn at (0, 0) through a clipping region).
void DrawThroughRegion(Bitmap& target, const Bitmap& source, const Region& region);

}  // namespace orlscr
