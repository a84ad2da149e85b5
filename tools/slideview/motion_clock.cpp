#include "tools/slideview/motion_clock.h"

#include <algorithm>

namespace orlscr {

void MotionClock::Plan(int32_t inMs, int32_t stayMs, int32_t outMs) {
    const double in = std::max(inMs, 0), stay = std::max(stayMs, 0), out = std::max(outMs, 0);
    const double total = in + stay + out;
    starts_[0] = 0;
    if (total <= 0) {  // nothing planned: the stay takes the whole path
        starts_[1] = 0;
        starts_[2] = 1;
    } else {
        starts_[1] = in / total;
        starts_[2] = out > 0 ? (in + stay) / total : 1;
    }
    starts_[3] = 1;
}

void MotionClock::Start(MotionPhase phase, uint32_t now, int32_t durationMs) {
    phase_ = phase;
    start_ = now;
    durationMs_ = durationMs;
}

bool MotionClock::Over(uint32_t now) const {
    return durationMs_ <= 0 || static_cast<uint32_t>(now - start_) >= static_cast<uint32_t>(durationMs_);
}

double MotionClock::At(uint32_t now) const {
    const double from = PhaseStart(phase_), to = PhaseEnd(phase_);
    if (Over(now))
        return to;
    const double share = static_cast<uint32_t>(now - start_) / static_cast<double>(durationMs_);
    return from + (to - from) * share;
}

}  // namespace orlscr
