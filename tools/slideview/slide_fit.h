#pragma once

#include <cstdint>

#include "builder/slide_list.h"  // SlideFit
#include "transition/bitmap.h"
#include "transition/geometry.h"

namespace orlscr {

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
// dest (the same smooth filter as every slide).
Bitmap ComposeSlide(const Bitmap& picture, int32_t screen_width, int32_t screen_height, SlideFit fit, int32_t upscale);

}  // namespace orlscr
