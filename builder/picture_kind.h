#pragma once

#include <string>
#include <string_view>

#include "picture/picture_info.h"

namespace orlscr::mkscr {

// The picture classes a preview picture can be stored as, told apart by the
// first bytes of the file (picture/picture_info.h). Returns nullptr when no
// class takes the file.
struct PictureKind {
    const char* className;    // as stored in "Picture.Data"
    const char* description;  // for messages and help
    PictureFormat format;
};

const PictureKind* FindPictureKind(std::string_view fileBytes);

// "JPEG, BMP, ...": the kinds the table knows, for help and messages.
std::string PictureKindList();

// Whether the slide viewer decodes files that start like this (JPEG, BMP, PNG
// or GIF); whether a given file really decodes is DecodePictureFile's
// (picture/decode.h).
bool IsSlideImage(std::string_view head);

}  // namespace orlscr::mkscr
