#include "tools/slideview/transition_clock.h"

namespace orlscr {

void TransitionClock::Start(uint32_t now, int32_t durationMs) {
    start_ = now;
    durationMs_ = durationMs;
}

int TransitionClock::Progress(uint32_t now) const {
    if (durationMs_ <= 0)
        return 100;
    const uint64_t elapsed = static_cast<uint32_t>(now - start_);
    if (elapsed >= static_cast<uint64_t>(durationMs_))
        return 100;
    return static_cast<int>(elapsed * 100 / static_cast<uint64_t>(durationMs_));
}

}  // namespace orlscr
