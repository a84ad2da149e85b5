#include "builder/picture_kind.h"

#include "picture/picture_info.h"

namespace orlscr::mkscr {

namespace {

// The formats a preview picture can be, with the class that stores each.
constexpr PictureKind kKinds[] = {
    {"TJPEGImage", "JPEG", PictureFormat::kJpeg},
    {"TBitmap", "BMP", PictureFormat::kBmp},
    {"TIcon", "icon", PictureFormat::kIcon},
    {"TMetafile", "enhanced metafile", PictureFormat::kEnhancedMetafile},
    {"TMetafile", "placeable metafile", PictureFormat::kPlaceableMetafile},
};

}  // namespace

const PictureKind* FindPictureKind(std::string_view fileBytes) {
    const PictureFormat format = RecognisePicture(fileBytes);
    for (const PictureKind& kind : kKinds)
        if (kind.format == format)
            return &kind;
    return nullptr;
}

std::string PictureKindList() {
    std::string list;
    for (const PictureKind& kind : kKinds) {
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
