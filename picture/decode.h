#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "picture/picture_info.h"
#include "raster/bitmap.h"

namespace orlscr {

// Decoding picture files into 24-bit bitmaps (blue, green, red; rows top-down),
// the same code natively and in the Windows programs. Every function reads
// only the bytes it is given; what cannot be shown throws Error with a reason
// the user understands ("12-bit JPEG is not supported", "The PNG picture is
// damaged: ...", "not a picture"), and nothing is allocated for sizes the
// input cannot back.

// What a decode is asked for.
struct DecodeOptions {
    // The size the picture will be shown at. A JPEG larger than needed is
    // decoded at a reduced scale (1/8 steps), a PNG or uncompressed BMP
    // reduced by a whole factor (DecodePng), that still covers this size in both directions,
    // after the EXIF orientation is applied. 0: full size
    // (reduced only as far as the size limit needs).
    int32_t targetWidth = 0;
    int32_t targetHeight = 0;
    // The colour transparent parts are laid on (low byte red, then green,
    // then blue).
    uint32_t background = 0;
    // When given, receives what the decoder passed over in a damaged file that
    // it still decoded ("The JPEG picture is damaged: Premature end of JPEG
    // file"): data cut short or corrupt, a chunk's check sum wrong. Left as it
    // is for a clean file. The bitmap is the same either way.
    std::string* damage = nullptr;
};

// The one entry point of the slide viewer and mkscr: JPEG, PNG, GIF (the first
// frame) or BMP, told apart by the content, turned upright by its EXIF
// orientation (JPEG, PNG). Icons and metafiles are refused: they are drawn by
// the platform, not decoded.
Bitmap DecodePictureFile(const uint8_t* data, size_t size, const DecodeOptions& options = {});
inline Bitmap DecodePictureFile(std::string_view bytes, const DecodeOptions& options = {}) {
    return DecodePictureFile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), options);
}

// DecodePictureFile without the exception: the bitmap, or why there is none,
// and whether the file is damaged (options.damage is not used).
struct DecodeOutcome {
    std::optional<Bitmap> bitmap;
    std::string reason;  // empty when decoded
    std::string damage;  // what was passed over in a damaged file that decoded (DecodeOptions::damage)
};
DecodeOutcome TryDecodePictureFile(std::string_view bytes, const DecodeOptions& options = {});

// The single formats. DecodeJpeg applies no orientation and decodes at full
// size unless `options` asks for less.
Bitmap DecodeJpeg(const uint8_t* data, size_t size, const DecodeOptions& options = {});
// 1, 4, 8, 16, 24 or 32 bits a pixel; uncompressed, run-length (4 and 8 bits)
// or with bit fields; bottom-up or top-down; any info header. With a target,
// an uncompressed picture at least twice the target in both directions is
// reduced while it is read, as DecodePng reduces.
Bitmap DecodeBmp(const uint8_t* data, size_t size, const DecodeOptions& options = {});
// Every colour type and depth; alpha composed over options.background. With a
// target (and no damage asked for), a picture at least twice the target in
// both directions is reduced while it is read by the largest whole factor
// that still covers the target, each block of pixels averaged.
Bitmap DecodePng(const uint8_t* data, size_t size, const DecodeOptions& options = {});
// The first frame on the logical screen, transparency over options.background.
Bitmap DecodeGif(const uint8_t* data, size_t size, const DecodeOptions& options = {});

// The bitmap turned as the EXIF orientation 1..8 says (see picture/exif.h);
// other values leave it as it is.
Bitmap Orient(const Bitmap& bitmap, int orientation);

// True when the bytes start like a JPEG or BMP file.
bool IsJpeg(const uint8_t* data, size_t size);
bool IsBmp(const uint8_t* data, size_t size);

// JPEG or BMP only, chosen by the content, as the transitions tool reads them.
Bitmap DecodePicture(const uint8_t* data, size_t size);
inline Bitmap DecodePicture(const std::vector<uint8_t>& bytes) {
    return DecodePicture(bytes.data(), bytes.size());
}

// A baseline JPEG file of the bitmap at `quality` (1..100). Throws Error.
std::vector<uint8_t> EncodeJpegFile(const Bitmap& bitmap, int quality = 90);

// A bottom-up 24-bit BMP file of the bitmap.
std::vector<uint8_t> EncodeBmp(const Bitmap& bitmap);

}  // namespace orlscr
