#pragma once

// The slide viewer's text on the slides through the platform: the overlay
// font's text widths and coverage masks (for overlay_paint.h), the user's
// date and time formats, and a file's time.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "builder/slide_list.h"
#include "raster/bitmap.h"
#include "tools/slideview/caption_text.h"
#include "tools/slideview/slide_decor.h"

namespace orlscr {

// The overlay font through GDI: a semi-bold sans-serif face, antialiased.
class SystemOverlayFont : public OverlayFont {
  public:
    int32_t Width(std::string_view text, int32_t height) const override;
    Bitmap Mask(const std::string& text,
                int32_t height,
                int32_t width,
                int32_t mask_height,
                int32_t x,
                int32_t y) const override;
};

// Dates in the user's short date format (GetDateFormatEx, the user's locale).
class UserDateFormatter : public DateFormatter {
  public:
    std::string Format(const CalendarDate& date) const override;
};

// The local date of a file's last change; nullopt when it cannot be read.
std::optional<CalendarDate> FileDateOf(const std::string& path);

// The local time now, in milliseconds since 1601 (whole minutes fall on
// multiples of 60000).
int64_t LocalTimeMs();

// The clock's text for a local time of LocalTimeMs's kind: the time of day in
// the user's format without seconds, after the user's short date for
// ClockMode::kDate.
std::string ClockText(int64_t local_ms, ClockMode mode);

}  // namespace orlscr
