#include "package/trailer.h"

#include <cstdio>
#include <cstring>

#include "common/text.h"

namespace orlscr {

int32_t ParseTrailerField(std::string_view field) {
    size_t nul = field.find('\0');
    if (nul != std::string_view::npos)
        field = field.substr(0, nul);
    return ParseInt32Or0(TrimBlanks(field));
}

std::string_view FormatTrailerField(int32_t value, char (&out)[kTrailerFieldSize]) {
    char digits[16];
    int n = std::snprintf(digits, sizeof digits, "%d", static_cast<int>(value));
    std::memset(out, ' ', kTrailerFieldSize);
    std::memcpy(out, digits, static_cast<size_t>(n));
    return std::string_view(out, kTrailerFieldSize);
}

namespace {

// Reads the 20 bytes at size - distance; nothing when fewer arrive.
std::optional<int32_t> ReadField(InputFile& file, int distance) {
    int64_t size = file.Size();
    if (size < distance)
        return std::nullopt;
    char field[kTrailerFieldSize];
    file.Seek(size - distance);
    if (file.Read(field, sizeof field) != sizeof field)
        return std::nullopt;
    return ParseTrailerField(std::string_view(field, sizeof field));
}

}  // namespace

std::optional<int32_t> ReadTrailerFieldA(InputFile& file) {
    return ReadField(file, kTrailerSize);
}

std::optional<int32_t> ReadTrailerFieldB(InputFile& file) {
    return ReadField(file, kTrailerFieldSize);
}

std::optional<Trailer> ReadTrailer(InputFile& file) {
    // A file of 20 to 39 bytes still has a field B, as the record reader sees it,
    // but no complete trailer.
    auto a = ReadTrailerFieldA(file);
    auto b = ReadTrailerFieldB(file);
    if (!a || !b)
        return std::nullopt;
    return Trailer{*a, *b};
}

}  // namespace orlscr
