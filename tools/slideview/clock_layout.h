#pragma once

#include <cstdint>

#include "raster/geometry.h"

namespace orlscr {

// Where the clock's box (box_width x box_height) stands on a screen during
// minute `minute` (minutes counted from any fixed moment): it moves every
// minute, by at least its own height in each direction, back and forth over
// the lower third of the screen inside a margin, so no pixel keeps the same
// content for more than a few minutes.
Rect ClockPlace(const Rect& screen, int32_t box_width, int32_t box_height, int64_t minute);

// Milliseconds from `ms` (a time of day or any count of milliseconds that
// starts on a whole minute) to the start of the next minute: 1..60000.
uint32_t MsToNextMinute(int64_t ms);

}  // namespace orlscr

namespace orlscr {

// The time the clock shows: the time of day at the start plus the ticks gone
// by since, `speed` times as fast (1 but in tests, which set a faster clock
// through the environment to see minutes pass in seconds).
class ClockTime {
  public:
    ClockTime(int64_t start_ms, uint32_t start_tick, int32_t speed)
        : startMs_(start_ms), startTick_(start_tick), speed_(speed < 1 ? 1 : speed) {}
    int64_t Now(uint32_t tick) const { return startMs_ + int64_t{tick - startTick_} * speed_; }
    // Real milliseconds until the clock's next minute.
    uint32_t MsToNextMinute(uint32_t tick) const;

  private:
    int64_t startMs_;
    uint32_t startTick_;
    int32_t speed_;
};

}  // namespace orlscr
