#include "entry/preview.h"

#include "common/error.h"

namespace orlscr {

PreviewSize PreviewSizeOf(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    return PreviewSize{static_cast<int32_t>(int64_t{right} - left + 1),
                       static_cast<int32_t>(int64_t{bottom} - top + 1)};
}

PictureInfo ExaminePreviewPicture(const PictureBytes& picture) {
    const PictureFormat format = RecognisePicture(picture.data);
    const char* mismatch = nullptr;
    if (picture.className == "TJPEGImage" && format != PictureFormat::kJpeg)
        mismatch = "The file is not a JPEG picture";
    else if (picture.className == "TBitmap" && format != PictureFormat::kBmp)
        mismatch = "The file is not a BMP picture";
    else if (picture.className == "TIcon" && format != PictureFormat::kIcon)
        mismatch = kInvalidIcon;
    else if (picture.className == "TMetafile" &&
             format != (picture.enhancedMetafile ? PictureFormat::kEnhancedMetafile : PictureFormat::kPlaceableMetafile))
        mismatch = kInvalidMetafile;
    if (mismatch)
        throw Error(mismatch);
    return ExaminePicture(picture.data);
}

}  // namespace orlscr
