#pragma once

#include <cstdint>

#include "raster/bitmap.h"
#include "raster/geometry.h"

namespace orlscr {

// How a slide fills a screen of another shape: kContain shows the whole
// picture on black bands, kCover fills the screen and shows the picture's
// middle, cutting off what sticks out on two sides.
enum class SlideFit { kContain, kCover };

// Where a picture goes on a screen: `source` is the part of the picture that
// is shown (picture pixels), `dest` where it lies on the screen (screen pixels,
// inside the screen). Both are at least 1 x 1 for a non-empty picture and
// screen. The picture is never enlarged more than `upscale` times; a picture
// that ends up smaller than the screen is centred on black.
struct FitPlacement {
    Rect source;
    Rect dest;
    friend bool operator==(const FitPlacement&, const FitPlacement&) = default;
};

FitPlacement PlacePicture(int32_t picture_width,
                          int32_t picture_height,
                          int32_t screen_width,
                          int32_t screen_height,
                          SlideFit fit,
                          int32_t upscale);

// A screen-sized frame: black, with `picture` scaled into PlacePicture's
// dest with ScalePicture's smooth filter (scale.h).
Bitmap ComposeSlide(const Bitmap& picture, int32_t screen_width, int32_t screen_height, SlideFit fit, int32_t upscale);

// The contain fit without a limit on enlarging: the picture scaled, up or
// down, to the largest size of its own proportions that fits the frame, and
// centred on black, so a picture of another shape gets black bands on two
// sides. FitPictureRect is where it lies; both of its sides are at least 1
// pixel for a non-empty frame.
Rect FitPictureRect(int32_t picture_width, int32_t picture_height, int32_t frame_width, int32_t frame_height);
Bitmap ScaleIntoFrame(const Bitmap& picture, int32_t frame_width, int32_t frame_height);

}  // namespace orlscr
