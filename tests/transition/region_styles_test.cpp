#include "transition/region_styles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "common/random.h"
#include "transition/frame.h"
#include "transition/transition_engine.h"

namespace orlscr {
namespace {

constexpr int kRandomStyles[] = {65,  66,  67,  68,  76,  77,  78,  79,  100, 101, 102, 103,
                                 104, 105, 106, 107, 108, 109, 123, 124, 125, 126, 127};

bool IsRandomStyle(int style) {
    for (int s : kRandomStyles)
        if (s == style)
            return true;
    return false;
}

std::vector<int> RegionStyles() {
    std::vector<int> styles;
    for (int s = 0; s < 128; ++s)
        if (IsRegionStyle(s))
            styles.push_back(s);
    return styles;
}

// The part of a region that lies on a W x H picture.
Region OnPicture(const std::optional<Region>& region, int32_t w, int32_t h) {
    if (!region)
        return Region();
    return Region(*region).Intersect(Region(Rect{0, 0, w, h}));
}

int64_t Area(const Region& region) {
    int64_t area = 0;
    for (const Rect& r : region.Rects())
        area += int64_t{r.Width()} * r.Height();
    return area;
}

class RegionStylesTest : public ::testing::Test {
  protected:
    void SetUp() override { SharedRandom().Reset(); }
};

TEST_F(RegionStylesTest, CombRowsGrowInTwoPhases) {
    // 100 x 20 with Step 4: StepPx = 4.
    FrameQuantities f = ComputeFrame(100, 20, 25, 4);
    ASSERT_EQ(f.StepPx, 4);
    ASSERT_EQ(f.X, 25);
    // First half: the bars of the bands at multiples of 10, from the right.
    EXPECT_EQ(BuildStyleRegion(60, f), Region::FromRects({{50, 0, 100, 5}, {50, 10, 100, 15}, {50, 20, 100, 25}}));
    // Second half: those bands full, the bands between growing from the right.
    f = ComputeFrame(100, 20, 75, 4);
    EXPECT_EQ(BuildStyleRegion(60, f),
              Region::FromRects({{0, 0, 100, 5}, {0, 10, 100, 15}, {50, 5, 100, 10}, {50, 15, 100, 20}}));
    // Kind 2 grows both halves from the left, kind 4 first left then right,
    // kind 5 first right then left.
    EXPECT_EQ(BuildStyleRegion(61, f),
              Region::FromRects({{0, 0, 100, 5}, {0, 10, 100, 15}, {0, 5, 50, 10}, {0, 15, 50, 20}}));
    EXPECT_EQ(BuildStyleRegion(62, ComputeFrame(100, 20, 25, 4)),
              Region::FromRects({{0, 0, 50, 5}, {0, 10, 50, 15}, {0, 20, 50, 25}}));
    EXPECT_EQ(BuildStyleRegion(62, f), BuildStyleRegion(60, f));
    EXPECT_EQ(BuildStyleRegion(63, f), BuildStyleRegion(61, f));
}

TEST_F(RegionStylesTest, CombSnapCompletesTheFirstPhase) {
    // 800 x 600, Step 4: StepPx = 36; at X = 390 the extent 780 is within one
    // step of the edge, so every first-phase bar is already full width.
    FrameQuantities f = ComputeFrame(800, 600, 50, 4);
    ASSERT_EQ(f.StepPx, 36);
    f.X = 390;
    std::vector<Rect> full;
    for (int32_t i = 0; i < 605; i += 10)
        full.push_back(Rect{0, i, 800, i + 5});
    EXPECT_EQ(BuildStyleRegion(60, f), Region::FromRects(full));
    // Ten pixels earlier 760 + 36 stays short of the edge: no snap.
    f.X = 380;
    const Region early = *BuildStyleRegion(60, f);
    EXPECT_EQ(early.BoundingBox(), (Rect{40, 0, 800, 605}));
}

TEST_F(RegionStylesTest, CombColumnsAndLattices) {
    // The column pass is the row pass turned: style 71 on a portrait picture
    // against style 60 on the same picture turned.
    const FrameQuantities rows = ComputeFrame(100, 20, 25, 4);
    const FrameQuantities cols = ComputeFrame(20, 100, 25, 4);
    const Region byRows = *BuildStyleRegion(60, rows);
    Region turned;
    for (const Rect& r : byRows.Rects())
        turned.Unite(Region(Rect{r.top, r.left, r.bottom, r.right}));
    EXPECT_EQ(BuildStyleRegion(71, cols), turned);

    // Kind 3 grows the even bands from the right and the odd ones from the left at once.
    EXPECT_EQ(
        BuildStyleRegion(64, ComputeFrame(100, 20, 30, 4)),
        Region::FromRects(
            {{70, 0, 100, 5}, {0, 5, 30, 10}, {70, 10, 100, 15}, {0, 15, 30, 20}, {70, 20, 100, 25}, {0, 25, 30, 30}}));

    // The crossing lattice is the intersection of two lattices.
    const FrameQuantities f = ComputeFrame(120, 80, 40, 4);
    Region expected = *BuildStyleRegion(89, f);
    expected.Intersect(*BuildStyleRegion(86, f));
    EXPECT_EQ(BuildStyleRegion(99, f), expected);
    EXPECT_FALSE(expected.IsEmpty());
}

TEST_F(RegionStylesTest, JaggedAndFringeAtFullExtentMeetExactly) {
    const int32_t w = 640, h = 480;
    const Region picture(Rect{0, 0, w, h});
    for (int kind = 1; kind <= 4; ++kind) {
        std::optional<Region> r = CreateJaggedRgn(w, 0, w, h, kind, 0);
        ASSERT_TRUE(r && r->IsValid());
        EXPECT_EQ(OnPicture(r, w, h), picture) << "rows, kind " << kind;
        EXPECT_EQ(r->BoundingBox().left, 0);
        EXPECT_EQ(r->BoundingBox().right, w);
        r = CreateJaggedRgn(0, h, w, h, 0, kind);
        EXPECT_EQ(OnPicture(r, w, h), picture) << "columns, kind " << kind;
        EXPECT_EQ(r->BoundingBox().top, 0);
        EXPECT_EQ(r->BoundingBox().bottom, h);
    }
    for (int kind = 1; kind <= 2; ++kind) {
        // No fringe: nothing beyond the solid edge, and no random draws.
        const uint32_t before = SharedRandom().State();
        std::optional<Region> r = CreateFringeRgn(w, h, w, h, kind, 0);
        EXPECT_EQ(SharedRandom().State(), before);
        EXPECT_EQ(OnPicture(r, w, h), picture);
        EXPECT_EQ(r->BoundingBox().left, 0);
        EXPECT_EQ(r->BoundingBox().right, w);
        r = CreateFringeRgn(w, h, w, h, 0, kind);
        EXPECT_EQ(OnPicture(r, w, h), picture);
        EXPECT_EQ(r->BoundingBox().bottom, h);
    }
}

TEST_F(RegionStylesTest, JaggedBarsStayWithinTheirJitter) {
    // 700 wide: r = 100, so a bar end moves at most 99 either way.
    const int32_t w = 700, h = 103, ext = 300;
    const Region r = *CreateJaggedRgn(ext, 0, w, h, 1, 0);
    ASSERT_TRUE(r.IsValid());
    bool moved = false;
    for (int32_t y = 0; y < h; ++y) {
        int32_t left = w;
        while (left > 0 && r.Contains(left - 1, y))
            --left;
        EXPECT_GE(left, w - ext - 99);
        EXPECT_LE(left, w - ext + 99);
        moved |= left != w - ext;
    }
    EXPECT_TRUE(moved);
    // H mod 5 = 3: bands overlap by three rows and the last reaches y = 108.
    EXPECT_EQ(r.BoundingBox().bottom, 108);
}

TEST_F(RegionStylesTest, RandomDrawsComeInTheDocumentedOrder) {
    // Jagged kind 3: j1..j4 per band, rows only.
    const int32_t w = 140, h = 12;
    RandomGenerator g;
    std::vector<Rect> rects;
    for (int32_t top = 0; top < h; top += 5) {
        const int32_t j1 = g.Next(20), j2 = g.Next(20), j3 = g.Next(20), j4 = g.Next(20);
        rects.push_back(Rect{(w - 60 + j1 - j2) / 2, top, w / 2, top + 7});
        rects.push_back(Rect{w / 2, top, (w + 60 + j3 - j4) / 2, top + 7});
    }
    EXPECT_EQ(CreateJaggedRgn(60, 0, w, h, 3, 0), Region::FromRects(rects));
    EXPECT_EQ(SharedRandom().State(), g.State());

    // Fringe from the left on 800 wide: L = 80, b = 4, n = 20, t = 15; blocks
    // k = 20 down to 1, each present for a draw <= 1 (k <= 15) or 0.
    rects.clear();
    for (int32_t top = 0; top < 6; top += 2) {
        rects.push_back(Rect{0, top, 500, top + 4});
        for (int32_t k = 20; k >= 1; --k)
            if (g.Next(k) <= (k <= 15 ? 1 : 0))
                rects.push_back(Rect{500 + (k - 1) * 4, top, 500 + k * 4, top + 4});
    }
    EXPECT_EQ(CreateFringeRgn(500, 0, 800, 6, 2, 0), Region::FromRects(rects));
    EXPECT_EQ(SharedRandom().State(), g.State());
}

TEST_F(RegionStylesTest, SquaresGrowWithProgress) {
    EXPECT_EQ(SquaresHalfWidth(800, 600, 0), 12);
    EXPECT_EQ(SquaresHalfWidth(800, 600, 9), 12);
    EXPECT_EQ(SquaresHalfWidth(800, 600, 90), 21);
    EXPECT_EQ(SquaresHalfWidth(800, 600, 99), 21);
    EXPECT_EQ(SquaresHalfWidth(10, 10, 0), 1);

    // One draw per grid point of pitch d, and squares of 2d centred on them.
    for (auto [p, d] : {std::pair{5, 12}, {95, 21}}) {
        SharedRandom().Reset();
        const std::optional<Region> r = CreateSquaresRgn(800, 600, p);
        ASSERT_TRUE(r && r->IsValid());
        RandomGenerator g;
        const int points = ((800 + d - 1) / d) * ((600 + d - 1) / d);
        for (int i = 0; i < points; ++i)
            g.Next(100);
        EXPECT_EQ(SharedRandom().State(), g.State()) << p;
        for (const Rect& rect : r->Rects()) {
            EXPECT_EQ(rect.top % d, 0);
            EXPECT_EQ(rect.bottom % d, 0);
        }
        const double share = double(Area(OnPicture(r, 800, 600))) / (800 * 600);
        EXPECT_GT(share, p == 5 ? 0.05 : 0.9);
    }
    // Nothing chosen: no region at all.
    EXPECT_FALSE(CreateSquaresRgn(800, 600, 0).has_value());
    EXPECT_FALSE(CreateSquaresRgn(0, 600, 50).has_value());
}

// Checks a rounded sweep against its corner: in the quarter of the plane on
// the (sx, sy) side of the corner ellipse's centre, the pixels whose centres
// lie clearly inside the ellipse are in the region and those clearly outside
// are not.
void ExpectCorner(const Region& region,
                  int32_t w,
                  int32_t h,
                  double cx,
                  double cy,
                  double rx,
                  double ry,
                  int sx,
                  int sy) {
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
            if (dx * sx < 0 || dy * sy < 0)
                continue;
            const double e = (dx / rx) * (dx / rx) + (dy / ry) * (dy / ry);
            if (e < 0.99) {
                ASSERT_TRUE(region.Contains(x, y)) << x << "," << y;
            } else if (e > 1.01) {
                ASSERT_FALSE(region.Contains(x, y)) << x << "," << y;
            }
        }
    }
}

TEST_F(RegionStylesTest, CornerSweepsAreEllipticalExceptTheLastWhichIsCircular) {
    // 200 x 100 at P = 50: X = 100, Y = 50.
    const FrameQuantities f = ComputeFrame(200, 100, 50, 4);
    ExpectCorner(*BuildStyleRegion(80, f), 200, 100, 0, 0, 200, 100, 1, 1);
    ExpectCorner(*BuildStyleRegion(81, f), 200, 100, 200, 0, 200, 100, -1, 1);
    ExpectCorner(*BuildStyleRegion(82, f), 200, 100, 0, 100, 200, 100, 1, -1);
    ExpectCorner(*BuildStyleRegion(83, f), 200, 100, 100, 100, 100, 100, -1, -1);
    // The circular front is symmetric about its diagonal.
    const Region r83 = *BuildStyleRegion(83, f);
    for (int32_t a = 0; a < 100; ++a)
        for (int32_t b = 0; b < 100; ++b)
            ASSERT_EQ(r83.Contains(a, b), r83.Contains(b, a));
    // Right of the corner's centre the sweep is solid.
    EXPECT_TRUE(Region(Rect{100, 0, 200, 100}).Subtract(r83).IsEmpty());
}

TEST_F(RegionStylesTest, TilesAndTriangles) {
    // Style 117 at X = W: each of the 100 cells is covered from its top-left.
    const FrameQuantities full = ComputeFrame(400, 300, 100, 4);
    EXPECT_EQ(OnPicture(BuildStyleRegion(117, full), 400, 300), Region(Rect{0, 0, 400, 300}));
    // Half way every cell holds one corner triangle with legs 40 x 30.
    const Region half = *BuildStyleRegion(117, ComputeFrame(400, 300, 50, 4));
    for (int32_t j = 0; j < 10; ++j) {
        for (int32_t i = 0; i < 10; ++i) {
            EXPECT_TRUE(half.Contains(i * 40, j * 30));
            EXPECT_TRUE(half.Contains(i * 40 + 18, j * 30 + 13));
            EXPECT_FALSE(half.Contains(i * 40 + 22, j * 30 + 17));
        }
    }
    // The fan from both side edges covers the picture at full extent; the
    // pinwheel's four triangles do too.
    EXPECT_EQ(OnPicture(BuildStyleRegion(114, full), 400, 300), Region(Rect{0, 0, 400, 300}));
    EXPECT_EQ(OnPicture(BuildStyleRegion(116, full), 400, 300), Region(Rect{0, 0, 400, 300}));
    // The diagonal wipe from the top-left is the triangle below the line x/2X + y/2Y = 1.
    const Region wipe = *BuildStyleRegion(110, ComputeFrame(400, 300, 25, 4));
    EXPECT_EQ(wipe, CreateTriangleRgn(0, 0, 200, 0, 0, 150));
}

TEST_F(RegionStylesTest, SweepsOnlyEverGrow) {
    // The styles without chance cover more of the picture at every step.
    const int32_t w = 160, h = 90;
    for (int style : RegionStyles()) {
        if (IsRandomStyle(style))
            continue;
        Region before;
        for (int32_t p = 0; p <= 100; ++p) {
            const std::optional<Region> r = BuildStyleRegion(style, ComputeFrame(w, h, p, 4));
            ASSERT_TRUE(!r || r->IsValid()) << style;
            const Region now = OnPicture(r, w, h);
            EXPECT_TRUE(Region(before).Subtract(now).IsEmpty()) << "style " << style << " at " << p;
            before = now;
        }
    }
}

TEST_F(RegionStylesTest, EveryRegionStyleCoversPartOfThePictureHalfWay) {
    for (auto [w, h] : {std::pair{160, 90}, {90, 160}, {33, 17}}) {
        for (int style : RegionStyles()) {
            const std::optional<Region> r = BuildStyleRegion(style, ComputeFrame(w, h, 50, 4));
            ASSERT_TRUE(r.has_value()) << style;
            ASSERT_TRUE(r->IsValid()) << style;
            const int64_t area = Area(OnPicture(r, w, h));
            EXPECT_GT(area, 0) << style << " on " << w << "x" << h;
            EXPECT_LT(area, int64_t{w} * h) << style << " on " << w << "x" << h;
        }
    }
    EXPECT_FALSE(BuildStyleRegion(57, ComputeFrame(100, 100, 50, 4)).has_value());
    EXPECT_FALSE(BuildStyleRegion(118, ComputeFrame(100, 100, 50, 4)).has_value());
}

TEST_F(RegionStylesTest, EmptyPictureBuildsNothingVisible) {
    for (auto [w, h] : {std::pair{0, 0}, {0, 50}, {50, 0}}) {
        for (int style : RegionStyles()) {
            for (int32_t p : {0, 50, 99}) {
                const std::optional<Region> r = BuildStyleRegion(style, ComputeFrame(w, h, p, 4));
                EXPECT_TRUE(!r || r->IsValid());
                EXPECT_TRUE(OnPicture(r, w, h).IsEmpty());
            }
        }
    }
}

Bitmap Filled(int32_t w, int32_t h, uint8_t seed) {
    Bitmap b(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < 3 * w; ++x)
            b.Row(y)[x] = static_cast<uint8_t>(seed + x * 7 + y * 13);
    return b;
}

TEST_F(RegionStylesTest, RandomStylesRepeatFromAFreshGenerator) {
    const int32_t w = 120, h = 80;
    const Bitmap oldPicture = Filled(w, h, 1), newPicture = Filled(w, h, 100);
    auto run = [&] {
        SharedRandom().Reset();
        std::vector<Bitmap> frames;
        for (int style : kRandomStyles) {
            for (int32_t p = 0; p <= 100; p += 4) {
                Bitmap screen = oldPicture;
                if (std::optional<Region> r = BuildStyleRegion(style, ComputeFrame(w, h, p, 4)))
                    DrawThroughRegion(screen, newPicture, *r);
                frames.push_back(std::move(screen));
            }
        }
        return frames;
    };
    const std::vector<Bitmap> first = run();
    const std::vector<Bitmap> second = run();
    ASSERT_EQ(first.size(), second.size());
    for (size_t i = 0; i < first.size(); ++i)
        EXPECT_TRUE(first[i] == second[i]) << "frame " << i;

    // Without a reset the next frame of the same progress shows a new pattern.
    const FrameQuantities f = ComputeFrame(w, h, 50, 4);
    EXPECT_NE(BuildStyleRegion(127, f), BuildStyleRegion(127, f));
    EXPECT_NE(BuildStyleRegion(65, f), BuildStyleRegion(65, f));
}

TEST_F(RegionStylesTest, DrawThroughRegionCopiesExactlyTheRegion) {
    const int32_t w = 37, h = 23;
    Bitmap newPicture = Filled(w, h, 50);
    newPicture.Row(0)[3 * w] = 0xAB;
    Bitmap screen = Filled(w, h, 0);
    const Bitmap oldPicture = screen;
    // Parts outside the picture on every side are left out.
    const Region region = Region::FromRects({{-5, -5, 4, 3}, {30, 10, 60, 40}, {10, 8, 20, 9}, {-9, 20, 2, 99}});
    DrawThroughRegion(screen, newPicture, region);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            const Bitmap& want = region.Contains(x, y) ? newPicture : oldPicture;
            for (int k = 0; k < 3; ++k)
                ASSERT_EQ(screen.Row(y)[3 * x + k], want.Row(y)[3 * x + k]) << x << "," << y;
        }
    }
    // Row padding stays as it was.
    EXPECT_EQ(screen.Row(0)[3 * w], oldPicture.Row(0)[3 * w]);
}

// Frames driven by hand on the main thread: nothing to hand over, nothing to paint.
class ManualHost : public TransitionHost {
  public:
    void InvalidatePictureRect(const Rect&) override {}
    void UpdateNow() override {}
    void ProcessMessages() override {}
    uint32_t TickCount() override { return ticks_++; }
    void RunOnMainThread(const std::function<void()>& task) override { task(); }
    void WaitWhileHandingOver(const std::function<bool()>&) override {}

  private:
    uint32_t ticks_ = 0;
};

TEST_F(RegionStylesTest, AFrameWithoutRegionShowsOnlyTheOldPicture) {
    // Random squares on a 4 x 3 picture at P = 1: d = 1, twelve draws, and
    // from this generator state none of them below 1.
    constexpr uint32_t kState = 1;
    const Bitmap oldPicture = Filled(4, 3, 1), newPicture = Filled(4, 3, 100);
    SharedRandom().Reset(kState);
    ASSERT_FALSE(CreateSquaresRgn(4, 3, 1).has_value());

    ManualHost host;
    TransitionEngine engine(host);
    engine.SetManual(true);
    engine.SetStyle(127);
    engine.Execute(oldPicture, newPicture);
    SharedRandom().Reset(kState);
    engine.SetProgress(1);
    EXPECT_TRUE(engine.Screen() == oldPicture);

    // The same frame with squares chosen does draw.
    SharedRandom().Reset(kState);
    ASSERT_TRUE(CreateSquaresRgn(4, 3, 60).has_value());
    SharedRandom().Reset(kState);
    engine.SetProgress(60);
    EXPECT_FALSE(engine.Screen() == oldPicture);
}

}  // namespace
}  // namespace orlscr
