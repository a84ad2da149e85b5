#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orlscr {

// Single-byte text of the record is Windows-1252 wherever a code page must be
// assumed: wide and UTF-8 strings read from a stream are converted to it, and
// the builder converts its UTF-8 arguments to it on systems that are not Windows.

// A Unicode code point as a Windows-1252 byte; nothing when it has none.
std::optional<char> CodePointToCp1252(char32_t cp);

// UTF-16LE bytes (2 per character) as Windows-1252; characters without a byte,
// lone surrogates included, become '?'.
std::string Utf16LeToCp1252(std::string_view bytes);

// UTF-8 as Windows-1252; malformed sequences and characters without a byte
// become '?'.
std::string Utf8ToCp1252(std::string_view text);

// UTF-8 as Windows-1252, or nothing when the text is not valid UTF-8 or holds a
// character that Windows-1252 lacks.
std::optional<std::string> Utf8ToCp1252Exact(std::string_view text);

}  // namespace orlscr
