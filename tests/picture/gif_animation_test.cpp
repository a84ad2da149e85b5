// GIF frames one at a time: timing, disposal, loop count, damage.

#include "picture/gif_animation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/error.h"
#include "picture/gif_test_files.h"

namespace orlscr {
namespace {

using test::AnimatedGif;
using test::Bytes;
using test::Frame;

// The canvas as letters: R, G, B, W, or . for the background.
std::string Shown(const Bitmap& b) {
    std::string text;
    for (int x = 0; x < b.Width(); ++x) {
        const uint8_t* p = b.Row(0) + 3 * x;
        text += p[2] == 255 && p[1] == 255 ? 'W' : p[2] == 255 ? 'R' : p[1] == 255 ? 'G' : p[0] == 255 ? 'B' : '.';
    }
    return text;
}

// Frame 1 red all over, left; frame 2 green at 1, to background; frame 3 blue
// at 2, to previous; frame 4 white at 3.
const std::vector<Frame> kDisposals = {{0, 4, 0, 1, 50}, {1, 1, 1, 2, 0}, {2, 1, 2, 3, 7}, {3, 1, 3, 0, 1}};

TEST(GifAnimation, FramesWithTheirDisposalDelaysAndLoops) {
    const Bytes gif = AnimatedGif(kDisposals, 2);
    EXPECT_TRUE(IsAnimatedGif(gif.data(), gif.size()));
    GifAnimation animation(gif.data(), gif.size(), 0);
    std::vector<std::string> shown;
    std::vector<int32_t> delays;
    while (animation.Next()) {
        shown.push_back(Shown(animation.Canvas()));
        delays.push_back(animation.DelayMs());
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"RRRR", "RGRR", "R.BR", "R.RW"}));
    // 0 and 10 ms mean "fast": 100 ms, as browsers take them.
    EXPECT_EQ(delays, (std::vector<int32_t>{500, 100, 70, 100}));
    EXPECT_EQ(animation.FrameIndex(), 4);
    EXPECT_EQ(Shown(animation.Canvas()), "R.RW");  // the last frame stays
    EXPECT_EQ(animation.Plays(), 3);               // repeated twice

    // The next loop starts on a clear screen.
    animation.Restart();
    ASSERT_TRUE(animation.Next());
    EXPECT_EQ(Shown(animation.Canvas()), "RRRR");
    EXPECT_EQ(animation.FrameIndex(), 1);

    const Bytes forever = AnimatedGif(kDisposals, 0);
    GifAnimation endless(forever.data(), forever.size(), 0);
    endless.Next();
    EXPECT_EQ(endless.Plays(), 0);
    const Bytes once = AnimatedGif(kDisposals, -1);
    GifAnimation single(once.data(), once.size(), 0);
    single.Next();
    EXPECT_EQ(single.Plays(), 1);
}

TEST(GifAnimation, DamagedFramesAndStillPictures) {
    const Bytes still = AnimatedGif({{0, 4, 1, 0, 0}}, -1);
    EXPECT_FALSE(IsAnimatedGif(still.data(), still.size()));
    GifAnimation one(still.data(), still.size(), 0x00FF0000);  // blue background
    ASSERT_TRUE(one.Next());
    EXPECT_EQ(Shown(one.Canvas()), "GGGG");
    EXPECT_FALSE(one.Next());
    EXPECT_EQ(one.DamageInRest(), "");

    // Cut inside the last frame: the frames before it play, then the fault is named.
    Bytes gif = AnimatedGif(kDisposals, 0);
    gif.resize(gif.size() - 6);
    EXPECT_TRUE(IsAnimatedGif(gif.data(), gif.size()));
    GifAnimation cut(gif.data(), gif.size(), 0);
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(cut.Next());
    try {
        cut.Next();
        ADD_FAILURE() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()).rfind("The GIF picture is damaged: ", 0), 0u) << error.what();
    }
    EXPECT_EQ(Shown(cut.Canvas()), "R.BR");
}

}  // namespace
}  // namespace orlscr
