#pragma once

#include <optional>
#include <string>

namespace orlscr::mkscr {

// What the slide viewer will make of a picture file, found out at build time by
// decoding it with the viewer's own decoder.
struct SlidePictureCheck {
    std::string refusal;    // why the viewer cannot show it; empty when it can
    std::string extension;  // of the picture's format as its content says ("jpg"), empty for no picture
    std::optional<std::string> dateTaken;  // "YYYY:MM:DD HH:MM:SS" from the picture's own data
};

// The refusal of a file that is no picture at all.
inline constexpr const char* kNotAPicture = "not a picture";

SlidePictureCheck CheckSlidePicture(const std::string& path);

// The formats the viewer shows, for messages: "JPEG or BMP".
std::string SlidePictureFormats();

}  // namespace orlscr::mkscr
