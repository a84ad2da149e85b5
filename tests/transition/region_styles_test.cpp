#include "transition/region_styles.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "common/random.h"
#include "transition/frame.h"
#include "transition/transition_engine.h"

namespace orlscr {
namespace {

// The part of a region that lies on a w x h picture.
Region OnPicture(const std::optional<Region>& region, int32_t w, int32_t h) {
    return region ? Region(*region).Intersect(Region(Rect{0, 0, w, h})) : Region();
}

int64_t Area(const Region& region) {
    int64_t area = 0;
    for (const Rect& r : region.Rects())
        area += int64_t{r.Width()} * r.Height();
    return area;
}

Bitmap Filled(int32_t w, int32_t h, uint8_t seed) {
    Bitmap b(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < b.Stride(); ++x)
            b.Row(y)[x] = static_cast<uint8_t>(seed + x * 7 + y * 13);
    return b;
}

class RegionStyles : public ::testing::Test {
  protected:
    void SetUp() override { SharedRandom().Reset(); }
};

TEST_F(RegionStyles, CombsGrowInTwoPhasesAndSnap) {
    // 100 x 20, Step 4 (StepPx 4). P = 25: the three bars from the right.
    const FrameQuantities quarter = ComputeFrame(100, 20, 25, 4), threeQuarters = ComputeFrame(100, 20, 75, 4);
    ASSERT_EQ(quarter.StepPx, 4);
    EXPECT_EQ(BuildStyleRegion(60, quarter),
              Region::FromRects({{50, 0, 100, 5}, {50, 10, 100, 15}, {50, 20, 100, 25}}));
    // P = 75: two full bands and the bars between them.
    EXPECT_EQ(BuildStyleRegion(60, threeQuarters),
              Region::FromRects({{0, 0, 100, 5}, {0, 10, 100, 15}, {50, 5, 100, 10}, {50, 15, 100, 20}}));
    // Kind 4 grows the first half from the left, the second from the right.
    EXPECT_EQ(BuildStyleRegion(62, quarter), Region::FromRects({{0, 0, 50, 5}, {0, 10, 50, 15}, {0, 20, 50, 25}}));
    EXPECT_EQ(BuildStyleRegion(62, threeQuarters), BuildStyleRegion(60, threeQuarters));
    // Kind 3: even bands from the right and odd ones from the left at once.
    EXPECT_EQ(
        BuildStyleRegion(64, ComputeFrame(100, 20, 30, 4)),
        Region::FromRects(
            {{70, 0, 100, 5}, {0, 5, 30, 10}, {70, 10, 100, 15}, {0, 15, 30, 20}, {70, 20, 100, 25}, {0, 25, 30, 30}}));
    // 800 x 600, Step 4: StepPx 36. At X = 390 (extent 780) the bars are full.
    FrameQuantities f = ComputeFrame(800, 600, 50, 4);
    ASSERT_EQ(f.StepPx, 36);
    f.X = 390;
    std::vector<Rect> full;
    for (int32_t i = 0; i < 605; i += 10)
        full.push_back(Rect{0, i, 800, i + 5});
    EXPECT_EQ(BuildStyleRegion(60, f), Region::FromRects(full));
    f.X = 380;  // 760 + 36 stays short of the edge
    EXPECT_EQ(BuildStyleRegion(60, f)->BoundingBox(), (Rect{40, 0, 800, 605}));
    // The crossing lattice is the intersection of two lattices.
    f = ComputeFrame(120, 80, 40, 4);
    EXPECT_EQ(BuildStyleRegion(99, f), BuildStyleRegion(89, f)->Intersect(*BuildStyleRegion(86, f)));
}

TEST_F(RegionStyles, JaggedAndFringeAtFullExtentMeetExactly) {
    const int32_t w = 640, h = 480;
    const Region picture(Rect{0, 0, w, h});
    for (int kind = 1; kind <= 4; ++kind) {
        const std::optional<Region> rows = CreateJaggedRgn(w, 0, w, h, kind, 0),
                                    cols = CreateJaggedRgn(0, h, w, h, 0, kind);
        EXPECT_EQ(OnPicture(rows, w, h), picture) << kind;
        EXPECT_EQ(OnPicture(cols, w, h), picture) << kind;
        EXPECT_TRUE(rows->BoundingBox().left == 0 && rows->BoundingBox().right == w);
        EXPECT_TRUE(cols->BoundingBox().top == 0 && cols->BoundingBox().bottom == h);
    }
    const uint32_t state = SharedRandom().State();
    for (int kind = 1; kind <= 2; ++kind) {
        // No fringe, and so no draws.
        const std::optional<Region> rows = CreateFringeRgn(w, h, w, h, kind, 0),
                                    cols = CreateFringeRgn(w, h, w, h, 0, kind);
        EXPECT_EQ(SharedRandom().State(), state);
        EXPECT_EQ(OnPicture(rows, w, h), picture);
        EXPECT_EQ(OnPicture(cols, w, h), picture);
        EXPECT_TRUE(rows->BoundingBox().left == 0 && rows->BoundingBox().right == w);
        EXPECT_EQ(cols->BoundingBox().bottom, h);
    }
}

TEST_F(RegionStyles, RandomDrawsComeInTheirOrder) {
    // Jagged bars on 140 x 12 at extent 60: r = 20, bands 7 high; j1 and j2
    // per band, j3 and j4 only for the kinds with two bars a band.
    RandomGenerator g;
    std::vector<Rect> rects;
    for (int kind = 1; kind <= 4; ++kind) {
        rects.clear();
        for (int32_t top = 0; top < 12; top += 5) {
            const int32_t j1 = g.Next(20), j2 = g.Next(20);
            const int32_t j3 = kind >= 3 ? g.Next(20) : 0, j4 = kind >= 3 ? g.Next(20) : 0;
            const int32_t bottom = top + 7;
            if (kind == 1)
                rects.push_back(Rect{140 - 60 + j1 - j2, top, 140, bottom});
            if (kind == 2)
                rects.push_back(Rect{0, top, 60 + j1 - j2, bottom});
            if (kind == 3) {
                rects.push_back(Rect{(140 - 60 + j1 - j2) / 2, top, 70, bottom});
                rects.push_back(Rect{70, top, (140 + 60 + j3 - j4) / 2, bottom});
            }
            if (kind == 4) {
                rects.push_back(Rect{140 - (60 + j1 - j2) / 2, top, 140, bottom});
                rects.push_back(Rect{0, top, (60 + j3 - j4) / 2, bottom});
            }
        }
        EXPECT_EQ(CreateJaggedRgn(60, 0, 140, 12, kind, 0), Region::FromRects(rects)) << kind;
        EXPECT_EQ(SharedRandom().State(), g.State()) << kind;
    }
    // At full extent the jitter is Random(0): still drawn, always 0.
    CreateJaggedRgn(140, 0, 140, 12, 4, 0);
    for (int i = 0; i < 3 * 4; ++i)
        EXPECT_EQ(g.Next(0), 0);
    EXPECT_EQ(SharedRandom().State(), g.State());

    // Fringe on an 800-wide picture at extent 500: L = 80, b = 4, n = 20,
    // t = 15, a row every 2 pixels; blocks k = 20 down to 1, each present for
    // a draw of at most 1 (k <= 15) or 0. From the left, then from the right.
    for (int kind = 2; kind >= 1; --kind) {
        rects.clear();
        for (int32_t top = 0; top < 6; top += 2) {
            rects.push_back(kind == 2 ? Rect{0, top, 500, top + 4} : Rect{300, top, 800, top + 4});
            for (int32_t k = 20; k >= 1; --k) {
                if (g.Next(k) > (k <= 15 ? 1 : 0))
                    continue;
                rects.push_back(kind == 2 ? Rect{500 + (k - 1) * 4, top, 500 + k * 4, top + 4}
                                          : Rect{300 - k * 4, top, 300 - (k - 1) * 4, top + 4});
            }
        }
        EXPECT_EQ(CreateFringeRgn(500, 0, 800, 6, kind, 0), Region::FromRects(rects)) << kind;
        EXPECT_EQ(SharedRandom().State(), g.State()) << kind;
    }

    // Random squares on 60 x 40 at P = 50: d = 5, one draw per grid point,
    // column by column (e outer, g inner).
    rects.clear();
    for (int32_t e = 0; e < 60; e += 5)
        for (int32_t y = 0; y < 40; y += 5)
            if (g.Next(100) < 50)
                rects.push_back(Rect{e - 5, y - 5, e + 5, y + 5});
    EXPECT_EQ(CreateSquaresRgn(60, 40, 50), Region::FromRects(rects));
    EXPECT_EQ(SharedRandom().State(), g.State());
}

TEST_F(RegionStyles, ColumnPassesAreTheRowPassesTurned) {
    // The same draws on a picture turned about its diagonal give the turned
    // region: from the right becomes from the bottom, from the left from the top.
    auto turn = [](const std::optional<Region>& r) {
        std::vector<Rect> rects;
        for (const Rect& piece : r->Rects())
            rects.push_back(Rect{piece.top, piece.left, piece.bottom, piece.right});
        return Region::FromRects(rects);
    };
    const int32_t w = 230, h = 57;
    for (int kind = 1; kind <= 4; ++kind) {
        SharedRandom().Reset(kind);
        const std::optional<Region> rows = CreateJaggedRgn(100, 0, w, h, kind, 0);
        SharedRandom().Reset(kind);
        EXPECT_EQ(CreateJaggedRgn(0, 100, h, w, 0, kind), turn(rows)) << kind;
    }
    for (int kind = 1; kind <= 2; ++kind) {
        SharedRandom().Reset(kind);
        const std::optional<Region> rows = CreateFringeRgn(100, 0, w, h, kind, 0);
        SharedRandom().Reset(kind);
        EXPECT_EQ(CreateFringeRgn(0, 100, h, w, 0, kind), turn(rows)) << kind;
    }
    for (int kind = 1; kind <= 5; ++kind)
        for (int32_t ext : {100, 220, 300})
            EXPECT_EQ(CreateCombRgn(0, ext, h, w, 12, 0, kind), turn(CreateCombRgn(ext, 0, w, h, 12, kind, 0)))
                << kind << " " << ext;
}

TEST_F(RegionStyles, SquaresGrowWithProgress) {
    EXPECT_EQ(SquaresHalfWidth(800, 600, 9), 12);
    EXPECT_EQ(SquaresHalfWidth(800, 600, 90), 21);
    EXPECT_EQ(SquaresHalfWidth(800, 600, 99), 21);
    EXPECT_EQ(SquaresHalfWidth(10, 10, 0), 1);
    // One draw per grid point of pitch d; squares 2d wide centred on them.
    for (auto [p, d] : {std::pair{5, 12}, {95, 21}}) {
        SharedRandom().Reset();
        const std::optional<Region> r = CreateSquaresRgn(800, 600, p);
        RandomGenerator g;
        for (int i = ((800 + d - 1) / d) * ((600 + d - 1) / d); i > 0; --i)
            g.Next(100);
        EXPECT_EQ(SharedRandom().State(), g.State()) << p;
        for (const Rect& rect : r->Rects())
            EXPECT_TRUE(rect.top % d == 0 && rect.bottom % d == 0);
        EXPECT_GT(Area(OnPicture(r, 800, 600)), (p == 5 ? 0.05 : 0.9) * 800 * 600);
    }
    EXPECT_FALSE(CreateSquaresRgn(800, 600, 0).has_value());  // none chosen: no region
}

TEST_F(RegionStyles, RoundedFrontsHaveTheirCorners) {
    // 200 x 100 at P = 50. Each front is a quarter (or half) ellipse: its
    // centre, its radii, the quarter of the plane it lies in (a sign of 0 takes
    // both halves), and whether the new picture lies inside or outside. Style
    // 83 is the one corner sweep with a circular front; 80 to 82 are
    // elliptical. A sweep's corner taller than its rectangle is cut to it.
    struct Corner {
        int style;
        double cx, cy, rx, ry;
        int sx, sy;
        bool inside;
    };
    const FrameQuantities f = ComputeFrame(200, 100, 50, 4);
    for (const Corner& c : {
             Corner{58, 0, 50, 200, 55, 1, 0, true},        // 2W x 2W, cut to H + 10 high
             Corner{59, 200, 50, 200, 55, -1, 0, true},     //
             Corner{69, 95, 0, 100, 100, -1, 1, true},      // 2H x 2H
             Corner{70, 95, 100, 100, 100, -1, -1, true},   //
             Corner{80, 0, 0, 200, 100, 1, 1, true},        // 2W x 2H
             Corner{81, 200, 0, 200, 100, -1, 1, true},     //
             Corner{82, 0, 100, 200, 100, 1, -1, true},     //
             Corner{83, 100, 100, 100, 100, -1, -1, true},  // 2H x 2H
             Corner{84, 90, 45, 90, 45, -1, -1, true},      // (9X) div 5 x (9Y) div 5
             Corner{85, 90, 45, 90, 45, -1, -1, false},     // (9(W-X)) div 5 x (9(H-Y)) div 5
         }) {
        const Region r = *BuildStyleRegion(c.style, f);
        for (int32_t y = 0; y < 100; ++y) {
            for (int32_t x = 0; x < 200; ++x) {
                const double dx = x + 0.5 - c.cx, dy = y + 0.5 - c.cy;
                const double e = (dx / c.rx) * (dx / c.rx) + (dy / c.ry) * (dy / c.ry);
                if (dx * c.sx >= 0 && dy * c.sy >= 0 && (e < 0.99 || e > 1.01)) {
                    ASSERT_EQ(r.Contains(x, y), (e < 1) == c.inside) << c.style << ": " << x << "," << y;
                }
            }
        }
    }
}

TEST_F(RegionStyles, BarsGrowFromTheirSides) {
    // 200 x 100, Step 4 (StepPx 9): X = 40, Y = 20 at P = 20 and X = 140,
    // Y = 70 at P = 70. Three probes across the picture (start, middle, end)
    // read '#' where the new picture shows. Rows of the first set of bands
    // lie at y = 2, of the second set at y = 7; columns at x = 2 and x = 7.
    using Probes = std::array<Point, 3>;
    const Probes row0{{{0, 2}, {100, 2}, {199, 2}}}, row1{{{0, 7}, {100, 7}, {199, 7}}};
    const Probes col0{{{2, 0}, {2, 50}, {2, 99}}}, col1{{{7, 0}, {7, 50}, {7, 99}}};
    // In the lattices the probes of one direction keep off the bars of the other.
    const Probes row0EvenCols{{{0, 2}, {100, 2}, {192, 2}}};
    const Probes row0OddCols{{{5, 2}, {105, 2}, {199, 2}}}, row1OddCols{{{5, 7}, {105, 7}, {199, 7}}};
    const Probes col0OddRows{{{2, 7}, {2, 57}, {2, 97}}}, col1OddRows{{{7, 7}, {7, 57}, {7, 97}}};
    const Probes col0EvenRows{{{2, 0}, {2, 50}, {2, 92}}};
    struct Case {
        int style, p;
        const Probes& probes;
        const char* shown;
    };
    // Combs: kind 1 from the right (bottom) in both halves, 2 from the left
    // (top), 4 left then right, 5 right then left; 3 both at once. Jagged bars
    // (whatever the jitter): from the right, the left, out from the centre
    // line, in from both sides. Fringes: from the right, left, bottom, top.
    const Case cases[] = {{60, 20, row0, "..#"},        {60, 70, row1, "..#"},         {61, 20, row0, "#.."},
                          {61, 70, row1, "#.."},        {62, 20, row0, "#.."},         {62, 70, row1, "..#"},
                          {63, 20, row0, "..#"},        {63, 70, row1, "#.."},         {64, 20, row0, "..#"},
                          {64, 20, row1, "#.."},        {71, 20, col0, "..#"},         {71, 70, col1, "..#"},
                          {72, 20, col0, "#.."},        {72, 70, col1, "#.."},         {73, 20, col0, "#.."},
                          {73, 70, col1, "..#"},        {74, 20, col0, "..#"},         {74, 70, col1, "#.."},
                          {75, 20, col0, "..#"},        {75, 20, col1, "#.."},         {94, 20, row0EvenCols, "..#"},
                          {94, 20, col0OddRows, "..#"}, {94, 20, col1OddRows, "#.."},  {95, 20, row0EvenCols, "#.."},
                          {95, 20, col0OddRows, "..#"}, {95, 20, col1OddRows, "#.."},  {96, 20, row0OddCols, "..#"},
                          {96, 20, row1OddCols, "#.."}, {96, 20, col0EvenRows, "..#"}, {97, 20, row0OddCols, "..#"},
                          {97, 20, row1OddCols, "#.."}, {97, 20, col0EvenRows, "#.."}, {65, 20, row0, "..#"},
                          {66, 20, row0, "#.."},        {67, 20, row0, ".#."},         {68, 20, row0, "#.#"},
                          {76, 20, col0, "..#"},        {77, 20, col0, "#.."},         {78, 20, col0, ".#."},
                          {79, 20, col0, "#.#"},        {123, 20, row0, "..#"},        {124, 20, row0, "#.."},
                          {125, 20, col0, "..#"},       {126, 20, col0, "#.."}};
    for (const Case& c : cases) {
        const std::optional<Region> r = BuildStyleRegion(c.style, ComputeFrame(200, 100, c.p, 4));
        std::string shown;
        for (Point probe : c.probes)
            shown += r && r->Contains(probe.x, probe.y) ? '#' : '.';
        EXPECT_EQ(shown, c.shown) << "style " << c.style << " at " << c.p;
    }

    // The lattices unite the rows of one style with the columns of another;
    // the random ones draw the rows first.
    const struct {
        int lattice, rows, columns;
    } unions[] = {{86, 60, 71},  {87, 60, 72},  {88, 61, 71},  {89, 61, 72},  {90, 62, 73},
                  {91, 62, 74},  {92, 63, 73},  {93, 63, 74},  {98, 64, 75},  {100, 65, 76},
                  {101, 65, 77}, {102, 66, 76}, {103, 66, 77}, {104, 65, 78}, {105, 66, 78},
                  {106, 67, 76}, {107, 67, 77}, {108, 67, 78}, {109, 68, 79}};
    for (int32_t p : {20, 70}) {
        const FrameQuantities f = ComputeFrame(200, 100, p, 4);
        for (const auto& u : unions) {
            SharedRandom().Reset(p);
            Region expected = *BuildStyleRegion(u.rows, f);
            expected.Unite(*BuildStyleRegion(u.columns, f));
            SharedRandom().Reset(p);
            EXPECT_EQ(BuildStyleRegion(u.lattice, f), expected) << "style " << u.lattice << " at " << p;
        }
    }
}

TEST_F(RegionStyles, TrianglesCoverTheirShare) {
    // 200 x 100 at P = 50: the diagonal wipes, the fans and the pinwheel each
    // show half the picture, on their own side.
    const FrameQuantities f = ComputeFrame(200, 100, 50, 4);
    struct Case {
        int style;
        Point covered, clear;
    };
    for (const Case& c : {Case{110, {0, 0}, {199, 99}}, Case{111, {199, 0}, {0, 99}}, Case{112, {0, 99}, {199, 0}},
                          Case{113, {199, 99}, {0, 0}}, Case{114, {190, 10}, {30, 10}}, Case{115, {190, 10}, {10, 40}},
                          Case{116, {50, 2}, {2, 10}}}) {
        const std::optional<Region> r = BuildStyleRegion(c.style, f);
        EXPECT_NEAR(Area(OnPicture(r, 200, 100)), 10000, 100) << c.style;
        EXPECT_TRUE(r->Contains(c.covered.x, c.covered.y) && !r->Contains(c.clear.x, c.clear.y)) << c.style;
    }
}

TEST_F(RegionStyles, TilesFillEachCellFromItsCorner) {
    // 400 x 300 at P = 50: a = 40, b = 30, one triangle per 40 x 30 cell.
    const Region half = *BuildStyleRegion(117, ComputeFrame(400, 300, 50, 4));
    for (int32_t j = 0; j < 10; ++j)
        for (int32_t i = 0; i < 10; ++i)
            EXPECT_TRUE(half.Contains(i * 40, j * 30) && half.Contains(i * 40 + 18, j * 30 + 13) &&
                        !half.Contains(i * 40 + 22, j * 30 + 17));
}

TEST_F(RegionStyles, FixedStylesGrowAndEveryStyleIsPartialHalfWay) {
    for (auto [w, h] : {std::pair{160, 90}, {90, 160}, {33, 17}}) {
        for (int style = 58; style <= 127; ++style) {
            if (!IsRegionStyle(style))
                continue;
            Region before;
            for (int32_t p = 0; p <= 100; ++p) {
                const std::optional<Region> r = BuildStyleRegion(style, ComputeFrame(w, h, p, 4));
                ASSERT_TRUE(!r || r->IsValid()) << style;
                const Region now = OnPicture(r, w, h);
                if (p == 50) {
                    EXPECT_GT(Area(now), 0) << style << " on " << w << "x" << h;
                    EXPECT_TRUE(style == 127 || Area(now) < int64_t{w} * h) << style << " on " << w << "x" << h;
                }
                // Styles without chance never take back what they showed.
                if (!IsRandomStyle(style)) {
                    EXPECT_TRUE(Region(before).Subtract(now).IsEmpty()) << style << " at " << p;
                }
                before = now;
            }
            // The sweeps, fans, pinwheel and tiles cover everything at full extent.
            if ((style >= 110 && style <= 116) || style == 58 || style == 83) {
                EXPECT_EQ(before, Region(Rect{0, 0, w, h})) << style;
            }
            // An empty picture shows nothing.
            EXPECT_TRUE(OnPicture(BuildStyleRegion(style, ComputeFrame(0, h, 50, 4)), 0, h).IsEmpty());
        }
    }
    EXPECT_FALSE(BuildStyleRegion(57, ComputeFrame(100, 100, 50, 4)).has_value());
}

TEST_F(RegionStyles, RandomStylesRepeatFromAFreshGenerator) {
    const int32_t w = 120, h = 80;
    const Bitmap oldPicture = Filled(w, h, 1), newPicture = Filled(w, h, 100);
    auto run = [&] {
        SharedRandom().Reset();
        std::vector<Bitmap> frames;
        for (int style = 0; style < kStyleCount; ++style) {
            if (!IsRandomStyle(style))
                continue;
            for (int32_t p = 0; p <= 100; p += 4) {
                frames.push_back(oldPicture);
                if (std::optional<Region> r = BuildStyleRegion(style, ComputeFrame(w, h, p, 4)))
                    DrawThroughRegion(frames.back(), newPicture, *r);
            }
        }
        return frames;
    };
    EXPECT_TRUE(run() == run());
    // Without a reset the same progress shows a new pattern.
    const FrameQuantities f = ComputeFrame(w, h, 50, 4);
    EXPECT_NE(BuildStyleRegion(127, f), BuildStyleRegion(127, f));
}

TEST_F(RegionStyles, DrawThroughRegionCopiesExactlyTheRegion) {
    const int32_t w = 37, h = 23;
    Bitmap newPicture = Filled(w, h, 50), screen = Filled(w, h, 0);
    newPicture.Row(17)[3 * w] = 0xAB;  // row padding is never copied
    const Bitmap oldPicture = screen;
    // Spans of 1 to 37 pixels, some reaching out of the picture on every side.
    const Region region = Region::FromRects(
        {{-5, -5, 4, 3}, {30, 10, 60, 40}, {10, 8, 20, 9}, {-9, 20, 2, 99}, {5, 15, 6, 16}, {-1, 17, 99, 18}});
    DrawThroughRegion(screen, newPicture, region);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            const uint8_t* expected = (region.Contains(x, y) ? newPicture : oldPicture).Row(y) + 3 * x;
            ASSERT_TRUE(std::equal(expected, expected + 3, screen.Row(y) + 3 * x)) << x << "," << y;
        }
    }
    EXPECT_EQ(screen.Row(17)[3 * w], oldPicture.Row(17)[3 * w]);
}

// Frames driven by hand on the main thread: nothing to hand over or paint.
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

TEST_F(RegionStyles, AFrameWithoutRegionShowsOnlyTheOldPicture) {
    // Squares on 4 x 3 at P = 1: twelve draws, from this state none below 1.
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
    SharedRandom().Reset(kState);  // with squares chosen the frame does draw
    engine.SetProgress(60);
    EXPECT_FALSE(engine.Screen() == oldPicture);
}

}  // namespace
}  // namespace orlscr

namespace orlscr {
namespace {

TEST(StyleRanges, EveryStyleButTheCustomOneHasExactlyOneKind) {
    int rect = 0, region = 0, pixel = 0, random = 0;
    for (int style = 0; style < kStyleCount; ++style) {
        const int kinds = IsRectStyle(style) + IsRegionStyle(style) + IsPixelStyle(style);
        EXPECT_EQ(kinds, style == kCustomStyle ? 0 : 1) << style;
        EXPECT_TRUE(!IsRandomStyle(style) || IsRegionStyle(style)) << style;
        rect += IsRectStyle(style);
        region += IsRegionStyle(style);
        pixel += IsPixelStyle(style);
        random += IsRandomStyle(style);
    }
    EXPECT_EQ(rect, 57);
    EXPECT_EQ(region, 65);
    EXPECT_EQ(pixel, 5);
    EXPECT_EQ(random, 23);
    EXPECT_FALSE(IsStyle(kStyleCount));
    EXPECT_EQ(DescribeRandomStyles(), "65-68, 76-79, 100-109, 123-127");
}

// A random style draws from the generator, so two frames at the same
// progress differ; every other style draws the same frame twice.
TEST(StyleRanges, TheRandomStylesAreThoseWhoseFramesChange) {
    for (int style = 0; style < kStyleCount; ++style) {
        if (!IsRegionStyle(style))
            continue;
        const FrameQuantities f = ComputeFrame(200, 150, 50, 4);
        EXPECT_EQ(BuildStyleRegion(style, f) != BuildStyleRegion(style, f), IsRandomStyle(style)) << style;
    }
}

}  // namespace
}  // namespace orlscr
