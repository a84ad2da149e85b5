#include "tools/slideview/clock_layout.h"

#include <algorithm>

namespace orlscr {

namespace {

// A walk of `step` a minute back and forth over 0..range.
int32_t BackAndForth(int64_t minute, int32_t step, int32_t range) {
    if (range <= 0)
        return 0;
    const int64_t period = 2 * int64_t{range};
    int64_t at = (minute % period + period) % period * step % period;
    return static_cast<int32_t>(at <= range ? at : period - at);
}

}  // namespace

Rect ClockPlace(const Rect& screen, int32_t box_width, int32_t box_height, int64_t minute) {
    const int32_t margin = box_height;
    const int32_t room_x = screen.Width() - 2 * margin - box_width;
    const int32_t band_top = screen.top + screen.Height() * 2 / 3;
    const int32_t room_y = screen.bottom - margin - box_height - band_top;
    const int32_t step = std::max(box_height, 1);
    const int32_t x = screen.left + margin + BackAndForth(minute, step * 3, std::max(room_x, 0));
    const int32_t y = std::max(band_top + BackAndForth(minute, step, std::max(room_y, 0)), screen.top);
    return {x, y, x + box_width, y + box_height};
}

uint32_t MsToNextMinute(int64_t ms) {
    const int64_t into = (ms % 60000 + 60000) % 60000;
    return static_cast<uint32_t>(60000 - into);
}

}  // namespace orlscr

namespace orlscr {

uint32_t ClockTime::MsToNextMinute(uint32_t tick) const {
    return (orlscr::MsToNextMinute(Now(tick)) + static_cast<uint32_t>(speed_) - 1) / static_cast<uint32_t>(speed_);
}

}  // namespace orlscr
