// GIF frames one at a time: timing, disposal, loop count, damage.

#include "picture/gif_animation.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/error.h"

namespace orlscr {
namespace {

using Bytes = std::vector<uint8_t>;

extern "C" int WriteGifBytes(GifFileType* gif, const GifByteType* data, int length) {
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

struct Frame {
    int left, width;
    GifPixelType index;  // the colour of the whole frame
    int disposal;
    int delayCs;
};

// A 4 x 1 screen of palette red, green, blue, white (index 4 transparent),
// the frames in order, and a loop extension when `loops` >= 0.
Bytes AnimatedGif(const std::vector<Frame>& frames, int loops) {
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, WriteGifBytes, &error);
    const GifColorType colours[8] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}, {7, 7, 7}};
    ColorMapObject* map = GifMakeMapObject(8, colours);
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, 4, 1, 3, 0, map);
    if (loops >= 0) {
        const GifByteType loop[3] = {1, static_cast<GifByteType>(loops & 0xFF), static_cast<GifByteType>(loops >> 8)};
        EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE);
        EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0");
        EGifPutExtensionBlock(gif, 3, loop);
        EGifPutExtensionTrailer(gif);
    }
    for (const Frame& f : frames) {
        const GifByteType control[4] = {static_cast<GifByteType>(f.disposal << 2 | 1),
                                        static_cast<GifByteType>(f.delayCs & 0xFF),
                                        static_cast<GifByteType>(f.delayCs >> 8), 4};
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control);
        EGifPutImageDesc(gif, f.left, 0, f.width, 1, false, nullptr);
        std::vector<GifPixelType> line(static_cast<size_t>(f.width), f.index);
        EGifPutLine(gif, line.data(), f.width);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

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
const std::vector<Frame> kDisposals = {
    {0, 4, 0, 1, 50}, {1, 1, 1, 2, 0}, {2, 1, 2, 3, 7}, {3, 1, 3, 0, 1}};

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
