#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "builder/slide_list.h"

namespace orlscr {

struct CalendarDate {
    int year = 0;
    int month = 0;  // 1..12
    int day = 0;    // 1..31
    friend bool operator==(const CalendarDate&, const CalendarDate&) = default;
};

// The date of an EXIF date and time ("YYYY:MM:DD HH:MM:SS"); nullopt when it
// is not one (blank, zeros, out of range).
std::optional<CalendarDate> ParseExifDate(std::string_view text);

// Writes a date in the user's own format. The Windows one asks the system
// for the user's locale; tests give a fixed pattern.
class DateFormatter {
  public:
    virtual ~DateFormatter() = default;
    virtual std::string Format(const CalendarDate& date) const = 0;
};

// A date written by a short-date pattern as locales give them: d, dd, M, MM,
// yy, yyyy for the day, month and year, text in single quotes as it is ('' a
// quote), any other character as it is.
std::string FormatDatePattern(std::string_view pattern, const CalendarDate& date);

class PatternDateFormatter : public DateFormatter {
  public:
    explicit PatternDateFormatter(std::string pattern) : pattern_(std::move(pattern)) {}
    std::string Format(const CalendarDate& date) const override { return FormatDatePattern(pattern_, date); }

  private:
    std::string pattern_;
};

// The file name without its extension ("IMG 0042.jpg" -> "IMG 0042").
std::string NameWithoutExtension(std::string_view file_name);

// What a slide's caption says: its own caption when it has one, else what
// `mode` asks for: the name, or the date the photo was taken (the EXIF date,
// else `file_date`, the file's time) in the user's format. Empty: no caption.
std::string SlideCaption(const Slide& slide,
                         CaptionMode mode,
                         const std::optional<std::string>& exif_date,
                         const std::optional<CalendarDate>& file_date,
                         const DateFormatter& format);

// The EXIF date of the picture file at `path`, read from its first part only
// (where a photo's EXIF block lies); nullopt when there is none or the file
// cannot be read.
std::optional<std::string> PhotoDateOf(const std::string& path);

}  // namespace orlscr
