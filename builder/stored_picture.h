#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "builder/picture_import.h"
#include "raster/bitmap.h"

namespace orlscr::mkscr {

// How pictures are sized for the screen when they are stored.
struct StoreBound {
    // A picture larger than this (after it is turned upright) is stored
    // reduced to fit it, its sides in proportion.
    int32_t maxWidth = 3840;
    int32_t maxHeight = 2160;
    // Every picture the viewer shows is stored byte for byte, whatever its size.
    bool originals = false;
};

// The JPEG quality pictures are stored at: at the screen's size the loss
// cannot be told from the original, at about half the bytes of quality 95
// (bench/reduce_filter_bench.cpp measures it).
inline constexpr int kStoredJpegQuality = 90;

// The size `width` x `height` takes within the bound: itself when it fits,
// else reduced in proportion (each side at least 1).
struct PictureSize {
    int32_t width = 0;
    int32_t height = 0;
    bool operator==(const PictureSize&) const = default;
};
PictureSize FitWithin(int32_t width, int32_t height, const StoreBound& bound);

// A picture file made for the package.
struct MadePicture {
    std::string bytes;
    std::string extension;  // "jpg" or "png"
    PictureSize size;
};

// The bitmap (upright) as a JPEG file at kStoredJpegQuality, or a PNG file
// when `png`; reduced to `size` first when that is smaller. Its EXIF data says
// orientation 1 and, when given, the date taken.
MadePicture StoreBitmap(const Bitmap& picture, PictureSize size, bool png, const std::optional<std::string>& dateTaken);

// An imported picture as the viewer can show it, within the bound (unless
// `bound.originals`): PNG when it has transparency, or was lossless and has
// few colours (graphics, not photographs); JPEG otherwise.
MadePicture StoreImported(ImportedPicture& picture, const StoreBound& bound);

// Pixels of 4 bytes (red, green, blue, straight alpha), rows of width * 4
// bytes, resampled to `size`, filtered with premultiplied alpha so transparent
// pixels lend no colour. `rgba` is left premultiplied.
std::vector<uint8_t> ReduceStraightAlpha(std::vector<uint8_t>& rgba, int32_t width, int32_t height, PictureSize size);

// Whether the pixels (3 or 4 bytes each) hold at most 256 colours.
bool HasFewColours(const uint8_t* bits, int32_t width, int32_t height, size_t stride, int channels);

// A TIFF-structured EXIF block: orientation 1 and, when given, the date taken
// ("YYYY:MM:DD HH:MM:SS").
std::string MakeExifBlock(const std::optional<std::string>& dateTaken);

// The JPEG file with an APP1 EXIF segment holding `exifBlock` after its JFIF
// header; the PNG file with an eXIf chunk after its header chunk.
std::string JpegWithExif(const std::string& jpeg, const std::string& exifBlock);
std::string PngWithExif(const std::string& png, const std::string& exifBlock);

// A PNG file of pixels of 3 bytes (blue, green, red, as a Bitmap) or 4 bytes
// (red, green, blue, straight alpha). Throws Error.
std::string EncodePng(const uint8_t* bits, int32_t width, int32_t height, size_t stride, int channels);

}  // namespace orlscr::mkscr
