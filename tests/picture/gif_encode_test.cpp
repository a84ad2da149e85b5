// Animated GIFs written frame by frame, read back by the viewer's own reader.

#include "picture/gif_encode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/error.h"
#include "picture/gif_animation.h"
#include "picture/picture_test_files.h"
#include "support/expect_error.h"

namespace orlscr {
namespace {

std::vector<uint8_t> Encode(int32_t plays,
                            bool transparency,
                            const std::vector<Bitmap>& frames,
                            const std::vector<int32_t>& delays,
                            const uint8_t* shown = nullptr) {
    std::vector<uint8_t> bytes;
    GifEncoder gif([&](const uint8_t* data, size_t size) { bytes.insert(bytes.end(), data, data + size); },
                   frames[0].Width(), frames[0].Height(), plays, transparency);
    for (size_t i = 0; i < frames.size(); ++i)
        gif.Add(frames[i], delays[i], shown);
    gif.Finish();
    return bytes;
}

TEST(GifEncoder, FramesDelaysAndPlaysComeBack) {
    const std::vector<Bitmap> frames = {test::Solid(5, 3, 255, 0, 0), test::Solid(5, 3, 0, 255, 0),
                                        test::Solid(5, 3, 0, 0, 255)};
    for (const int32_t plays : {0, 1, 4}) {
        SCOPED_TRACE(plays);
        const std::vector<uint8_t> bytes = Encode(plays, false, frames, {120, 250, 74});
        GifAnimation animation(bytes.data(), bytes.size(), 0);
        std::vector<int32_t> delays;
        for (size_t i = 0; animation.Next(); ++i) {
            delays.push_back(animation.DelayMs());
            ASSERT_LT(i, frames.size());
            EXPECT_EQ(animation.Canvas(), frames[i]);
        }
        EXPECT_EQ(delays, (std::vector<int32_t>{120, 250, 70}));  // in hundredths of a second
        EXPECT_EQ(animation.Plays(), plays);
        EXPECT_EQ(animation.DamageInRest(), "");
    }
}

TEST(GifEncoder, PixelsNotShownLetTheBackgroundThroughInEveryFrame) {
    // The first frame opaque; the second hides its left half, which must show
    // the background, not the first frame.
    const std::vector<Bitmap> frames = {test::Solid(4, 2, 255, 0, 0), test::Solid(4, 2, 0, 0, 255)};
    const uint8_t all[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    const uint8_t right[8] = {0, 0, 1, 1, 0, 0, 1, 1};
    std::vector<uint8_t> bytes;
    GifEncoder gif([&](const uint8_t* data, size_t size) { bytes.insert(bytes.end(), data, data + size); }, 4, 2, 0,
                   true);
    gif.Add(frames[0], 100, all);
    gif.Add(frames[1], 100, right);
    gif.Finish();
    GifAnimation animation(bytes.data(), bytes.size(), 0x00FF00);  // green background
    ASSERT_TRUE(animation.Next());
    EXPECT_EQ(animation.Canvas(), frames[0]);
    ASSERT_TRUE(animation.Next());
    Bitmap expected = frames[1];
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 2; ++x) {
            uint8_t* p = expected.Row(y) + 3 * x;
            p[0] = 0, p[1] = 255, p[2] = 0;
        }
    EXPECT_EQ(animation.Canvas(), expected);
}

TEST(GifEncoder, TheSinksFailureAndSizesBeyondTheFormatAreErrors) {
    EXPECT_ERROR_MSG(GifEncoder([](const uint8_t*, size_t) {}, 70000, 1, 0),
                     "cannot write the GIF picture: a GIF picture is at most 65535 pixels wide and high");
    size_t calls = 0;
    const auto failing = [&](const uint8_t*, size_t) {
        if (++calls > 3)
            throw Error("disk full");
    };
    EXPECT_ERROR_MSG(
        {
            GifEncoder gif(failing, 64, 64, 0);
            gif.Add(test::Solid(64, 64, 1, 2, 3), 100);
            gif.Finish();
        },
        "disk full");
}

}  // namespace
}  // namespace orlscr
