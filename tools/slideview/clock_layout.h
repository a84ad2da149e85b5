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
