#include "tools/slideview/caption_text.h"

#include <cstdio>
#include <vector>

#include "common/c_file.h"
#include "picture/exif.h"

namespace orlscr {

namespace {

// How much of a picture file is read for its EXIF block: a JPEG's lies in
// its first segments, within 64 KB.
constexpr size_t kExifReadBytes = size_t{256} << 10;

int Digits(std::string_view text) {
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::string Padded(int value, size_t width) {
    std::string text = std::to_string(value);
    if (text.size() < width)
        text.insert(0, width - text.size(), '0');
    return text;
}

}  // namespace

std::optional<CalendarDate> ParseExifDate(std::string_view text) {
    if (text.size() < 10 || text[4] != ':' || text[7] != ':')
        return std::nullopt;
    const CalendarDate date{Digits(text.substr(0, 4)), Digits(text.substr(5, 2)), Digits(text.substr(8, 2))};
    if (date.year < 1 || date.month < 1 || date.month > 12 || date.day < 1 || date.day > 31)
        return std::nullopt;
    return date;
}

std::string FormatDatePattern(std::string_view pattern, const CalendarDate& date) {
    std::string text;
    for (size_t i = 0; i < pattern.size();) {
        const char c = pattern[i];
        if (c == '\'' && i + 1 < pattern.size() && pattern[i + 1] == '\'') {
            text += '\'';
            i += 2;
            continue;
        }
        if (c == '\'') {
            size_t end = i + 1;
            for (; end < pattern.size(); ++end) {
                if (pattern[end] != '\'')
                    text += pattern[end];
                else if (end + 1 < pattern.size() && pattern[end + 1] == '\'')
                    text += pattern[++end];
                else
                    break;
            }
            i = end + 1;
            continue;
        }
        size_t run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c)
            ++run;
        if (c == 'd')
            text += Padded(date.day, run >= 2 ? 2 : 1);
        else if (c == 'M')
            text += Padded(date.month, run >= 2 ? 2 : 1);
        else if (c == 'y')
            text += run <= 2 ? Padded(date.year % 100, run == 2 ? 2 : 1) : Padded(date.year, 4);
        else
            text.append(run, c);
        i += run;
    }
    return text;
}

std::string NameWithoutExtension(std::string_view file_name) {
    const size_t dot = file_name.find_last_of('.');
    if (dot == std::string_view::npos || dot == 0)
        return std::string(file_name);
    return std::string(file_name.substr(0, dot));
}

std::string SlideCaption(const Slide& slide,
                         CaptionMode mode,
                         const std::optional<std::string>& exif_date,
                         const std::optional<CalendarDate>& file_date,
                         const DateFormatter& format) {
    if (slide.caption)
        return *slide.caption;
    switch (mode) {
        case CaptionMode::kName:
            return NameWithoutExtension(slide.fileName);
        case CaptionMode::kDate: {
            std::optional<CalendarDate> date = exif_date ? ParseExifDate(*exif_date) : std::nullopt;
            if (!date)
                date = file_date;
            return date ? format.Format(*date) : std::string();
        }
        case CaptionMode::kNone:
        case CaptionMode::kText:
            break;
    }
    return {};
}

std::optional<std::string> PhotoDateOf(const std::string& path) {
    UniqueCFile file(std::fopen(path.c_str(), "rb"));  // a path in the system code page, as the list gives it
    if (!file)
        return std::nullopt;
    std::vector<uint8_t> bytes(kExifReadBytes);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file.get()));
    return ReadExif(bytes.data(), bytes.size()).dateTaken;
}

}  // namespace orlscr
