#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "transition/bitmap.h"

namespace orlscr {

// Decoding of the picture files the program shows (JPEG and BMP) into 24-bit
// bitmaps, and writing a bitmap as a BMP file. Every function reads only the
// bytes it is given; malformed or unsupported input throws an Error with a text
// fit for the user, and nothing is allocated for sizes the input cannot back.

// Largest picture accepted, in pixels (both kinds).
inline constexpr int64_t kMaxPicturePixels = int64_t{1} << 26;

// A JPEG file (baseline or progressive; grey, colour or CMYK).
Bitmap DecodeJpeg(const uint8_t* data, size_t size);

// A BMP file: 1, 4, 8, 16, 24 or 32 bits a pixel, uncompressed or with bit
// fields, bottom-up or top-down, with the old (12-byte) or any newer info header.
Bitmap DecodeBmp(const uint8_t* data, size_t size);

// True when the bytes start like a JPEG or BMP file.
bool IsJpeg(const uint8_t* data, size_t size);
bool IsBmp(const uint8_t* data, size_t size);

// JPEG or BMP, chosen by the content (not by a file name).
Bitmap DecodePicture(const uint8_t* data, size_t size);
inline Bitmap DecodePicture(const std::vector<uint8_t>& bytes) {
    return DecodePicture(bytes.data(), bytes.size());
}

// A bottom-up 24-bit BMP file of the bitmap.
std::vector<uint8_t> EncodeBmp(const Bitmap& bitmap);

}  // namespace orlscr
