#include "tools/slideview/transition_clock.h"

namespace orlscr {

void TransitionClock::Start(uint32_t now, int32_t duration_ms) {
    start_ = now;
    duration_ms_ = duration_ms;
}

int TransitionClock::Progress(uint32_t now) const {
    if (duration_ms_ <= 0)
        return 100;
    const uint64_t elapsed = static_cast<uint32_t>(now - start_);
    if (elapsed >= static_cast<uint64_t>(duration_ms_))
        return 100;
    return static_cast<int>(elapsed * 100 / static_cast<uint64_t>(duration_ms_));
}

}  // namespace orlscr
