#pragma once

#include <cstdint>

#include "package/image.h"
#include "picture/picture_info.h"

namespace orlscr {

// Helpers of the preview drawing. The picture comes out of the package's image
// object (ReadPreviewImage, package/image.h) and is checked by the picture
// module (picture/picture_info.h) before the platform's calls see it.

// The size the preview draws into, from the window's outer rectangle: both
// edges count, so a window from (10, 20) to (162, 132) gives 153 x 113.
struct PreviewSize {
    int32_t width = 0;
    int32_t height = 0;
};
PreviewSize PreviewSizeOf(int32_t left, int32_t top, int32_t right, int32_t bottom);

// The description of a non-empty preview picture whose data is of the kind its
// class names: a JPEG file for "TJPEGImage", a BMP file for "TBitmap", an icon
// file for "TIcon", an enhanced or placeable metafile for "TMetafile". Throws
// the picture module's text for damaged data, and for data of another kind
// "The file is not a JPEG picture", "The file is not a BMP picture", "Invalid
// icon" or "Invalid metafile".
PictureInfo ExaminePreviewPicture(const PictureBytes& picture);

}  // namespace orlscr
