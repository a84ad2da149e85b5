#include "common/text.h"

#include <limits>

namespace orlscr {

std::string UpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string LowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

static bool IsBlank(char c) {
    auto u = static_cast<unsigned char>(c);
    return u >= 1 && u <= 32;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::optional<int32_t> ParseInt32(std::string_view text) {
    // The blanks ParseWholeNumber allows around the number are not allowed here.
    if (text != TrimBlanks(text))
        return std::nullopt;
    if (const std::optional<int64_t> value =
            ParseWholeNumber(text, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()))
        return static_cast<int32_t>(*value);
    return std::nullopt;
}

std::optional<int64_t> ParseWholeNumber(std::string_view text, int64_t low, int64_t high) {
    text = TrimBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        // Past every 64-bit bound the caller can give: out of range whatever follows.
        if (value > (std::numeric_limits<int64_t>::max() - 9) / 10)
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (negative)
        value = -value;
    if (value < low || value > high)
        return std::nullopt;
    return value;
}

std::optional<int32_t> ParseProfileInteger(std::string_view text) {
    text = TrimBlanks(text);
    std::string_view digits;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        digits = text.substr(2);
    else if (text.size() > 1 && text[0] == '$')
        digits = text.substr(1);
    else
        return ParseInt32(text);
    uint64_t value = 0;
    for (char c : digits) {
        int digit = c >= '0' && c <= '9'   ? c - '0'
                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                           : -1;
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + static_cast<uint64_t>(digit);
        if (value > 0xFFFFFFFFu)
            return std::nullopt;
    }
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

std::string Cp1252ToUtf8(std::string_view text) {
    // Code points of 0x80..0x9F in Windows-1252; 0 marks an unassigned byte.
    static const char16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                       0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                       0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                       0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        auto b = static_cast<unsigned char>(ch);
        char32_t cp = b;
        if (b >= 0x80 && b < 0xA0)
            cp = kHigh[b - 0x80] ? kHigh[b - 0x80] : 0xFFFD;
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

}  // namespace orlscr
