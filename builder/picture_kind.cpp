#include "builder/picture_kind.h"

#include "picture/picture_info.h"

namespace orlscr::mkscr {

const PictureKind* FindPictureKind(std::string_view fileBytes) {
    const PictureFormat format = RecognisePicture(fileBytes);
    for (const PictureKind& kind : kPreviewClasses)
        if (kind.format == format)
            return &kind;
    return nullptr;
}

std::string PictureKindList() {
    std::string list;
    for (const PictureKind& kind : kPreviewClasses) {
        if (!list.empty())
            list += ", ";
        list += kind.description;
    }
    return list;
}

bool IsSlideImage(std::string_view head) {
    switch (RecognisePicture(head)) {
        case PictureFormat::kJpeg:
        case PictureFormat::kBmp:
        case PictureFormat::kPng:
        case PictureFormat::kGif:
            return true;
        default:
            return false;
    }
}

}  // namespace orlscr::mkscr
