#pragma once

#include <vector>

#include "raster/geometry.h"

namespace orlscr {

// Where the picture show control puts things in its client area. Pure
// functions of sizes and flags, shared by painting and invalidation.

// The largest rectangle of the aspect ratio of `source` that fits in `target`,
// centred in it.
Rect FitRect(const Rect& source, const Rect& target);

// Top-left corners of the tiles of a tileWidth x tileHeight background over
// `area`, row by row from the top, each row from the left. None for an empty tile.
std::vector<Point> TilePositions(const Rect& area, int32_t tileWidth, int32_t tileHeight);

// Top-left corner of a graphic drawn centred in `area` (cropped equally on
// both sides when larger).
Point CenteredOrigin(const Rect& area, int32_t width, int32_t height);

// The frame's place in client coordinates: at the top-left corner, or centred
// in the client area when `center` is set.
Rect ComputePlacement(int32_t screenWidth,
                      int32_t screenHeight,
                      int32_t clientWidth,
                      int32_t clientHeight,
                      bool center);

// How the frame is shown: the flags that decide where a frame rectangle lands.
struct PictureLayout {
    Rect placement;
    Rect client;
    bool center = false;
    bool stretch = false;
    bool stretchFine = false;
};

// A rectangle of the frame (frame coordinates) as client coordinates: scaled
// into the stretched area, or moved to the placement and cut to it.
Rect MapPictureRect(const Rect& rect, const PictureLayout& layout);

// Where the frame is painted in client coordinates (the target of the copy).
Rect FrameTarget(const PictureLayout& layout);

}  // namespace orlscr
