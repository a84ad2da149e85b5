#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "package/input_file.h"

namespace orlscr {

// The last 40 bytes of a package: two decimal text fields of 20 bytes each,
// left-aligned and padded with blanks.
//   A (file size - 40): bytes from the start of the preview picture stream to
//     the start of the trailer.
//   B (file size - 20): absolute offset of the settings record stream.
constexpr int kTrailerSize = 40;
constexpr int kTrailerFieldSize = 20;

// One field: the bytes up to the first NUL, without leading and trailing codes
// 1..32, as a signed 32-bit decimal integer; 0 when that is not a valid integer.
int32_t ParseTrailerField(std::string_view field);

// The 20-byte text of a field as the builder writes it.
std::string_view FormatTrailerField(int32_t value, char (&out)[kTrailerFieldSize]);

struct Trailer {
    int32_t a = 0;  // preview stream, counted back from the trailer
    int32_t b = 0;  // settings record offset
};

// Both fields; nothing when the file is shorter than the trailer.
std::optional<Trailer> ReadTrailer(InputFile& file);

// Field A alone (the preview reads nothing else); nothing for a short file.
std::optional<int32_t> ReadTrailerFieldA(InputFile& file);

// Field B alone (the settings record reader); nothing for a short file.
std::optional<int32_t> ReadTrailerFieldB(InputFile& file);

// Absolute offset of the preview stream that field A leads to.
inline int64_t PreviewStreamOffset(int64_t fileSize, int32_t fieldA) {
    return fileSize - kTrailerSize - fieldA;
}

}  // namespace orlscr
