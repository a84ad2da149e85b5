#include "hook/source/hook_watchdog.h"

namespace orlscr {

namespace {

// Whether tick `a` lies after tick `b`, across the wrap of the counter.
bool After(uint32_t a, uint32_t b) {
    return static_cast<int32_t>(a - b) > 0;
}

}  // namespace

void HookWatchdog::Start(uint32_t now, uint64_t deliveries) {
    coveredUntil_ = now;
    deliveries_ = deliveries;
    missing_ = false;
}

bool HookWatchdog::Check(uint32_t now, uint32_t lastInput, uint64_t deliveries, uint32_t deliveredUpTo) {
    if (deliveries != deliveries_) {
        // Input that came after the delivered one, before this look, is
        // still to be delivered.
        deliveries_ = deliveries;
        if (After(deliveredUpTo, coveredUntil_))
            coveredUntil_ = deliveredUpTo;
        missing_ = false;
    }
    if (!After(lastInput, coveredUntil_))
        return false;
    if (!missing_) {
        // Only the last input is known; when several came since the last
        // look, the grace runs from the latest of them.
        missing_ = true;
        firstMissing_ = lastInput;
    }
    if (now - firstMissing_ < kGraceMs)
        return false;
    Start(now, deliveries);
    return true;
}

}  // namespace orlscr
