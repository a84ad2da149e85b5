#pragma once

#include <cstdint>

#include "raster/bitmap.h"

namespace orlscr {

// The picture scaled to exactly width x height with a smooth filter: bilinear
// when enlarging, averaging every covered pixel when reducing. Where the
// picture goes on a screen is fit.h's business.
Bitmap ScalePicture(const Bitmap& picture, int32_t width, int32_t height);

}  // namespace orlscr
