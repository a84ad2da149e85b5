#include "hook/source/hook_watchdog.h"

#include <gtest/gtest.h>

namespace orlscr {
namespace {

// A run as the saver's wait loop sees it: a look every 100 ms, the desktop's
// last input and the watch's delivery count as they stand at each look.
class WatchdogRun {
  public:
    explicit WatchdogRun(uint32_t start = 5000) : now(start) { watchdog.Start(now, deliveries); }

    // Input a millisecond from now; the hook delivers it or not.
    void Input(bool delivered) {
        lastInput = ++now;
        if (delivered)
            Deliver();
    }
    // A notification handled now, when the desktop's last input is lastInput.
    void Deliver() {
        ++deliveries;
        deliveredUpTo = lastInput;
    }
    bool Look() { return watchdog.Check(now += 100, lastInput, deliveries, deliveredUpTo); }
    // Passes of the loop until the watchdog asks for a re-install; how many
    // milliseconds that took, or -1 within `limitMs`.
    int PassesUntilReinstall(int limitMs = 5000) {
        for (int waited = 100; waited <= limitMs; waited += 100) {
            now += 100;
            if (watchdog.Check(now, lastInput, deliveries, deliveredUpTo))
                return waited;
        }
        return -1;
    }

    HookWatchdog watchdog;
    uint32_t now;
    uint32_t lastInput = 0;
    uint64_t deliveries = 0;
    uint32_t deliveredUpTo = 0;
};

TEST(HookWatchdog, DeliveredInputNeverAsksForAReinstall) {
    WatchdogRun run;
    EXPECT_EQ(run.PassesUntilReinstall(), -1);  // no input at all
    for (int i = 0; i < 30; ++i) {
        run.Input(true);
        EXPECT_FALSE(run.Look());
    }
    EXPECT_EQ(run.PassesUntilReinstall(), -1);
}

TEST(HookWatchdog, InputLeftUndeliveredForASecondAsksOnce) {
    WatchdogRun run;
    run.Input(true);
    EXPECT_FALSE(run.Look());
    run.Input(false);  // the hook was dropped
    EXPECT_EQ(run.PassesUntilReinstall(), 1000);
    // The same lost input does not ask again.
    EXPECT_EQ(run.PassesUntilReinstall(), -1);
    // Input after the re-install that is delivered is fine; lost again asks again.
    run.Input(true);
    EXPECT_EQ(run.PassesUntilReinstall(), -1);
    run.Input(false);
    EXPECT_EQ(run.PassesUntilReinstall(), 1000);
}

TEST(HookWatchdog, ContinuousLostInputStillAsksAfterASecond) {
    // The user keeps moving the mouse; the grace runs from the first lost event.
    WatchdogRun run;
    run.Input(false);
    const uint32_t first = run.lastInput;
    while (!run.Look() && run.now - first < 3000)
        run.Input(false);
    EXPECT_GE(run.now - first, HookWatchdog::kGraceMs);
    EXPECT_LT(run.now - first, HookWatchdog::kGraceMs + 200);
}

TEST(HookWatchdog, LateDeliveryWithinTheGraceAsksNothing) {
    // A receiver that is busy (a password dialog) takes its records late.
    WatchdogRun run;
    run.Input(false);
    for (int i = 0; i < 8; ++i)
        EXPECT_FALSE(run.Look());
    run.Deliver();
    EXPECT_EQ(run.PassesUntilReinstall(), -1);
}

TEST(HookWatchdog, InputLostRightAfterADeliveredOneStillAsks) {
    // Both come between two looks: the look sees the count change, yet the
    // later input was never delivered.
    WatchdogRun run;
    run.Input(true);
    run.Input(false);
    EXPECT_EQ(run.PassesUntilReinstall(), 1000);
}

TEST(HookWatchdog, TickCounterWrapDoesNotMatter) {
    WatchdogRun run(0xFFFFFF00u);
    run.Input(false);
    EXPECT_EQ(run.PassesUntilReinstall(), 1000);
    EXPECT_LT(run.now, 0x1000u);  // wrapped meanwhile
    run.Input(true);
    EXPECT_EQ(run.PassesUntilReinstall(), -1);
}

}  // namespace
}  // namespace orlscr
