// An animated slide's frames over time, and how a slide's picture is loaded.

#include "tools/slideview/slide_animation.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/error.h"
#include "picture/gif_test_files.h"

namespace orlscr {
namespace {

using test::AnimatedGif;
using test::Bytes;

// Red 100 ms, green 200 ms, blue 300 ms, all over the screen.
const std::vector<test::Frame> kThree = {{0, 4, 0, 1, 10}, {0, 4, 1, 1, 20}, {0, 4, 2, 1, 30}};

int Red(const SlideAnimation& a) {
    return a.Frame().Row(0)[2];
}

TEST(SlideAnimation, FramesFallDueByTheirDelaysAndLoopAsOftenAsTheFileSays) {
    SlideAnimation once(AnimatedGif(kThree, 1));  // played twice
    EXPECT_EQ(Red(once), 255);
    once.Start(4000000000u);  // the tick counter wraps during the run
    EXPECT_EQ(once.WaitMs(4000000000u), 100u);
    EXPECT_FALSE(once.Update(4000000099u));
    std::vector<int> frames;
    uint32_t now = 4000000000u;
    for (int step = 0; step < 10 && once.WaitMs(now); ++step) {
        now += *once.WaitMs(now);
        if (once.Update(now))
            frames.push_back(once.FrameIndex());
    }
    EXPECT_EQ(frames, (std::vector<int>{2, 3, 1, 2, 3}));
    EXPECT_FALSE(once.WaitMs(now).has_value());  // over: the last frame stays
    EXPECT_EQ(once.Frame().Row(0)[0], 255);      // blue

    // Late by a second: the next frame, then its whole delay; no burst.
    SlideAnimation forever(AnimatedGif(kThree, 0));
    forever.Start(0);
    EXPECT_TRUE(forever.Update(1000));
    EXPECT_EQ(forever.WaitMs(1000), 200u);
    EXPECT_FALSE(forever.Update(1100));
}

TEST(SlideAnimation, LoadSlidePlaysOnlyAnimatedGifsAndOnlyWhenNotStill) {
    const auto folder = std::filesystem::path(::testing::TempDir()) / "slide_animation_test";
    std::filesystem::create_directories(folder);
    auto write = [&](const char* name, const Bytes& bytes) {
        std::ofstream(folder / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return (folder / name).string();
    };
    const std::string moving = write("moving.gif", AnimatedGif(kThree, 0));
    const std::string still = write("still.gif", AnimatedGif({kThree[1]}, 0));
    EXPECT_TRUE(LoadSlide(moving, 0, 0, false).animation);
    const LoadedSlide first = LoadSlide(moving, 0, 0, true);
    EXPECT_FALSE(first.animation);
    EXPECT_EQ(first.Shown().Row(0)[2], 255);
    EXPECT_FALSE(LoadSlide(still, 0, 0, false).animation);

    Bytes cut = AnimatedGif(kThree, 0);
    cut.resize(20);
    try {
        LoadSlide(write("cut.gif", cut), 0, 0, false);
        ADD_FAILURE() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()).rfind("cut.gif: The GIF picture is damaged", 0), 0u) << error.what();
    }
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace orlscr
