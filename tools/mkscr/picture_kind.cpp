#include "tools/mkscr/picture_kind.h"

namespace orlscr::mkscr {

namespace {

bool IsJpeg(std::string_view head) {
    return head.size() >= 3 && head.substr(0, 3) == "\xFF\xD8\xFF";
}

bool IsBmp(std::string_view head) {
    return head.size() >= 14 && head.substr(0, 2) == "BM";
}

// An icon file: reserved 0, type 1 (2 would be a cursor), at least one image.
bool IsIcon(std::string_view head) {
    return head.size() >= 6 + 16 && head.substr(0, 4) == std::string_view("\0\0\1\0", 4) &&
           (head[4] != 0 || head[5] != 0);
}

// An enhanced metafile: its header record (type 1) with the signature " EMF".
bool IsEnhancedMetafile(std::string_view head) {
    return head.size() >= 88 && head.substr(0, 4) == std::string_view("\1\0\0\0", 4) && head.substr(40, 4) == " EMF";
}

// A placeable metafile: the 22-byte header with its key, then the metafile.
bool IsPlaceableMetafile(std::string_view head) {
    return head.size() >= 22 + 18 && head.substr(0, 4) == "\xD7\xCD\xC6\x9A";
}

// Tried in order; the first that matches stores the file.
constexpr PictureKind kKinds[] = {
    {"TJPEGImage", "JPEG", IsJpeg},
    {"TBitmap", "BMP", IsBmp},
    {"TIcon", "icon", IsIcon},
    {"TMetafile", "enhanced metafile", IsEnhancedMetafile},
    {"TMetafile", "placeable metafile", IsPlaceableMetafile},
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
