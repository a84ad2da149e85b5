#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "raster/bitmap.h"
#include "raster/geometry.h"

namespace orlscr {

// A picture scaled, up or down, to the largest size of its own proportions
// that fits a frame, and centred on black, so a picture of another shape gets
// black bands on two sides. (The viewer fits its slides with PlacePicture and
// ComposeSlide, slide_fit.h, which also crop and limit enlarging.)

// Where a picture of the given size lies in a frame of the given size. Both
// sides of the result are at least 1 pixel for a non-empty frame.
Rect FitPictureRect(int32_t picture_width, int32_t picture_height, int32_t frame_width, int32_t frame_height);

// The picture scaled into FitPictureRect of a black frame (a smooth filter:
// bilinear when enlarging, averaging every covered pixel when reducing).
Bitmap ScaleIntoFrame(const Bitmap& picture, int32_t frame_width, int32_t frame_height);

// The picture scaled to exactly width x height (the filter above).
Bitmap ScalePicture(const Bitmap& picture, int32_t width, int32_t height);

// The path of a slide that lies beside the slide list at `list_path`.
std::string SlidePath(std::string_view list_path, std::string_view file_name);

// Largest picture file read, in bytes.
inline constexpr int64_t kMaxPictureFileBytes = int64_t{256} << 20;

// Reads and decodes the picture file (DecodePictureFile: JPEG, PNG, GIF or
// BMP, told apart by its content, upright, a large JPEG decoded at a reduced
// scale) and scales it into a frame of the given size. Throws Error with a
// reason that names the file.
Bitmap LoadSlidePicture(const std::string& path, int32_t frame_width, int32_t frame_height);

// Reads and decodes the picture file, upright, at its own size or, for a large
// JPEG, at the reduced scale that still covers target_width x target_height
// (0 x 0: no target); errors as above.
Bitmap DecodeSlidePicture(const std::string& path, int32_t target_width = 0, int32_t target_height = 0);

}  // namespace orlscr
