#pragma once

#include <string>
#include <vector>

#include "transition/bitmap.h"

namespace orlscr::tool {

// Reads a BMP, JPEG or PNG picture file (chosen by content). Throws Error.
Bitmap ReadPicture(const std::string& path);

// Writes a PNG or BMP file, chosen by the extension of `path` (".png",
// ".bmp", any case). The file appears complete or not at all. Throws Error.
void WritePicture(const std::string& path, const Bitmap& bitmap);

// Writes an animated GIF of equally sized frames, `delayMs` apart, looping.
void WriteGif(const std::string& path, const std::vector<Bitmap>& frames, int delayMs);

// Lower-case extension of a path with its dot (".png"), or "".
std::string Extension(const std::string& path);

}  // namespace orlscr::tool
