#include "package/code_page.h"

#include <cstdint>

namespace orlscr {

namespace {

// Code points of 0x80..0x9F in Windows-1252; 0 where the byte has none.
constexpr char16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Decodes one UTF-8 sequence at text[i]; nothing (and one byte consumed) when
// it is malformed, overlong or a surrogate.
std::optional<char32_t> DecodeUtf8(std::string_view text, size_t& i) {
    auto b0 = static_cast<unsigned char>(text[i]);
    int extra;
    char32_t cp;
    if (b0 < 0x80) {
        ++i;
        return b0;
    } else if ((b0 & 0xE0) == 0xC0) {
        extra = 1;
        cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2;
        cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3;
        cp = b0 & 0x07;
    } else {
        ++i;
        return std::nullopt;
    }
    if (i + static_cast<size_t>(extra) >= text.size()) {
        ++i;
        return std::nullopt;
    }
    for (int k = 1; k <= extra; ++k) {
        auto b = static_cast<unsigned char>(text[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return std::nullopt;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    static constexpr char32_t kMin[4] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return std::nullopt;
    }
    i += static_cast<size_t>(extra) + 1;
    return cp;
}

}  // namespace

std::optional<char> CodePointToCp1252(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<char>(cp);
    for (int k = 0; k < 32; ++k)
        if (kHigh[k] != 0 && kHigh[k] == cp)
            return static_cast<char>(0x80 + k);
    return std::nullopt;
}

std::string Utf16LeToCp1252(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char32_t unit = static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < bytes.size()) {
            char32_t low = static_cast<unsigned char>(bytes[i + 2]) | (static_cast<unsigned char>(bytes[i + 3]) << 8);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                out += '?';  // outside the basic plane: no single byte
                i += 2;
                continue;
            }
        }
        out += CodePointToCp1252(unit).value_or('?');
    }
    return out;
}

std::string Utf8ToCp1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        auto cp = DecodeUtf8(text, i);
        out += cp ? CodePointToCp1252(*cp).value_or('?') : '?';
    }
    return out;
}

std::optional<std::string> Utf8ToCp1252Exact(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        auto cp = DecodeUtf8(text, i);
        if (!cp)
            return std::nullopt;
        auto c = CodePointToCp1252(*cp);
        if (!c)
            return std::nullopt;
        out += *c;
    }
    return out;
}

}  // namespace orlscr
