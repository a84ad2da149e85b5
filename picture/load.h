#pragma once

#include <cstdint>
#include <string>

#include "raster/bitmap.h"

namespace orlscr {

// Picture files read from disk for showing: the slide viewer's slides, the
// builder's check of what it stores, the tools' input pictures.

// Largest picture file read, in bytes.
inline constexpr int64_t kMaxPictureFileBytes = int64_t{256} << 20;

// Reads and decodes the picture file (DecodePictureFile: JPEG, PNG, GIF or
// BMP, told apart by its content), upright, at its own size or, for a large
// JPEG, at the reduced scale that still covers target_width x target_height
// (0 x 0: no target). Throws Error with a reason that starts with the file's
// name.
Bitmap DecodeSlidePicture(const std::string& path, int32_t target_width = 0, int32_t target_height = 0);

// DecodeSlidePicture scaled into a black frame of the given size (ScaleIntoFrame);
// errors as above.
Bitmap LoadSlidePicture(const std::string& path, int32_t frame_width, int32_t frame_height);

}  // namespace orlscr
