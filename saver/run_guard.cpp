#include "saver/run_guard.h"

#include <cstdint>

namespace orlscr {

namespace {

// Whether tick `a` lies after tick `b`, across the wrap of the counter.
bool After(uint32_t a, uint32_t b) {
    return static_cast<int32_t>(a - b) > 0;
}

// Milliseconds from `from` to `to`; negative when `to` lies before `from`
// (a tick another thread read a moment later than this one's now).
int64_t Elapsed(uint32_t to, uint32_t from) {
    return static_cast<int32_t>(to - from);
}

}  // namespace

void RunGuard::Start(uint32_t now, uint64_t handled) {
    coveredUntil_ = now;
    handled_ = handled;
    pending_ = false;
}

void RunGuard::Closing(uint32_t now) {
    if (closing_)
        return;
    closing_ = true;
    closingSince_ = now;
}

bool RunGuard::Check(uint32_t now, uint32_t lastInput, uint64_t handled, uint32_t lastBeat, bool userWait) {
    if (closing_ && Elapsed(now, closingSince_) >= static_cast<int64_t>(kClosingMs))
        return true;
    // Handled input, or a dialog the user types into: nothing so far is owed.
    if (handled != handled_ || userWait) {
        Start(now, handled);
        coveredUntil_ = now + kStampLagMs;
        return false;
    }
    // A loop that comes round has had its chance at the input before its last
    // round; input after it is not yet owed.
    if (Elapsed(now, lastBeat) < static_cast<int64_t>(kStuckMs)) {
        if (After(lastBeat, coveredUntil_))
            coveredUntil_ = lastBeat;
        pending_ = false;
        return false;
    }
    if (!After(lastInput, coveredUntil_))
        return false;
    if (!pending_) {
        pending_ = true;
        pendingSince_ = now;
    }
    return Elapsed(now, pendingSince_) >= static_cast<int64_t>(kUnhandledMs);
}

}  // namespace orlscr
