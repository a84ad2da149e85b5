#include "transition/frame.h"

#include <gtest/gtest.h>

#include <climits>

#include "test_pictures.h"
#include "transition/blit.h"
#include "transition/layout.h"
#include "transition/rect_styles.h"

namespace orlscr {
namespace {

using testing::Pattern;
using testing::SamePixel;
using testing::Solid;

TEST(MulDiv, RoundsHalvesAwayFromZero) {
    EXPECT_EQ(MulDiv(5, 1, 2), 3);
    EXPECT_EQ(MulDiv(-5, 1, 2), -3);
    EXPECT_EQ(MulDiv(5, -1, 2), -3);
    EXPECT_EQ(MulDiv(5, 1, -2), -3);
    EXPECT_EQ(MulDiv(-5, -1, -2), -3);
    EXPECT_EQ(MulDiv(7, 1, 3), 2);
    EXPECT_EQ(MulDiv(8, 1, 3), 3);
    EXPECT_EQ(MulDiv(-8, 1, 3), -3);
    EXPECT_EQ(MulDiv(800, 4, 90), 36);
}

TEST(MulDiv, UsesA64BitProductAndReportsFailureAsMinusOne) {
    EXPECT_EQ(MulDiv(100000, 100000, 100000), 100000);
    EXPECT_EQ(MulDiv(INT_MAX, INT_MAX, INT_MAX), INT_MAX);
    EXPECT_EQ(MulDiv(INT_MIN, 1, 1), INT_MIN);
    EXPECT_EQ(MulDiv(1, 2, 0), -1);
    EXPECT_EQ(MulDiv(INT_MAX, 2, 1), -1);   // does not fit
    EXPECT_EQ(MulDiv(INT_MIN, -1, 1), -1);  // does not fit
}

TEST(ComputeFrame, LongerSideTakesThePercentage) {
    const FrameQuantities landscape = ComputeFrame(800, 600, 50, 4);
    EXPECT_EQ(landscape.X, 400);
    EXPECT_EQ(landscape.Y, 300);
    EXPECT_EQ(landscape.StepPx, 36);

    const FrameQuantities portrait = ComputeFrame(600, 800, 33, 4);
    EXPECT_EQ(portrait.Y, 264);
    EXPECT_EQ(portrait.X, 198);
    EXPECT_EQ(portrait.StepPx, 36);

    const FrameQuantities square = ComputeFrame(300, 300, 100, 100);
    EXPECT_EQ(square.X, 300);
    EXPECT_EQ(square.Y, 300);
    EXPECT_EQ(square.StepPx, 333);
}

TEST(StretchCopy, UnscaledClippedAndOutsideSourceLeftAlone) {
    const Bitmap src = Pattern(10, 8);
    Bitmap dst = Solid(10, 8, 0);
    StretchCopy(dst, Rect{-3, -2, 7, 6}, src, Rect{0, 0, 10, 8});
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x) {
            if (x < 7 && y < 6)
                EXPECT_TRUE(SamePixel(dst, x, y, src, x + 3, y + 2)) << x << "," << y;
            else
                EXPECT_EQ(dst.Row(y)[3 * x], 0) << x << "," << y;
        }

    // A source rectangle reaching past the picture: those pixels stay as they were.
    Bitmap partial = Solid(10, 8, 0);
    StretchCopy(partial, Rect{0, 0, 10, 8}, src, Rect{5, 0, 15, 8});
    EXPECT_TRUE(SamePixel(partial, 4, 3, src, 9, 3));
    EXPECT_EQ(partial.Row(3)[3 * 5], 0);

    // Empty rectangles draw nothing.
    Bitmap untouched = Solid(10, 8, 0);
    StretchCopy(untouched, Rect{0, 0, 0, 8}, src, Rect{0, 0, 10, 8});
    StretchCopy(untouched, Rect{0, 0, 10, 8}, src, Rect{3, 3, 3, 8});
    StretchCopy(untouched, Rect{5, 5, 2, 8}, src, Rect{0, 0, 10, 8});
    EXPECT_EQ(untouched, Solid(10, 8, 0));
}

TEST(StretchCopy, NearestPixelEnlargeAndShrinkSpreadEvenly) {
    const Bitmap src = Pattern(4, 2);
    Bitmap big = Solid(12, 6, 0);
    StretchCopy(big, big.Bounds(), src, src.Bounds());
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 12; ++x)
            EXPECT_TRUE(SamePixel(big, x, y, src, x / 3, y / 3)) << x << "," << y;

    const Bitmap wide = Pattern(9, 9);
    Bitmap small = Solid(3, 3, 0);
    StretchCopy(small, small.Bounds(), wide, wide.Bounds());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_TRUE(SamePixel(small, x, y, wide, 3 * x + 1, 3 * y + 1)) << x << "," << y;
}

TEST(MirrorCopyRect, MirrorsWithinTheDestinationAndCutsTheSource) {
    const Bitmap src = Pattern(6, 4);
    Bitmap h = Solid(6, 4, 0);
    MirrorCopyRect(h, Rect{1, 0, 4, 4}, src, Rect{3, 0, 6, 4}, true, false);
    for (int y = 0; y < 4; ++y) {
        EXPECT_TRUE(SamePixel(h, 1, y, src, 5, y));
        EXPECT_TRUE(SamePixel(h, 3, y, src, 3, y));
        EXPECT_EQ(h.Row(y)[0], 0);
        EXPECT_EQ(h.Row(y)[3 * 4], 0);
    }
    Bitmap v = Solid(6, 4, 0);
    MirrorCopyRect(v, Rect{0, 0, 6, 4}, src, Rect{0, 0, 6, 4}, false, true);
    EXPECT_TRUE(SamePixel(v, 2, 0, src, 2, 3));
    EXPECT_TRUE(SamePixel(v, 2, 3, src, 2, 0));

    // Source beyond the picture is cut first, then stretched over the destination.
    Bitmap cut = Solid(6, 4, 0);
    MirrorCopyRect(cut, Rect{0, 0, 2, 4}, src, Rect{5, 0, 9, 4}, true, false);
    EXPECT_TRUE(SamePixel(cut, 0, 1, src, 5, 1));
    EXPECT_TRUE(SamePixel(cut, 1, 1, src, 5, 1));
}

TEST(RectStyles, ZoomAndCurlRectangles) {
    Bitmap screen(800, 600);
    const Bitmap picture(800, 600);
    Rect d{0, 0, 800, 600}, s = d;
    RunRectStyle(
        51, ComputeFrame(800, 600, 50, 4), screen, picture, [](const Rect&) {}, d, s);
    EXPECT_EQ(d, (Rect{-400, -300, 1200, 900}));
    EXPECT_EQ(s, (Rect{200, 150, 600, 450}));

    EXPECT_EQ(CurlWidth(800, 100), 50);
    EXPECT_EQ(CurlWidth(800, 400), 80);
    EXPECT_EQ(CurlWidth(800, 700), 50);
    EXPECT_EQ(CurlWidth(800, 0), 0);
    EXPECT_EQ(CurlWidth(800, 800), 0);
}

TEST(RectStyles, PageTurnDrawsTheMirroredStripBesideTheEdge) {
    const Bitmap picture = Pattern(800, 20);
    Bitmap screen = Solid(800, 20, 0);
    FrameQuantities f = ComputeFrame(800, 20, 0, 4);
    f.X = 100;
    Rect d{0, 0, 800, 20}, s = d;
    std::vector<Rect> invalidated;
    RunRectStyle(
        14, f, screen, picture, [&](const Rect& r) { invalidated.push_back(r); }, d, s);
    ASSERT_EQ(invalidated.size(), 1u);
    EXPECT_EQ(invalidated[0], (Rect{100, 0, 150, 20}));
    EXPECT_EQ(d, (Rect{0, 0, 100, 20}));
    EXPECT_EQ(s, d);
    for (int x = 100; x < 150; ++x)
        EXPECT_TRUE(SamePixel(screen, x, 7, picture, 299 - x, 7)) << x;
    EXPECT_EQ(screen.Row(7)[3 * 99], 0);
    EXPECT_EQ(screen.Row(7)[3 * 150], 0);

    // From the bottom: the strip above the edge, mirrored top to bottom.
    const Bitmap tall = Pattern(20, 800);
    Bitmap screen2 = Solid(20, 800, 0);
    FrameQuantities g = ComputeFrame(20, 800, 0, 4);
    g.Y = 400;
    Rect d2{0, 0, 20, 800}, s2 = d2;
    RunRectStyle(
        32, g, screen2, tall, [](const Rect&) {}, d2, s2);
    EXPECT_EQ(d2, (Rect{0, 400, 20, 800}));
    for (int y = 320; y < 400; ++y)  // E = 400, q = 80: rows 240..319 mirrored onto 320..399
        EXPECT_TRUE(SamePixel(screen2, 3, y, tall, 3, 639 - y)) << y;
}

TEST(Layout, FitRectKeepsTheAspectRatioCentred) {
    EXPECT_EQ(FitRect(Rect{0, 0, 400, 300}, Rect{0, 0, 800, 800}), (Rect{0, 100, 800, 700}));
    EXPECT_EQ(FitRect(Rect{0, 0, 300, 400}, Rect{0, 0, 800, 800}), (Rect{100, 0, 700, 800}));
    EXPECT_EQ(FitRect(Rect{0, 0, 100, 100}, Rect{10, 20, 210, 220}), (Rect{10, 20, 210, 220}));
}

TEST(Layout, TilesCoverTheAreaRowByRow) {
    const std::vector<Point> tiles = TilePositions(Rect{0, 0, 200, 100}, 64, 64);
    ASSERT_EQ(tiles.size(), 8u);  // 2 rows of 4
    EXPECT_EQ(tiles[0], (Point{0, 0}));
    EXPECT_EQ(tiles[3], (Point{192, 0}));
    EXPECT_EQ(tiles[4], (Point{0, 64}));
    EXPECT_EQ(tiles[7], (Point{192, 64}));
    EXPECT_TRUE(TilePositions(Rect{0, 0, 200, 100}, 0, 64).empty());
}

TEST(Layout, CentredPicturesAreCroppedEquallyOnBothSides) {
    EXPECT_EQ(CenteredOrigin(Rect{0, 0, 200, 100}, 300, 200), (Point{-50, -50}));
    EXPECT_EQ(CenteredOrigin(Rect{0, 0, 200, 100}, 100, 50), (Point{50, 25}));
    EXPECT_EQ(ComputePlacement(1000, 500, 800, 600, true), (Rect{-100, 50, 900, 550}));
    EXPECT_EQ(ComputePlacement(1000, 500, 800, 600, false), (Rect{0, 0, 1000, 500}));
}

TEST(Layout, PictureRectanglesMapToTheClientArea) {
    PictureLayout layout;
    layout.placement = Rect{0, 0, 400, 300};
    layout.client = Rect{0, 0, 800, 800};
    layout.stretch = true;
    layout.stretchFine = true;
    EXPECT_EQ(FrameTarget(layout), (Rect{0, 100, 800, 700}));
    EXPECT_EQ(MapPictureRect(Rect{0, 0, 200, 150}, layout), (Rect{0, 100, 400, 400}));
    layout.stretchFine = false;
    EXPECT_EQ(MapPictureRect(Rect{0, 0, 200, 150}, layout), (Rect{0, 0, 400, 400}));

    layout.stretch = false;
    layout.center = true;
    layout.placement = ComputePlacement(400, 300, 800, 800, true);
    EXPECT_EQ(MapPictureRect(Rect{0, 0, 200, 150}, layout), (Rect{200, 250, 400, 400}));
    // Parts outside the frame (slides, zooms) are cut to it.
    EXPECT_EQ(MapPictureRect(Rect{-400, -300, 1200, 900}, layout), layout.placement);
}

}  // namespace
}  // namespace orlscr
