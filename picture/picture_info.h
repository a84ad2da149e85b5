#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orlscr {

// Recognising and checking picture files before anything is decoded or handed
// to the platform. Everything here reads only the bytes it is given, through a
// bounded reader, and throws Error with the user's text for a damaged or
// oversized picture; nothing is allocated for sizes the input cannot back.

enum class PictureFormat {
    kUnknown,
    kJpeg,
    kBmp,
    kPng,
    kGif,
    kIcon,
    kEnhancedMetafile,
    kPlaceableMetafile,
};

// "JPEG", "BMP", "PNG", "GIF", "icon", "enhanced metafile", "placeable
// metafile"; "unknown" for kUnknown.
const char* PictureFormatName(PictureFormat format);

// Largest picture decoded or drawn into a bitmap, in pixels. A JPEG may be
// larger: it is decoded at a reduced scale to fit.
inline constexpr int64_t kMaxPicturePixels = int64_t{1} << 26;

inline constexpr const char* kPictureTooLarge = "The picture is too large";
inline constexpr const char* kInvalidIcon = "Invalid icon";
inline constexpr const char* kInvalidMetafile = "Invalid metafile";

// Throws kPictureTooLarge unless width and height are at least 1 and
// width * height <= kMaxPicturePixels: what makes a bitmap's stride and size
// safe to compute.
void CheckPictureSize(int64_t width, int64_t height);

// The format the first bytes announce; nothing is checked beyond them.
PictureFormat RecognisePicture(const uint8_t* data, size_t size);
inline PictureFormat RecognisePicture(std::string_view bytes) {
    return RecognisePicture(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// What a picture file holds, read from its headers.
struct PictureInfo {
    PictureFormat format = PictureFormat::kUnknown;
    // The size in pixels: an icon's as its directory gives it, an enhanced
    // metafile's on the device it was made for, a placeable metafile's at 96
    // dots an inch. A GIF's is its logical screen's (0 when it has none).
    int32_t width = 0;
    int32_t height = 0;
    // The bytes the platform's call takes: an icon's first image, the records
    // of a placeable metafile after its header; the whole file otherwise.
    size_t offset = 0;
    size_t size = 0;
    // A metafile's size in 0.01 mm.
    int32_t widthHimetric = 0;
    int32_t heightHimetric = 0;
    // Bits of one sample (a JPEG's precision, a PNG's bit depth).
    int bitsPerSample = 8;
};

// Recognises and checks the picture. Throws Error: "not a picture" for bytes
// of no known format, the format's damaged text for a header that is cut short
// or inconsistent, kPictureTooLarge beyond the size limits (except a JPEG's,
// which is checked at the scale it is decoded at).
PictureInfo ExaminePicture(const uint8_t* data, size_t size);
inline PictureInfo ExaminePicture(std::string_view bytes) {
    return ExaminePicture(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

inline constexpr const char* kNotAPicture = "not a picture";

// The image of an icon file that is drawn: the first one of its directory.
// `offset` and `size` lie inside the file; a width or height of 0 in the
// directory stands for 256. Throws kInvalidIcon for anything else.
struct IconImage {
    size_t offset = 0;
    size_t size = 0;
    int32_t width = 0;
    int32_t height = 0;
};
IconImage FirstIconImage(const uint8_t* data, size_t size);

// A placeable metafile: the picture's size in 0.01 mm from its bounding box and
// units per inch, and where the plain metafile after the 22-byte header lies.
// Throws kInvalidMetafile when the key or the sizes are wrong (a units-per-inch
// of 0 among them: the picture would have no size).
struct PlaceableMetafile {
    size_t offset = 0;  // of the plain metafile records
    size_t size = 0;
    int32_t widthHimetric = 0;
    int32_t heightHimetric = 0;
};
PlaceableMetafile ParsePlaceableMetafile(const uint8_t* data, size_t size);

// True when the bytes start with an enhanced-metafile header record whose
// sizes lie within them.
bool IsCompleteEnhancedMetafile(const uint8_t* data, size_t size);

}  // namespace orlscr
