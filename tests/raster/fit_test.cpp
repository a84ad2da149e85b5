#include "raster/fit.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/test_pictures.h"

namespace orlscr {
namespace {

using testing::SolidColour;
using testing::PixelAt;

// ---------------------------------------------------------------------------
// Placing a picture on a screen

TEST(SlideFit, ContainShowsTheWholePictureAndEnlargesAtMostUpscaleTimes) {
    // A 4:3 photo on a 16:9 screen: bands left and right.
    EXPECT_EQ(PlacePicture(4000, 3000, 1920, 1080, SlideFit::kContain, 2),
              (FitPlacement{{0, 0, 4000, 3000}, {240, 0, 1680, 1080}}));
    // Exactly twice is allowed; a smaller picture stops at twice, centred.
    EXPECT_EQ(PlacePicture(960, 540, 1920, 1080, SlideFit::kContain, 2).dest, (Rect{0, 0, 1920, 1080}));
    EXPECT_EQ(PlacePicture(100, 50, 1920, 1080, SlideFit::kContain, 2).dest, (Rect{860, 490, 1060, 590}));
    EXPECT_EQ(PlacePicture(100, 50, 1920, 1080, SlideFit::kContain, 1).dest, (Rect{910, 515, 1010, 565}));
    EXPECT_EQ(PlacePicture(100, 50, 1920, 1080, SlideFit::kContain, 100).dest, (Rect{0, 60, 1920, 1020}));
    // A needle of a picture keeps a pixel.
    EXPECT_EQ(PlacePicture(1, 100000, 800, 600, SlideFit::kContain, 2).dest, (Rect{399, 0, 400, 600}));
}

TEST(SlideFit, CoverFillsTheScreenWithThePicturesMiddle) {
    // A 4:3 photo on a 16:9 screen: full width, top and bottom cut off evenly.
    EXPECT_EQ(PlacePicture(4000, 3000, 1920, 1080, SlideFit::kCover, 2),
              (FitPlacement{{0, 375, 4000, 2625}, {0, 0, 1920, 1080}}));
    // A portrait photo on a landscape screen: the middle band of it.
    EXPECT_EQ(PlacePicture(1080, 1920, 1920, 1080, SlideFit::kCover, 2),
              (FitPlacement{{0, 656, 1080, 1264}, {0, 0, 1920, 1080}}));
    // The same shape as the screen: nothing cut off.
    EXPECT_EQ(PlacePicture(3840, 2160, 1920, 1080, SlideFit::kCover, 2),
              (FitPlacement{{0, 0, 3840, 2160}, {0, 0, 1920, 1080}}));
    // Too small to cover at twice its size: twice its size, the side that
    // still sticks out cut, the other centred on black.
    EXPECT_EQ(PlacePicture(1000, 300, 1920, 1080, SlideFit::kCover, 2),
              (FitPlacement{{20, 0, 980, 300}, {0, 240, 1920, 840}}));
    EXPECT_EQ(PlacePicture(100, 50, 1920, 1080, SlideFit::kCover, 2),
              (FitPlacement{{0, 0, 100, 50}, {860, 490, 1060, 590}}));
}

TEST(SlideFit, ComposedSlideHasThePictureOnlyInsideDestAndBlackAround) {
    // Left half dark, right half light: cover on a square screen keeps the
    // middle, so both halves show and meet in the middle.
    Bitmap picture = SolidColour(40, 10, 0, 0, 0);
    for (int32_t y = 0; y < 10; ++y)
        std::fill(picture.Row(y) + 20 * 3, picture.Row(y) + 40 * 3, uint8_t{200});
    Bitmap cover = ComposeSlide(picture, 20, 20, SlideFit::kCover, 2);
    ASSERT_EQ(cover.Width(), 20);
    ASSERT_EQ(cover.Height(), 20);
    EXPECT_EQ(cover.Row(0)[0], 0);
    EXPECT_EQ(cover.Row(19)[19 * 3], 200);
    // Contain with no room to enlarge: the picture at its size, black around.
    Bitmap small = ComposeSlide(SolidColour(4, 2, 90, 90, 90), 10, 10, SlideFit::kContain, 1);
    EXPECT_EQ(small.Row(4)[3 * 3], 90);
    EXPECT_EQ(small.Row(5)[6 * 3], 90);
    EXPECT_EQ(small.Row(3)[3 * 3], 0);
    EXPECT_EQ(small.Row(4)[2 * 3], 0);
    EXPECT_EQ(small.Row(4)[7 * 3], 0);
}

// ---------------------------------------------------------------------------
// The contain fit without a limit on enlarging

TEST(SlidePicture, FitKeepsTheShapeAndCentres) {
    EXPECT_EQ(FitPictureRect(400, 300, 800, 800), (Rect{0, 100, 800, 700}));
    EXPECT_EQ(FitPictureRect(300, 400, 800, 600), (Rect{175, 0, 625, 600}));
    EXPECT_EQ(FitPictureRect(1, 1000, 800, 600), (Rect{399, 0, 400, 600}));  // never narrower than a pixel
}

TEST(SlidePicture, ScaledPictureLiesOnBlackBandsWithoutColourShift) {
    // A picture wider than the screen: black above and below, the colour exact.
    Bitmap frame = ScaleIntoFrame(SolidColour(40, 10, 10, 200, 250), 100, 100);
    ASSERT_EQ(frame.Width(), 100);
    ASSERT_EQ(frame.Height(), 100);
    EXPECT_EQ(PixelAt(frame, 50, 36), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(PixelAt(frame, 0, 37), (std::vector<int>{10, 200, 250}));
    EXPECT_EQ(PixelAt(frame, 99, 61), (std::vector<int>{10, 200, 250}));
    EXPECT_EQ(PixelAt(frame, 50, 62), (std::vector<int>{0, 0, 0}));
}

TEST(SlidePicture, EnlargingKeepsSidesAndReducingAverages) {
    // Two pixels, dark and light, enlarged: the ends keep their colours and the
    // middle is blended.
    Bitmap two = SolidColour(2, 1, 0, 0, 0);
    two.Row(0)[3] = two.Row(0)[4] = two.Row(0)[5] = 200;
    Bitmap wide = ScaleIntoFrame(two, 200, 100);
    EXPECT_EQ(PixelAt(wide, 0, 50)[0], 0);
    EXPECT_EQ(PixelAt(wide, 199, 50)[0], 200);
    int middle = PixelAt(wide, 100, 50)[0];
    EXPECT_GT(middle, 50);
    EXPECT_LT(middle, 150);

    // A fine checkerboard reduced to a quarter is an even grey, not a pick of
    // one of its pixels.
    Bitmap board = SolidColour(8, 8, 0, 0, 0);
    for (int y = 0; y < 8; ++y)
        for (int x = (y & 1); x < 8; x += 2)
            board.Row(y)[x * 3] = board.Row(y)[x * 3 + 1] = board.Row(y)[x * 3 + 2] = 255;
    Bitmap small = ScaleIntoFrame(board, 2, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) {
            EXPECT_GE(PixelAt(small, x, y)[1], 120);
            EXPECT_LE(PixelAt(small, x, y)[1], 135);
        }
}

}  // namespace
}  // namespace orlscr
