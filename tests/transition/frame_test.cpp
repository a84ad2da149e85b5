#include "transition/frame.h"

#include <gtest/gtest.h>

#include <climits>

#include "raster/blit.h"
#include "support/test_pictures.h"
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

TEST(RectStyles, DefaultZoomAtHalfway) {
    Bitmap screen(800, 600);
    const Bitmap picture(800, 600);
    Rect d{0, 0, 800, 600}, s = d;
    RunRectStyle(
        51, ComputeFrame(800, 600, 50, 4), screen, picture, [](const Rect&) {}, d, s);
    EXPECT_EQ(d, (Rect{-400, -300, 1200, 900}));
    EXPECT_EQ(s, (Rect{200, 150, 600, 450}));
}

// Runs a rectangle style on a 200 x 200 picture at X = Y = 60 (curl 20 wide)
// or on a 100 x 80 picture at P = 50 (X = 50, Y = 40), recording the pieces.
struct StyleRun {
    Bitmap picture;
    Bitmap screen;
    std::vector<Rect> pieces;
    Rect dest, source;

    StyleRun(int style, const FrameQuantities& f) : picture(Pattern(f.W, f.H)), screen(Solid(f.W, f.H, 0)) {
        dest = source = Rect{0, 0, f.W, f.H};
        RunRectStyle(
            style, f, screen, picture, [this](const Rect& r) { pieces.push_back(r); }, dest, source);
    }
};

TEST(RectStyles, PageTurnsDrawTheMirroredStripBesideTheMovingEdge) {
    FrameQuantities f = ComputeFrame(200, 200, 0, 4);
    f.X = f.Y = 60;  // W div 5 = 40 <= 60 and 40 + 60 <= 200: q = W div 10 = 20
    struct Case {
        int style;
        Rect curl;   // where the mirrored strip lands
        int mirror;  // screen position p shows picture position mirror - p
        Rect final;
    } cases[] = {
        {14, {60, 0, 80, 200}, 159, {0, 0, 60, 200}},       // from (80..100)
        {15, {120, 0, 140, 200}, 239, {140, 0, 200, 200}},  // E = 140, from (100..120)
        {31, {0, 60, 200, 80}, 159, {0, 0, 200, 60}},
        {32, {0, 120, 200, 140}, 239, {0, 140, 200, 200}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style);
        const StyleRun run(c.style, f);
        EXPECT_EQ(run.pieces, std::vector<Rect>{c.curl});
        EXPECT_EQ(run.dest, c.final);
        EXPECT_EQ(run.source, c.final);
        const bool horizontal = c.style < 31;
        for (int i = 0; i < 200; ++i) {
            const int along = horizontal ? c.curl.left : c.curl.top;
            const int end = horizontal ? c.curl.right : c.curl.bottom;
            for (int p = along - 1; p <= end; ++p) {
                const int x = horizontal ? p : i, y = horizontal ? i : p;
                if (p < along || p == end)
                    EXPECT_EQ(run.screen.Row(y)[3 * x], 0) << x << "," << y;  // nothing beside the strip
                else if (horizontal)
                    ASSERT_TRUE(SamePixel(run.screen, x, y, run.picture, c.mirror - x, y)) << x << "," << y;
                else
                    ASSERT_TRUE(SamePixel(run.screen, x, y, run.picture, x, c.mirror - y)) << x << "," << y;
            }
        }
    }

    // The curl narrows near both ends of the run.
    EXPECT_EQ(CurlWidth(800, 100), 50);
    EXPECT_EQ(CurlWidth(800, 400), 80);
    EXPECT_EQ(CurlWidth(800, 700), 50);
    EXPECT_EQ(CurlWidth(800, 0), 0);
    EXPECT_EQ(CurlWidth(800, 800), 0);
}

TEST(RectStyles, PiecesComeInTheirOrderBeforeTheFinalRectangles) {
    const FrameQuantities f = ComputeFrame(100, 80, 50, 4);
    ASSERT_EQ(f.X, 50);
    ASSERT_EQ(f.Y, 40);
    struct Case {
        int style;
        std::vector<Rect> pieces;
        Rect dest, source;
    } cases[] = {
        {12, {{0, 0, 26, 80}}, {74, 0, 100, 80}, {74, 0, 100, 80}},
        {13, {{0, 0, 26, 80}}, {74, 0, 100, 80}, {50, 0, 100, 80}},
        {16, {{0, 0, 50, 80}}, {50, 0, 100, 80}, {50, 0, 55, 80}},
        {17, {{50, 0, 100, 80}}, {0, 0, 50, 80}, {45, 0, 50, 80}},
        {29, {{0, 0, 100, 21}}, {0, 59, 100, 80}, {0, 59, 100, 80}},
        {30, {{0, 0, 100, 21}}, {0, 59, 100, 80}, {0, 40, 100, 80}},
        {33, {{0, 0, 100, 40}}, {0, 40, 100, 80}, {0, 40, 100, 44}},
        {34, {{0, 40, 100, 80}}, {0, 0, 100, 40}, {0, 36, 100, 40}},
        {54, {{0, 0, 100, 20}, {0, 60, 100, 80}, {0, 0, 25, 80}}, {75, 0, 100, 80}, {75, 0, 100, 80}},
        {55, {{0, 0, 26, 21}, {0, 59, 26, 80}, {74, 59, 100, 80}}, {74, 0, 100, 21}, {74, 0, 100, 21}},
        {56, {{0, 0, 26, 21}, {0, 60, 26, 80}, {75, 60, 100, 80}}, {75, 0, 100, 21}, {51, 0, 100, 41}},
        {57, {{-25, 0, 26, 41}, {49, -20, 100, 21}, {75, 39, 125, 80}}, {0, 60, 51, 100}, {0, 41, 51, 80}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style);
        const StyleRun run(c.style, f);
        EXPECT_EQ(run.pieces, c.pieces);
        EXPECT_EQ(run.dest, c.dest);
        EXPECT_EQ(run.source, c.source);
    }
    // The quarter slide's pieces are stretched from their quarters: the
    // top-left quarter (0..51 x 0..41) lands on (-25..26 x 0..41) unscaled.
    const StyleRun quarter(57, f);
    EXPECT_TRUE(SamePixel(quarter.screen, 0, 10, quarter.picture, 25, 10));
    EXPECT_TRUE(SamePixel(quarter.screen, 25, 40, quarter.picture, 50, 40));
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

// The styles said to copy in place do, at every stage: the final rectangles
// are the same on both sides, every pixel shows the old or the new picture at
// its own place, and the pieces without drawing are those drawn. The others
// move or stretch the new picture somewhere in the run.
TEST(RectStyles, InPlaceStylesShowEachPixelOldOrNewInItsPlace) {
    const Bitmap black = Solid(1, 1, 0);
    for (int style = 1; style <= 57; ++style) {
        bool inPlace = true;
        for (int32_t p : {1, 23, 50, 77, 99}) {
            const FrameQuantities f = ComputeFrame(90, 70, p, 4);
            StyleRun run(style, f);
            StretchCopy(run.screen, run.dest, run.picture, run.source);
            for (int32_t y = 0; y < f.H && inPlace; ++y)
                for (int32_t x = 0; x < f.W && inPlace; ++x)
                    inPlace =
                        SamePixel(run.screen, x, y, run.picture, x, y) || SamePixel(run.screen, x, y, black, 0, 0);
            inPlace = inPlace && run.dest == run.source;
            std::vector<Rect> pieces;
            Rect dest = Rect{0, 0, f.W, f.H}, source = dest;
            RectStylePieces(style, f, pieces, dest, source);
            EXPECT_EQ(pieces, run.pieces) << "style " << style;
            EXPECT_EQ(dest, run.dest) << "style " << style;
        }
        if (IsInPlaceRectStyle(style)) {
            EXPECT_TRUE(inPlace) << "style " << style;
        }
    }
}

}  // namespace
}  // namespace orlscr
