#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

#include "raster/fit.h"
#include "tools/slideview/monitor_layout.h"
#include "tools/slideview/slide_show.h"
#include "tools/slideview/transition_clock.h"

namespace orlscr {
namespace {

// ---------------------------------------------------------------------------
// Monitors

TEST(MonitorLayout, EveryMonitorGetsItsWindowAndThePrimaryComesFirst) {
    // A laptop panel at 144 DPI as primary, a monitor on its left (negative
    // origin), a portrait one above-right.
    const std::vector<MonitorInfo> monitors{
        {{-1920, 0, 0, 1080}, 96, false},
        {{0, 0, 2880, 1800}, 144, true},
        {{2880, -600, 4080, 1320}, 0, false},
    };
    const MonitorLayout layout = LayOutMonitors(monitors, {0, 0, 800, 600});
    EXPECT_EQ(layout.desktop, (Rect{-1920, -600, 4080, 1800}));
    ASSERT_EQ(layout.screens.size(), 3u);
    EXPECT_EQ(layout.screens[0], (ScreenPlace{{0, 0, 2880, 1800}, 144}));
    EXPECT_EQ(layout.screens[1], (ScreenPlace{{-1920, 0, 0, 1080}, 96}));
    EXPECT_EQ(layout.screens[2], (ScreenPlace{{2880, -600, 4080, 1320}, 96}));  // no DPI given: standard

    // Each screen fits the same photo to its own shape.
    std::vector<Rect> dests;
    for (const ScreenPlace& screen : layout.screens)
        dests.push_back(PlacePicture(4000, 3000, screen.Width(), screen.Height(), SlideFit::kContain, 2).dest);
    EXPECT_EQ(dests, (std::vector<Rect>{{240, 0, 2640, 1800}, {240, 0, 1680, 1080}, {0, 510, 1200, 1410}}));
    // The text of a message grows with the DPI.
    EXPECT_EQ(TextPixels(14, 96), 19);
    EXPECT_EQ(TextPixels(14, 144), 28);
}

TEST(MonitorLayout, MirroredEmptyOrMissingMonitorsLeaveOneWindowPerArea) {
    // A mirrored display reported inside a larger one, an empty one, and a
    // primary that another monitor's rectangle holds.
    const MonitorLayout layout = LayOutMonitors(
        {
            {{0, 0, 1280, 1024}, 96, true},
            {{0, 0, 1024, 768}, 96, false},
            {{5000, 0, 5000, 900}, 96, false},
            {{-1280, -1024, 0, 0}, 120, false},
            {{-1280, -1024, 0, 0}, 120, false},
        },
        {0, 0, 800, 600});
    ASSERT_EQ(layout.screens.size(), 2u);
    EXPECT_EQ(layout.screens[0].window, (Rect{0, 0, 1280, 1024}));
    EXPECT_EQ(layout.screens[1].window, (Rect{-1280, -1024, 0, 0}));
    EXPECT_EQ(layout.desktop, (Rect{-1280, -1024, 1280, 1024}));

    const MonitorLayout grown = LayOutMonitors({{{0, 0, 1024, 768}, 96, true}, {{0, 0, 1920, 1080}, 120, false}},
                                               {0, 0, 800, 600});
    ASSERT_EQ(grown.screens.size(), 1u);
    EXPECT_EQ(grown.screens[0], (ScreenPlace{{0, 0, 1920, 1080}, 120}));

    const MonitorLayout none = LayOutMonitors({}, {0, 0, 800, 600});
    ASSERT_EQ(none.screens.size(), 1u);
    EXPECT_EQ(none.screens[0], (ScreenPlace{{0, 0, 800, 600}, 96}));
    EXPECT_EQ(none.desktop, (Rect{0, 0, 800, 600}));
}

// ---------------------------------------------------------------------------
// Transitions by time

TEST(TransitionClock, ProgressFollowsTheTimeWhateverTheFrameRate) {
    TransitionClock clock;
    clock.Start(1000, 1000);
    EXPECT_EQ(clock.Progress(1000), 0);
    EXPECT_EQ(clock.Progress(1009), 0);
    EXPECT_EQ(clock.Progress(1010), 1);
    EXPECT_EQ(clock.Progress(1500), 50);
    EXPECT_EQ(clock.Progress(1999), 99);
    EXPECT_FALSE(clock.Over(1999));
    EXPECT_EQ(clock.Progress(2000), 100);
    EXPECT_TRUE(clock.Over(2000));
    EXPECT_EQ(clock.Progress(90000), 100);  // a frame that came late ends it at once

    // The tick counter wraps during the transition.
    clock.Start(0xFFFFFF00u, 1200);
    EXPECT_EQ(clock.Progress(0xFFFFFF00u + 600), 50);
    EXPECT_EQ(clock.Progress(1200 - 0x100), 100);

    // A transition of no time, and a very long one without overflow.
    clock.Start(5, 0);
    EXPECT_EQ(clock.Progress(5), 100);
    clock.Start(0, kMaxTransitionMs);
    EXPECT_EQ(clock.Progress(kMaxTransitionMs / 2), 50);
}

// ---------------------------------------------------------------------------
// The order and the draws of a run

std::vector<Slide> Named(int count) {
    std::vector<Slide> slides(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        slides[i].fileName = std::to_string(i);
    return slides;
}

// The running order and the first styles drawn in one run of a 20-slide show.
std::string DrawRun(const ShowOptions& show, uint32_t fresh) {
    RandomGenerator random = ShowRandom(show, fresh);
    std::string run;
    for (const Slide& slide : RunningOrder(Named(20), show.order, random))
        run += slide.fileName + " ";
    for (int i = 0; i < 5; ++i)
        run += "s" + std::to_string(ChooseTransitionStyle(Slide{}, kMaxSlideStyle, random)) + " ";
    return run;
}

TEST(ShowRandom, AFixedSeedRepeatsARunAndEveryOtherRunDiffers) {
    ShowOptions shuffled;
    shuffled.order = SlideOrder::kShuffle;
    shuffled.seed = 42;
    EXPECT_EQ(DrawRun(shuffled, 1), DrawRun(shuffled, 2));  // the list's seed wins over the fresh one
    ShowOptions other = shuffled;
    other.seed = 43;
    EXPECT_NE(DrawRun(shuffled, 1), DrawRun(other, 1));

    // Without a seed, runs with different fresh values differ.
    shuffled.seed.reset();
    EXPECT_NE(DrawRun(shuffled, 1), DrawRun(shuffled, 2));

    // The shuffle is a real permutation; the list order keeps the order and
    // leaves the generator to the styles.
    RandomGenerator random = ShowRandom(shuffled, 7);
    std::vector<Slide> order = RunningOrder(Named(20), SlideOrder::kShuffle, random);
    std::vector<bool> seen(20, false);
    for (const Slide& slide : order)
        seen[std::stoi(slide.fileName)] = true;
    EXPECT_EQ(std::count(seen.begin(), seen.end(), true), 20);
    RandomGenerator untouched = ShowRandom(ShowOptions{}, 7);
    std::vector<Slide> listed = RunningOrder(Named(3), SlideOrder::kList, untouched);
    EXPECT_EQ(listed[0].fileName + listed[1].fileName + listed[2].fileName, "012");
    EXPECT_EQ(untouched.State(), 7u);
}

}  // namespace
}  // namespace orlscr
