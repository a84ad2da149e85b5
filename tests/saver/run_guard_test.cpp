#include "saver/run_guard.h"

#include <gtest/gtest.h>

namespace orlscr {
namespace {

// A fake clock: the guard looks every 100 ms from `start` and the test says
// what the main thread and the desktop did meanwhile.
struct GuardRun {
    explicit GuardRun(uint32_t start = 1000) : now(start), lastInput(start - 500), lastBeat(start) {
        guard.Start(now, handled);
    }
    // Looks every 100 ms for `ms`; true when a look asked to end the run.
    bool Run(uint32_t ms, bool beating) {
        for (uint32_t t = 0; t < ms; t += 100) {
            now += 100;
            if (beating)
                lastBeat = now;
            if (guard.Check(now, lastInput, handled, lastBeat, userWait))
                return true;
        }
        return false;
    }
    RunGuard guard;
    uint32_t now;
    uint32_t lastInput;
    uint32_t lastBeat;
    uint64_t handled = 0;
    bool userWait = false;
};

TEST(RunGuardTest, StuckLoopWithUnhandledInputEndsTheRunAfterTwoSeconds) {
    GuardRun run;
    EXPECT_FALSE(run.Run(5000, false));  // stuck, but nobody asked for anything
    run.lastInput = run.now + 50;  // noticed at the next look, 50 ms later
    EXPECT_FALSE(run.Run(2000, false));
    EXPECT_TRUE(run.Run(100, false));
}

TEST(RunGuardTest, InputWhileTheLoopStillCameRoundIsOwedOnceItStops) {
    GuardRun run;
    run.lastInput = run.now + 50;  // arrives just after the last round
    EXPECT_FALSE(run.Run(900, false));
    EXPECT_TRUE(run.Run(2100, false));
}

TEST(RunGuardTest, LoopThatComesRoundOrInputThatIsHandledOwesNothing) {
    GuardRun run;
    for (int i = 0; i < 20; ++i) {
        run.lastInput = run.now + 10;  // input the exit rules never see
        EXPECT_FALSE(run.Run(500, true));
    }
    // A nested loop: the wait loop is stuck but the rules see every event.
    for (int i = 0; i < 20; ++i) {
        run.lastInput = run.now + 10;
        run.handled++;
        EXPECT_FALSE(run.Run(500, false));
    }
}

TEST(RunGuardTest, InputStampedJustAfterTheLookThatSawItHandledIsNotOwed) {
    GuardRun run;
    run.handled++;  // the rules handle an event, then the loop hangs
    EXPECT_FALSE(run.Run(100, false));
    run.lastInput = run.now + 30;  // the desktop stamps that event only now
    EXPECT_FALSE(run.Run(5000, false));
    run.lastInput = run.now + 10;  // new input is owed as ever
    EXPECT_TRUE(run.Run(2100, false));
}

TEST(RunGuardTest, OpenPasswordDialogIsNoStuckThread) {
    GuardRun run;
    run.userWait = true;
    for (int i = 0; i < 20; ++i) {
        run.lastInput = run.now + 10;
        EXPECT_FALSE(run.Run(500, false));
    }
    // Closed again without the loop coming back: the input typed into it is
    // forgiven, new input is owed.
    run.userWait = false;
    EXPECT_FALSE(run.Run(3000, false));
    run.lastInput = run.now + 10;
    EXPECT_TRUE(run.Run(2100, false));
}

TEST(RunGuardTest, RunAskedToEndThatStaysEndsAfterTheClosingTime) {
    GuardRun run;
    run.guard.Closing(run.now);
    EXPECT_FALSE(run.Run(RunGuard::kClosingMs - 100, true));
    EXPECT_TRUE(run.Run(100, true));
}

TEST(RunGuardTest, TicksAcrossTheWrapAndABeatNewerThanNow) {
    GuardRun run(0xFFFFFF00u);
    run.lastInput = run.now + 10;
    EXPECT_FALSE(run.Run(900, false));
    EXPECT_TRUE(run.Run(2100, false));
    // The main thread beat a moment after the guard read its clock.
    GuardRun late;
    late.lastInput = late.now + 10;
    for (int i = 0; i < 50; ++i) {
        late.now += 100;
        EXPECT_FALSE(late.guard.Check(late.now, late.lastInput, late.handled, late.now + 3, false));
    }
}

}  // namespace
}  // namespace orlscr
