#pragma once

#include <string>
#include <string_view>

namespace orlscr::mkscr {

// The picture classes a preview picture can be stored as, told apart by the
// first bytes of the file. Returns nullptr when no class takes the file.
struct PictureKind {
    const char* className;    // as stored in "Picture.Data"
    const char* description;  // for messages and help
    bool (*matches)(std::string_view head);
};

const PictureKind* FindPictureKind(std::string_view fileBytes);

// "JPEG, BMP": the kinds the table knows, for help and messages.
std::string PictureKindList();

// Whether a slide show can show the file (JPEG or BMP).
bool IsSlideImage(std::string_view head);

}  // namespace orlscr::mkscr
