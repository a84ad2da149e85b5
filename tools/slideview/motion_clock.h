#pragma once

#include <cstdint>

namespace orlscr {

// The parts of a moving slide's time on screen: it moves from the start of
// the transition that brings it in to the end of the one that takes it away.
enum class MotionPhase : uint8_t { kIn, kStay, kOut };

// The time along a moving slide's path (0..1, as MotionAt takes it), read
// from a millisecond tick counter (compared by unsigned subtraction). The
// path is shared out over the transition in, the stay and the transition out
// in proportion to the times planned for them. Each phase is timed on its own
// from its start and clamped to its share, so a phase that lasts longer or
// shorter than planned (the next slide's transition has another length, a
// timer comes late) only runs slower or faster: the end of one phase and the
// start of the next are the same place on the path, and nothing jumps.
class MotionClock {
  public:
    // The planned lengths of the three phases (a negative one counts as 0).
    void Plan(int32_t inMs, int32_t stayMs, int32_t outMs);
    // `phase` begins at `now` and lasts `durationMs` (0 or less: over at once).
    void Start(MotionPhase phase, uint32_t now, int32_t durationMs);
    double At(uint32_t now) const;
    // The path time where `phase` begins (kOut's end is 1).
    double PhaseStart(MotionPhase phase) const { return starts_[static_cast<int>(phase)]; }
    double PhaseEnd(MotionPhase phase) const { return starts_[static_cast<int>(phase) + 1]; }
    bool Over(uint32_t now) const;

  private:
    // Non-decreasing, from 0 to 1: the path time at the start of each phase and at the end.
    double starts_[4] = {0, 0, 1, 1};
    MotionPhase phase_ = MotionPhase::kIn;
    uint32_t start_ = 0;
    int32_t durationMs_ = 0;
};

}  // namespace orlscr
