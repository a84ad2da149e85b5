#include "entry/preview.h"

#include "common/error.h"
#include "package/package_contract.h"

namespace orlscr {

PreviewSize PreviewSizeOf(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    return PreviewSize{static_cast<int32_t>(int64_t{right} - left + 1),
                       static_cast<int32_t>(int64_t{bottom} - top + 1)};
}

namespace {

// The error for data that is not of the kind its class names.
const char* NotOfItsKind(PictureFormat expected) {
    switch (expected) {
        case PictureFormat::kJpeg:
            return "The file is not a JPEG picture";
        case PictureFormat::kBmp:
            return "The file is not a BMP picture";
        case PictureFormat::kIcon:
            return kInvalidIcon;
        default:
            return kInvalidMetafile;
    }
}

}  // namespace

PictureInfo ExaminePreviewPicture(const PictureBytes& picture) {
    const PreviewClass* kind = FindPreviewClass(picture.className, picture.enhancedMetafile);
    if (kind != nullptr && RecognisePicture(picture.data) != kind->format)
        throw Error(NotOfItsKind(kind->format));
    return ExaminePicture(picture.data);
}

}  // namespace orlscr
