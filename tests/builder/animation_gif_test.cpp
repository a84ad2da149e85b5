// Animated pictures stored as animated GIFs: frames, times, plays,
// transparency and the size bounds, read back by the slide viewer's reader.

#include "builder/animation_gif.h"

#include <gtest/gtest.h>

#include <jxl/encode.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "builder/slide_picture_check.h"
#include "common/random.h"
#include "picture/gif_animation.h"
#include "picture/gif_encode.h"
#include "support/temp_folder.h"

namespace orlscr::mkscr {
namespace {

constexpr int32_t kWidth = 64, kHeight = 48;
constexpr const char* kDate = "2024:05:06 07:08:09";

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

// What a converted animation plays: each frame's time and its colours at
// (5, 20) and at the canvas' bottom right corner.
struct Played {
    std::vector<int32_t> delays;
    std::vector<uint32_t> left, corner;
    int32_t width = 0, height = 0, plays = -1;
};

Played Play(const SlidePictureCheck& check) {
    Played played;
    EXPECT_TRUE(check.made);
    if (!check.made)
        return played;
    const std::string gif = check.made->file->Read(check.made->offset, static_cast<size_t>(check.made->size));
    GifAnimation animation(reinterpret_cast<const uint8_t*>(gif.data()), gif.size(), 0x808080);
    while (animation.Next()) {
        const Bitmap& canvas = animation.Canvas();
        played.width = canvas.Width(), played.height = canvas.Height();
        played.delays.push_back(animation.DelayMs());
        played.left.push_back(At(canvas, 5, 20));
        played.corner.push_back(At(canvas, canvas.Width() - 1, canvas.Height() - 1));
    }
    played.plays = animation.Plays();
    EXPECT_EQ(animation.DamageInRest(), "");
    return played;
}

// Left half red, blue, green for i = 0, 1, 2; right half white: a turn shows.
std::vector<uint8_t> Halves(int i) {
    const uint8_t colours[3][3] = {{255, 0, 0}, {0, 0, 255}, {0, 255, 0}};
    std::vector<uint8_t> rgba = Frame(255, 255, 255);
    for (size_t at = 0; at < rgba.size(); at += 4)
        if (at / 4 % kWidth < kWidth / 2)
            std::copy(colours[i], colours[i] + 3, rgba.begin() + static_cast<std::ptrdiff_t>(at));
    return rgba;
}
const std::vector<uint32_t> kHalfColours = {0xFF0000, 0x0000FF, 0x00FF00};
const std::vector<uint32_t> kWhite = {0xFFFFFF, 0xFFFFFF, 0xFFFFFF};

TEST(AnimationGif, AnAvifSequenceKeepsItsFramesTimesAndTurnAndPlaysForEver) {
    if (std::system("command -v avifenc >/dev/null 2>&1") != 0) {
        std::printf("skipped: no avifenc (scripts/setup installs it)\n");
        return;
    }
    const orlscr::testing::TempFolder folder;
    // Times in thirtieths of a second, whose milliseconds do not come out even;
    // turned a quarter anticlockwise.
    const char* const ticks[3] = {"3", "8", "2"};
    std::string command = "avifenc -l --irot 1 --timescale 30";
    for (int i = 0; i < 3; ++i) {
        command.append(" --duration ").append(ticks[i]).append(" ");
        command.append(folder.Write(std::to_string(i) + ".png", Png(Halves(i))));
    }
    const std::string path = folder.Path("anim.avif");
    command.append(" ").append(path);
    ASSERT_EQ(std::system((command + " >/dev/null 2>&1").c_str()), 0) << command;
    const SlidePictureCheck check = CheckSlidePicture(path);
    ASSERT_EQ(check.refusal, "");
    EXPECT_EQ(check.change, "converted animated AVIF to GIF, 3 frames");
    const Played played = Play(check);
    EXPECT_EQ(played.delays, (std::vector<int32_t>{100, 270, 60}));  // ends at 10, 37, 43 hundredths
    EXPECT_EQ(played.plays, 0);
    // Standing, each frame's left half at the bottom.
    EXPECT_EQ(played.width, kHeight);
    EXPECT_EQ(played.height, kWidth);
    EXPECT_EQ(played.left, kWhite);
    EXPECT_EQ(played.corner, kHalfColours);
}

// An animated JPEG XL as libjxl's encoder writes it (cjxl keeps no loop
// count): lossless, `ticks` a frame at 30 a second, turned as `orientation`,
// its EXIF box (with the date) after the frames.
std::string JpegXlAnimation(uint32_t loops, JxlOrientation orientation, const std::vector<uint32_t>& ticks) {
    std::unique_ptr<JxlEncoder, void (*)(JxlEncoder*)> encoder(JxlEncoderCreate(nullptr), JxlEncoderDestroy);
    JxlBasicInfo info;
    JxlEncoderInitBasicInfo(&info);
    info.xsize = kWidth, info.ysize = kHeight;
    info.bits_per_sample = 8;
    info.num_color_channels = 3;
    info.num_extra_channels = 1, info.alpha_bits = 8;
    info.uses_original_profile = JXL_TRUE;
    info.orientation = orientation;
    info.have_animation = JXL_TRUE;
    info.animation.tps_numerator = 30, info.animation.tps_denominator = 1;
    info.animation.num_loops = loops;
    JxlColorEncoding srgb;
    JxlColorEncodingSetToSRGB(&srgb, JXL_FALSE);
    EXPECT_EQ(JxlEncoderSetBasicInfo(encoder.get(), &info), JXL_ENC_SUCCESS);
    EXPECT_EQ(JxlEncoderSetColorEncoding(encoder.get(), &srgb), JXL_ENC_SUCCESS);
    EXPECT_EQ(JxlEncoderUseBoxes(encoder.get()), JXL_ENC_SUCCESS);
    JxlEncoderFrameSettings* settings = JxlEncoderFrameSettingsCreate(encoder.get(), nullptr);
    JxlEncoderSetFrameLossless(settings, JXL_TRUE);
    const JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    for (size_t i = 0; i < ticks.size(); ++i) {
        JxlFrameHeader header;
        JxlEncoderInitFrameHeader(&header);
        header.duration = ticks[i];
        const std::vector<uint8_t> rgba = Halves(static_cast<int>(i % 3));
        EXPECT_EQ(JxlEncoderSetFrameHeader(settings, &header), JXL_ENC_SUCCESS);
        EXPECT_EQ(JxlEncoderAddImageFrame(settings, &format, rgba.data(), rgba.size()), JXL_ENC_SUCCESS);
    }
    const std::string exif = std::string(4, '\0') + MakeExifBlock(kDate);  // after a 4-byte offset
    EXPECT_EQ(
        JxlEncoderAddBox(encoder.get(), "Exif", reinterpret_cast<const uint8_t*>(exif.data()), exif.size(), JXL_FALSE),
        JXL_ENC_SUCCESS);
    JxlEncoderCloseInput(encoder.get());
    std::string bytes(4096, '\0');
    size_t written = 0;
    for (JxlEncoderStatus status = JXL_ENC_NEED_MORE_OUTPUT; status == JXL_ENC_NEED_MORE_OUTPUT;) {
        bytes.resize(bytes.size() * 2);
        auto* next = reinterpret_cast<uint8_t*>(bytes.data()) + written;
        size_t left = bytes.size() - written;
        status = JxlEncoderProcessOutput(encoder.get(), &next, &left);
        written = bytes.size() - left;
        EXPECT_NE(status, JXL_ENC_ERROR);
    }
    bytes.resize(written);
    return bytes;
}

TEST(AnimationGif, AnAnimatedJpegXlKeepsItsFramesTimesTurnAndPlays) {
    const orlscr::testing::TempFolder folder;
    const std::string jxl = JpegXlAnimation(3, JXL_ORIENT_ROTATE_90_CW, {3, 8, 2});
    const std::optional<ImportedSize> size = ReadImportedSize(jxl, ImportFormat::kJpegXl);
    ASSERT_TRUE(size);
    EXPECT_TRUE(size->animated);
    const std::string path = folder.Write("anim.jxl", jxl);
    const SlidePictureCheck check = CheckSlidePicture(path);
    ASSERT_EQ(check.refusal, "");
    EXPECT_EQ(check.change, "converted animated JPEG XL to GIF, 3 frames");
    EXPECT_EQ(check.dateTaken.value_or("none"), kDate);
    const Played played = Play(check);
    EXPECT_EQ(played.delays, (std::vector<int32_t>{100, 270, 60}));
    EXPECT_EQ(played.plays, 3);
    // Standing, each frame's left half at the top.
    EXPECT_EQ(played.width, kHeight);
    EXPECT_EQ(played.height, kWidth);
    EXPECT_EQ(played.left, kHalfColours);
    EXPECT_EQ(played.corner, kWhite);
}

TEST(AnimationGif, AConvertedAnimationEndsAtTheFirstFrameBeyondItsBytes) {
    // Frames of about 850 bytes each (a palette of their own and little
    // else); the GIF may hold three or so.
    const std::string jxl = JpegXlAnimation(0, JXL_ORIENT_IDENTITY, std::vector<uint32_t>(10, 3));
    const std::optional<ConvertedAnimation> converted =
        ConvertAnimation(jxl, ImportFormat::kJpegXl, StoreBound{}, 3000);
    ASSERT_TRUE(converted);
    const std::string& gif = converted->made.bytes;
    EXPECT_LE(gif.size(), 3000u);
    GifAnimation animation(reinterpret_cast<const uint8_t*>(gif.data()), gif.size(), 0);
    std::vector<uint32_t> left;
    while (animation.Next())
        left.push_back(At(animation.Canvas(), 5, 20));
    EXPECT_EQ(animation.DamageInRest(), "");
    ASSERT_GE(left.size(), 2u);
    ASSERT_LT(left.size(), 10u);
    EXPECT_EQ(converted->change, "converted animated JPEG XL to GIF, its first " + std::to_string(left.size()) +
                                     " of 10 frames: a GIF holds at most 0 MB");
    for (size_t i = 0; i < left.size(); ++i)  // the first frames, in order
        EXPECT_EQ(left[i], kHalfColours[i % 3]) << i;
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
