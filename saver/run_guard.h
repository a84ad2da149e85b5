#pragma once

#include <atomic>
#include <cstdint>

namespace orlscr {

// Decides when a run whose main thread is stuck must be ended from outside
// it: a driver that never returns, a nested loop that never gives the wait
// loop back, an exit-rule handler that is no longer attached. The guard
// thread looks a few times a second and is told, at every look:
//   now        the tick count of now;
//   lastInput  the tick count of the desktop's last input event;
//   handled    how many input events the exit rules have looked at so far;
//   lastBeat   the tick count at which the main thread's wait loop last came
//              round;
//   userWait   whether the main thread legitimately waits for the user (the
//              password dialog is open).
//
// The run is to be ended when input has stayed unhandled for kUnhandledMs
// while the wait loop has not come round for kStuckMs. A wait loop that comes
// round looks after its own input (it installs dropped hooks again), and
// input the exit rules looked at is handled whether or not it ended the run.
// Input counts as handled when the count changed after it, and so does input
// stamped up to kStampLagMs after the look that saw the count change: a
// desktop may stamp an event's tick only once the hooks have passed it on, a
// moment after the exit rules handled it. Once the run was
// asked to end, a process still alive kClosingMs later is ended too.
//
// Tick counts wrap after 2^32 ms; every comparison is a difference.
// What the main thread tells the guard thread, as it happens.
struct RunPulse {
    // The run is on (start-up complete); before it the guard does nothing.
    std::atomic<bool> running{false};
    std::atomic<bool> userWait{false};
    std::atomic<bool> closing{false};
    std::atomic<uint32_t> lastBeat{0};
    std::atomic<uint64_t> handled{0};
};

class RunGuard {
  public:
    static constexpr uint32_t kUnhandledMs = 2000;
    static constexpr uint32_t kStuckMs = 1000;
    static constexpr uint32_t kClosingMs = 10000;
    static constexpr uint32_t kStampLagMs = 250;

    void Start(uint32_t now, uint64_t handled);
    // The run was asked to end at `now`.
    void Closing(uint32_t now);

    // One look. True when the guard must end the run now.
    bool Check(uint32_t now, uint32_t lastInput, uint64_t handled, uint32_t lastBeat, bool userWait);

  private:
    uint32_t coveredUntil_ = 0;  // input up to here was handled or forgiven
    uint64_t handled_ = 0;
    bool pending_ = false;  // unhandled input since pendingSince_
    uint32_t pendingSince_ = 0;
    bool closing_ = false;
    uint32_t closingSince_ = 0;
};

}  // namespace orlscr
