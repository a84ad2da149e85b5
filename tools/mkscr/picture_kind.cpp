#include "tools/mkscr/picture_kind.h"

namespace orlscr::mkscr {

namespace {

bool IsJpeg(std::string_view head) {
    return head.size() >= 3 && head.substr(0, 3) == "\xFF\xD8\xFF";
}

bool IsBmp(std::string_view head) {
    return head.size() >= 14 && head.substr(0, 2) == "BM";
}

// Tried in order; the first that matches stores the file.
constexpr PictureKind kKinds[] = {
    {"TJPEGImage", "JPEG", IsJpeg},
    {"TBitmap", "BMP", IsBmp},
};

}  // namespace

const PictureKind* FindPictureKind(std::string_view fileBytes) {
    for (const PictureKind& kind : kKinds)
        if (kind.matches(fileBytes))
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
    return IsJpeg(head) || IsBmp(head);
}

}  // namespace orlscr::mkscr
