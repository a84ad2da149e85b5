#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace orlscr {

// The preview picture of a package, as stored in the "Picture.Data" property of
// its image object: a short class name, then the picture in that class's form.
// `bytes` holds exactly the picture file of the kind (a JPEG file, a BMP file,
// an icon file, an enhanced metafile, or a placeable metafile with its 22-byte
// header); it is empty only for Kind::None.
struct PreviewPicture {
    enum class Kind { None, Jpeg, Bitmap, Icon, EnhancedMetafile, PlaceableMetafile };
    Kind kind = Kind::None;
    std::vector<uint8_t> bytes;
};

// Splits a "Picture.Data" value. A class name of length 0, an unknown class and
// an empty bitmap, JPEG or metafile give Kind::None; a value that ends before
// its own sizes say throws "Stream read error".
PreviewPicture ParsePictureData(const uint8_t* data, size_t size);
inline PreviewPicture ParsePictureData(const std::vector<uint8_t>& value) {
    return ParsePictureData(value.data(), value.size());
}

// The picture data that follows the class name, for one class.
PreviewPicture ParsePictureOfClass(std::string_view className, const uint8_t* data, size_t size);

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

// True when the bytes start with an enhanced-metafile header record.
bool IsEnhancedMetafile(const uint8_t* data, size_t size);

}  // namespace orlscr
