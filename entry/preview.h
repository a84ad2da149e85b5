#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "package/image.h"
#include "package/input_file.h"

namespace orlscr {

// Helpers of the preview drawing. The picture itself comes out of the
// package's image object (package/image.h); these check the parts of it that
// the platform's drawing calls would otherwise trust.

// The picture of the image object that field A of the trailer leads to; an
// image without a picture (or with one of a class that cannot be drawn) gives
// an empty picture. Nothing when the file is shorter than the trailer or the
// stream's object is not an image: then there is nothing to wait for. Damaged
// streams throw, as does a package without a preview picture, whose field A
// leads to an embedded file ("Invalid stream format").
std::optional<PictureBytes> ReadPreviewImage(InputFile& file);

// The size the preview draws into, from the window's outer rectangle: both
// edges count, so a window from (10, 20) to (162, 132) gives 153 x 113.
struct PreviewSize {
    int32_t width = 0;
    int32_t height = 0;
};
PreviewSize PreviewSizeOf(int32_t left, int32_t top, int32_t right, int32_t bottom);

// The image of an icon file that the preview draws: the first one of its
// directory. `offset` and `size` lie inside the file; a width or height of 0 in
// the directory stands for 256. Throws "Invalid icon" for anything else.
struct IconImage {
    size_t offset = 0;
    size_t size = 0;
    int32_t width = 0;
    int32_t height = 0;
};
IconImage FirstIconImage(const uint8_t* data, size_t size);

// A placeable metafile: the picture's size in 0.01 mm from its bounding box and
// units per inch, and where the plain metafile after the 22-byte header lies.
// Throws "Invalid metafile" when the header's key or sizes are wrong.
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
