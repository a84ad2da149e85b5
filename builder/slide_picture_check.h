#pragma once

#include <memory>
#include <optional>
#include <string>

#include "builder/scratch_file.h"
#include "builder/stored_picture.h"
#include "picture/picture_info.h"

namespace orlscr::mkscr {

// What the slide viewer will make of a picture file, found out at build time by
// decoding it with the viewer's own decoder (DecodePictureFile), and what is
// stored for it: the file as it is, or a picture made from it (a format the
// viewer does not show converted, a picture beyond the bound reduced). A
// refusal of a file that is no picture at all is kNotAPicture.
struct SlidePictureCheck {
    std::string refusal;                   // why the viewer cannot show it; empty when it can
    std::string extension;                 // of the stored picture's format ("jpg"), empty for no picture
    std::optional<std::string> dateTaken;  // "YYYY:MM:DD HH:MM:SS" from the picture's EXIF data
    // What the decoder passed over in a picture it could decode all the same
    // (cut short, corrupt data, a wrong check sum); empty for a clean file.
    std::string damage = std::string();
    // The picture made for the package when the file is not stored as it is,
    // and what was done ("converted HEIC to JPEG", "reduced 8000x6000 to
    // 3840x2880"); none and empty when the file is stored as it is.
    std::optional<ScratchPiece> made = std::nullopt;
    std::string change = std::string();
    int64_t fileBytes = 0;  // of the file as it is
};

// `scratch` receives made pictures; without one a picture that needs making
// gets a scratch file of its own. Safe to call on several threads at once.
SlidePictureCheck CheckSlidePicture(const std::string& path,
                                    const StoreBound& bound = StoreBound{},
                                    const std::shared_ptr<ScratchFile>& scratch = nullptr);

}  // namespace orlscr::mkscr
