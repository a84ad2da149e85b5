#pragma once

#include <string>
#include <string_view>

#include "package/package_contract.h"
#include "picture/picture_info.h"

namespace orlscr::mkscr {

// The picture classes a preview picture can be stored as
// (package/package_contract.h), told apart by the first bytes of the file
// (picture/picture_info.h). Returns nullptr when no class takes the file.
using PictureKind = PreviewClass;

const PictureKind* FindPictureKind(std::string_view fileBytes);

// "JPEG, BMP, ...": the kinds the table knows, for help and messages.
std::string PictureKindList();

// Whether the slide viewer decodes files that start like this (JPEG, BMP, PNG
// or GIF); whether a given file really decodes is DecodePictureFile's
// (picture/decode.h).
bool IsSlideImage(std::string_view head);

}  // namespace orlscr::mkscr
