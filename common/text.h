#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orlscr {

// Single-byte text in the system code page is kept in std::string as it is;
// only the letters a to z are changed by the case conversions.
std::string UpperAscii(std::string_view text);
std::string LowerAscii(std::string_view text);

// Removes leading and trailing characters with codes 1 to 32.
std::string_view TrimBlanks(std::string_view text);

// A signed 32-bit decimal integer with an optional sign and nothing else;
// nullopt for anything else, including values out of range.
std::optional<int32_t> ParseInt32(std::string_view text);

// ParseInt32, with 0 for text that is not a valid integer.
inline int32_t ParseInt32Or0(std::string_view text) {
    return ParseInt32(text).value_or(0);
}

// A whole decimal number from `low` to `high`, with an optional sign and
// blanks around it; nullopt for anything else. The one number reader of the
// command lines and the slide list.
std::optional<int64_t> ParseWholeNumber(std::string_view text, int64_t low, int64_t high);

// An integer as the initialisation files hold it: decimal with an optional
// sign, or a 32-bit hexadecimal value after "0x" or "$" (so "0xFFFFFFFF" is
// -1); blanks around it are ignored. nullopt for anything else.
std::optional<int32_t> ParseProfileInteger(std::string_view text);

// Windows-1252 text as UTF-8 (bytes without a character map to U+FFFD).
std::string Cp1252ToUtf8(std::string_view text);

}  // namespace orlscr
