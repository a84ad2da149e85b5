#pragma once

#include <cstdint>

namespace orlscr {

// The progress of a transition that lasts a fixed time, read from a
// millisecond tick counter (compared by unsigned subtraction, so a wrap of the
// counter does no harm). However often or seldom frames come, a transition
// reaches 100 when its time is up and not before.
class TransitionClock {
  public:
    // A transition of `durationMs` (0 or less: over at once) begins at `now`.
    void Start(uint32_t now, int32_t durationMs);
    // 0..100: the share of the time gone by at `now`, rounded down.
    int Progress(uint32_t now) const;
    bool Over(uint32_t now) const { return Progress(now) >= 100; }

  private:
    uint32_t start_ = 0;
    int32_t durationMs_ = 0;
};

}  // namespace orlscr
