#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orlscr {

// The few EXIF facts the slide show uses, read from the EXIF block of a JPEG
// (its APP1 "Exif" segment) or a PNG (its eXIf chunk). A missing or damaged
// block gives the defaults: nothing here throws, and nothing is read outside
// the bytes given.
struct ExifData {
    // How the stored rows must be turned to show the picture upright, 1 to 8
    // as the EXIF Orientation tag counts: 1 as stored, 2 mirrored left to
    // right, 3 turned half round, 4 mirrored top to bottom, 5 mirrored along
    // the main diagonal, 6 turned a quarter clockwise, 7 mirrored along the
    // other diagonal, 8 turned a quarter anticlockwise.
    int orientation = 1;
    // DateTimeOriginal as written, "YYYY:MM:DD HH:MM:SS"; none when absent or
    // blank.
    std::optional<std::string> dateTaken;
};

// A TIFF-structured EXIF block ("II*\0" or "MM\0*", then the directories).
ExifData ParseExifBlock(const uint8_t* data, size_t size);

// The EXIF block of a JPEG or PNG file; empty when there is none.
std::string_view FindExifBlock(const uint8_t* data, size_t size);

// Both at once, from a whole picture file.
ExifData ReadExif(const uint8_t* data, size_t size);
inline ExifData ReadExif(std::string_view bytes) {
    return ReadExif(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// When the photo was taken, from a whole picture file's EXIF block.
inline std::optional<std::string> ExifDateTaken(std::string_view fileBytes) {
    return ReadExif(fileBytes).dateTaken;
}

}  // namespace orlscr
