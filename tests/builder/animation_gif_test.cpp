// Animated pictures stored as animated GIFs: frames, times, plays,
// transparency and the size bounds, read back by the slide viewer's reader.

#include "builder/animation_gif.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "builder/slide_picture_check.h"
#include "common/random.h"
#include "picture/gif_animation.h"
#include "support/temp_folder.h"

namespace orlscr::mkscr {
namespace {

constexpr int32_t kWidth = 64, kHeight = 48;

// RGBA pixels of one colour; with `leftHidden` the left half fully transparent.
std::vector<uint8_t> Frame(uint8_t red, uint8_t green, uint8_t blue, bool leftHidden = false) {
    std::vector<uint8_t> rgba;
    for (int32_t y = 0; y < kHeight; ++y)
        for (int32_t x = 0; x < kWidth; ++x)
            rgba.insert(rgba.end(), {red, green, blue, static_cast<uint8_t>(leftHidden && x < kWidth / 2 ? 0 : 255)});
    return rgba;
}

std::string Png(const std::vector<uint8_t>& rgba) {
    return EncodePng(rgba.data(), kWidth, kHeight, kWidth * 4, 4);
}

// The colour at (x, y) as 0xRRGGBB.
uint32_t At(const Bitmap& bitmap, int32_t x, int32_t y) {
    const uint8_t* p = bitmap.Row(y) + 3 * x;
    return uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
}

TEST(AnimationGif, AnAnimatedWebpKeepsItsFramesTimesPlaysAndTransparency) {
    if (std::system("command -v img2webp >/dev/null 2>&1") != 0) {
        std::printf("skipped: no img2webp (scripts/setup installs it)\n");
        return;
    }
    const orlscr::testing::TempFolder folder;
    folder.Write("1.png", Png(Frame(255, 0, 0)));
    folder.Write("2.png", Png(Frame(0, 0, 255, true)));
    folder.Write("3.png", Png(Frame(0, 255, 0)));
    const std::string path = folder.Path("anim.webp");
    const std::string command = "img2webp -loop 3 -lossless -d 100 " + folder.Path("1.png") + " -d 250 " +
                                folder.Path("2.png") + " -d 74 " + folder.Path("3.png") + " -o " + path;
    ASSERT_EQ(std::system((command + " >/dev/null 2>&1").c_str()), 0) << command;

    const SlidePictureCheck check = CheckSlidePicture(path);
    ASSERT_EQ(check.refusal, "");
    EXPECT_EQ(check.change, "converted animated WebP to GIF, 3 frames");
    EXPECT_EQ(check.extension, "gif");
    ASSERT_TRUE(check.made);
    const std::string gif = check.made->file->Read(check.made->offset, static_cast<size_t>(check.made->size));
    const auto* bytes = reinterpret_cast<const uint8_t*>(gif.data());
    GifAnimation animation(bytes, gif.size(), 0x808080);  // grey background
    std::vector<int32_t> delays;
    std::vector<uint32_t> left, right;
    while (animation.Next()) {
        delays.push_back(animation.DelayMs());
        left.push_back(At(animation.Canvas(), 5, 20));
        right.push_back(At(animation.Canvas(), 60, 20));
    }
    EXPECT_EQ(delays, (std::vector<int32_t>{100, 250, 70}));  // in hundredths of a second
    EXPECT_EQ(left, (std::vector<uint32_t>{0xFF0000, 0x808080, 0x00FF00}));
    EXPECT_EQ(right, (std::vector<uint32_t>{0xFF0000, 0x0000FF, 0x00FF00}));
    EXPECT_EQ(animation.Plays(), 3);
    EXPECT_EQ(animation.DamageInRest(), "");

    // Beyond the bound every frame is reduced.
    const SlidePictureCheck reduced = CheckSlidePicture(path, StoreBound{32, 32, false});
    EXPECT_EQ(reduced.change, "converted animated WebP to GIF, 3 frames, reduced 64x48 to 32x24");
    const std::string small = reduced.made->file->Read(reduced.made->offset, static_cast<size_t>(reduced.made->size));
    GifAnimation smaller(reinterpret_cast<const uint8_t*>(small.data()), small.size(), 0);
    ASSERT_TRUE(smaller.Next());
    EXPECT_EQ(smaller.Canvas().Width(), 32);
    EXPECT_EQ(smaller.Canvas().Height(), 24);
}

TEST(AnimationGif, FramesBeyondItsBytesAreLeftOut) {
    // Noise does not compress: each frame takes about its pixels in bytes.
    AnimationInfo info;
    info.width = kWidth, info.height = kHeight, info.frames = 10;
    AnimationGif gif(info, StoreBound{}, 4 * kWidth * kHeight);
    RandomGenerator random;
    std::vector<uint8_t> noise(static_cast<size_t>(kWidth) * kHeight * 4);
    int32_t added = 0;
    for (; added < 10; ++added) {
        for (uint8_t& byte : noise)
            byte = static_cast<uint8_t>(random.Next(256));
        if (!gif.Add(noise.data(), 100))
            break;
    }
    EXPECT_GE(added, 2);
    EXPECT_LT(added, 10);
    EXPECT_EQ(gif.Frames(), added);
    const MadePicture made = gif.Finish();
    EXPECT_LE(made.bytes.size(), size_t{4} * kWidth * kHeight);
    GifAnimation animation(reinterpret_cast<const uint8_t*>(made.bytes.data()), made.bytes.size(), 0);
    while (animation.Next()) {
    }
    EXPECT_EQ(animation.FrameIndex(), added);
    EXPECT_EQ(animation.DamageInRest(), "");
}

}  // namespace
}  // namespace orlscr::mkscr
