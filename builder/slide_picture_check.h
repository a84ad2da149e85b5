#pragma once

#include <optional>
#include <string>

#include "picture/picture_info.h"

namespace orlscr::mkscr {

// What the slide viewer will make of a picture file, found out at build time by
// decoding it with the viewer's own decoder (DecodePictureFile). A refusal of a
// file that is no picture at all is kNotAPicture.
struct SlidePictureCheck {
    std::string refusal;                   // why the viewer cannot show it; empty when it can
    std::string extension;                 // of the picture's format as its content says ("jpg"), empty for no picture
    std::optional<std::string> dateTaken;  // "YYYY:MM:DD HH:MM:SS" from the picture's EXIF data
    // What the decoder passed over in a picture it could decode all the same
    // (cut short, corrupt data, a wrong check sum); empty for a clean file.
    std::string damage = std::string();
};

SlidePictureCheck CheckSlidePicture(const std::string& path);

}  // namespace orlscr::mkscr
