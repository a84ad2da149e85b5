#include "transition/region.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace orlscr {
namespace {

// The naive model: one flag per pixel of a window that holds every shape of
// these tests with room to spare.
constexpr int kLo = -24;
constexpr int kHi = 88;
constexpr int kSide = kHi - kLo;

class Pixels {
  public:
    Pixels() : bits_(kSide * kSide, false) {}

    static Pixels Of(const Region& region) {
        Pixels p;
        for (const Rect& r : region.Rects())
            p.Fill(r);
        return p;
    }
    void Fill(const Rect& r) {
        for (int y = std::max(r.top, kLo); y < std::min(r.bottom, kHi); ++y)
            for (int x = std::max(r.left, kLo); x < std::min(r.right, kHi); ++x)
                Set(x, y, true);
    }
    bool At(int x, int y) const { return bits_[(y - kLo) * kSide + (x - kLo)]; }
    void Set(int x, int y, bool v) { bits_[(y - kLo) * kSide + (x - kLo)] = v; }
    int Count() const { return static_cast<int>(std::count(bits_.begin(), bits_.end(), true)); }

    template <typename F>
    static Pixels Combine(const Pixels& a, const Pixels& b, F f) {
        Pixels p;
        for (size_t i = 0; i < p.bits_.size(); ++i)
            p.bits_[i] = f(a.bits_[i], b.bits_[i]);
        return p;
    }
    friend bool operator==(const Pixels&, const Pixels&) = default;

  private:
    std::vector<bool> bits_;
};

// The region's rectangles stay inside the model window, and Contains agrees
// with them everywhere.
void ExpectMatches(const Region& region, const Pixels& model) {
    ASSERT_TRUE(region.IsValid());
    for (const Rect& r : region.Rects()) {
        ASSERT_GE(r.left, kLo);
        ASSERT_GE(r.top, kLo);
        ASSERT_LE(r.right, kHi);
        ASSERT_LE(r.bottom, kHi);
    }
    EXPECT_TRUE(Pixels::Of(region) == model);
    for (int y = kLo; y < kHi; ++y)
        for (int x = kLo; x < kHi; ++x)
            ASSERT_EQ(region.Contains(x, y), model.At(x, y)) << x << "," << y;
}

class Shapes {
  public:
    explicit Shapes(unsigned seed) : rng_(seed) {}

    int Coord(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

    Rect RandomRect() {
        // Some empty and inverted ones on purpose.
        return Rect{Coord(-20, 80), Coord(-20, 80), Coord(-20, 80), Coord(-20, 80)};
    }
    Rect RandomProperRect() {
        int l = Coord(-20, 70), t = Coord(-20, 70);
        return Rect{l, t, l + Coord(1, 16), t + Coord(1, 16)};
    }

    // A region with its model. The model of a rectangle list is built
    // independently; curved and slanted shapes take theirs from the region's
    // own rectangles (their pixel rules are tested separately below).
    std::pair<Region, Pixels> Next() {
        switch (Coord(0, 3)) {
            case 0:
            case 1: {
                std::vector<Rect> rects;
                Pixels model;
                const int n = Coord(0, 40);
                for (int i = 0; i < n; ++i) {
                    Rect r = Coord(0, 3) == 0 ? RandomRect() : RandomProperRect();
                    rects.push_back(r);
                    model.Fill(r);
                }
                return {Region::FromRects(rects), model};
            }
            case 2: {
                Region r = Region::Triangle({Coord(-20, 80), Coord(-20, 80)}, {Coord(-20, 80), Coord(-20, 80)},
                                            {Coord(-20, 80), Coord(-20, 80)});
                return {r, Pixels::Of(r)};
            }
            default: {
                Rect box = RandomProperRect();
                box.right = std::min(box.right + Coord(0, 30), kHi);
                box.bottom = std::min(box.bottom + Coord(0, 30), kHi);
                Region r = Region::RoundRect(box, Coord(0, 60), Coord(0, 60));
                return {r, Pixels::Of(r)};
            }
        }
    }

  private:
    std::mt19937 rng_;
};

TEST(RegionOps, MatchThePixelModelOverRandomShapes) {
    Shapes shapes(20261208);
    for (int round = 0; round < 400; ++round) {
        auto [a, ma] = shapes.Next();
        auto [b, mb] = shapes.Next();
        ExpectMatches(a, ma);
        ExpectMatches(b, mb);

        Region u = a;
        u.Unite(b);
        ExpectMatches(u, Pixels::Combine(ma, mb, [](bool p, bool q) { return p || q; }));
        Region i = a;
        i.Intersect(b);
        ExpectMatches(i, Pixels::Combine(ma, mb, [](bool p, bool q) { return p && q; }));
        Region x = a;
        x.Xor(b);
        ExpectMatches(x, Pixels::Combine(ma, mb, [](bool p, bool q) { return p != q; }));
        Region s = a;
        s.Subtract(b);
        ExpectMatches(s, Pixels::Combine(ma, mb, [](bool p, bool q) { return p && !q; }));
        if (HasFailure())
            return;
    }
}

TEST(RegionOps, ChainedOperationsStayCanonical) {
    // Equal sets compare equal however they were reached.
    Shapes shapes(7);
    for (int round = 0; round < 100; ++round) {
        auto [a, ma] = shapes.Next();
        auto [b, mb] = shapes.Next();
        auto [c, mc] = shapes.Next();
        Region left = a;
        left.Unite(b).Unite(c);
        Region right = c;
        right.Unite(a).Unite(b);
        EXPECT_EQ(left, right);
        // (A xor B) xor B is A again; A - B united with A and B is A.
        Region back = a;
        back.Xor(b).Xor(b);
        EXPECT_EQ(back, a);
        Region part = a;
        part.Subtract(b).Unite(Region(a).Intersect(b));
        EXPECT_EQ(part, a);
        EXPECT_TRUE(left.IsValid() && back.IsValid() && part.IsValid());
    }
}

TEST(RegionFromRects, MergesTouchingAndIdenticalRows) {
    // Two side by side pieces and one above with the same columns: one rectangle.
    Region r = Region::FromRects({{10, 5, 20, 10}, {0, 5, 10, 10}, {0, 0, 20, 5}, {3, 3, 3, 9}});
    ASSERT_EQ(r.Rects().size(), 1u);
    EXPECT_EQ(r.Rects()[0], (Rect{0, 0, 20, 10}));
    EXPECT_TRUE(Region::FromRects({{5, 5, 5, 9}, {4, 4, 2, 8}}).IsEmpty());
    EXPECT_EQ(r.BoundingBox(), (Rect{0, 0, 20, 10}));
}

TEST(RegionFromRects, SameSetWhateverTheOrder) {
    Shapes shapes(99);
    for (int round = 0; round < 50; ++round) {
        std::vector<Rect> rects;
        for (int i = 0; i < 60; ++i)
            rects.push_back(shapes.RandomProperRect());
        Region forward = Region::FromRects(rects);
        std::reverse(rects.begin(), rects.end());
        EXPECT_EQ(Region::FromRects(rects), forward);
        Region oneByOne;
        for (const Rect& r : rects)
            oneByOne.Unite(Region(r));
        EXPECT_EQ(oneByOne, forward);
    }
}

TEST(RegionFromRects, WideSpreadOfTopsAndThousandsOfPieces) {
    // Tops far apart take the comparison sort; many small pieces the counting sort.
    Region far = Region::FromRects({{0, 1000000, 5, 1000005}, {0, -1000000, 5, -999990}, {2, 0, 4, 1}});
    EXPECT_TRUE(far.IsValid());
    EXPECT_EQ(far.Rects().size(), 3u);

    std::vector<Rect> grid;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 60; ++x)
            if ((x + y) % 3 != 0)
                grid.push_back(Rect{x, y, x + 1, y + 1});
    Pixels model;
    for (const Rect& r : grid)
        model.Fill(r);
    ExpectMatches(Region::FromRects(grid), model);
}

// Twice the signed area of (a, b, p), in units where pixel centres are odd.
long long Side(Point a, Point b, long long px2, long long py2) {
    return (2LL * b.x - 2LL * a.x) * (py2 - 2LL * a.y) - (2LL * b.y - 2LL * a.y) * (px2 - 2LL * a.x);
}

TEST(RegionShapes, TriangleCoversThePixelsWhoseCentresLieInside) {
    Shapes shapes(3);
    for (int round = 0; round < 200; ++round) {
        Point a{shapes.Coord(-20, 80), shapes.Coord(-20, 80)};
        Point b{shapes.Coord(-20, 80), shapes.Coord(-20, 80)};
        Point c{shapes.Coord(-20, 80), shapes.Coord(-20, 80)};
        const Region t = Region::Triangle(a, b, c);
        ASSERT_TRUE(t.IsValid());
        // Any vertex order, either winding, fills the same pixels.
        EXPECT_EQ(Region::Triangle(c, b, a), t);
        EXPECT_EQ(Region::Triangle(b, c, a), t);
        for (int y = kLo; y < kHi; ++y) {
            for (int x = kLo; x < kHi; ++x) {
                const long long s1 = Side(a, b, 2 * x + 1, 2 * y + 1);
                const long long s2 = Side(b, c, 2 * x + 1, 2 * y + 1);
                const long long s3 = Side(c, a, 2 * x + 1, 2 * y + 1);
                const bool inside = (s1 > 0 && s2 > 0 && s3 > 0) || (s1 < 0 && s2 < 0 && s3 < 0);
                const bool outside = (s1 < 0 || s2 < 0 || s3 < 0) && (s1 > 0 || s2 > 0 || s3 > 0);
                if (inside) {
                    ASSERT_TRUE(t.Contains(x, y)) << round << ": " << x << "," << y;
                } else if (outside) {
                    ASSERT_FALSE(t.Contains(x, y)) << round << ": " << x << "," << y;
                }
            }
        }
    }
}

TEST(RegionShapes, TrianglesSharingAnEdgeTileWithoutGapOrOverlap) {
    Shapes shapes(4);
    for (int round = 0; round < 200; ++round) {
        Rect box = shapes.RandomProperRect();
        box.right = std::min(box.right + shapes.Coord(0, 20), kHi);
        const Point tl{box.left, box.top}, tr{box.right, box.top}, bl{box.left, box.bottom}, br{box.right, box.bottom};
        Region one = Region::Triangle(tl, tr, br);
        const Region two = Region::Triangle(tl, br, bl);
        EXPECT_TRUE(Region(one).Intersect(two).IsEmpty());
        EXPECT_EQ(one.Unite(two), Region(box));
        // A fan of four about an inner point covers the box the same way.
        const Point m{shapes.Coord(box.left, box.right), shapes.Coord(box.top, box.bottom)};
        Region fan = Region::FromRects({});
        int area = 0;
        for (auto [p, q] : {std::pair{tl, tr}, {tr, br}, {br, bl}, {bl, tl}}) {
            Region piece = Region::Triangle(m, p, q);
            area += Pixels::Of(piece).Count();
            fan.Unite(piece);
        }
        EXPECT_EQ(fan, Region(box));
        EXPECT_EQ(area, box.Width() * box.Height());
    }
}

TEST(RegionShapes, DegenerateTrianglesAreEmpty) {
    EXPECT_TRUE(Region::Triangle({0, 0}, {0, 0}, {0, 0}).IsEmpty());
    EXPECT_TRUE(Region::Triangle({0, 0}, {10, 10}, {20, 20}).IsEmpty());
    EXPECT_TRUE(Region::Triangle({0, 5}, {10, 5}, {30, 5}).IsEmpty());
}

TEST(RegionShapes, RoundRectCornersAreQuarterEllipses) {
    // With corners as large as the box the shape is the ellipse inscribed in it.
    const Rect box{-10, 4, 50, 30};
    const Region full = Region::RoundRect(box, 60, 26);
    const double cx = 20, cy = 17, rx = 30, ry = 13;
    for (int y = kLo; y < kHi; ++y) {
        for (int x = kLo; x < kHi; ++x) {
            const double e = std::pow((x + 0.5 - cx) / rx, 2) + std::pow((y + 0.5 - cy) / ry, 2);
            if (e < 0.999) {
                ASSERT_TRUE(full.Contains(x, y)) << x << "," << y;
            }
            if (e > 1.001) {
                ASSERT_FALSE(full.Contains(x, y)) << x << "," << y;
            }
        }
    }
    // Larger corners are limited to the box; no corner gives the box itself.
    EXPECT_EQ(Region::RoundRect(box, 500, 900), full);
    EXPECT_EQ(Region::RoundRect(box, 0, 10), Region(box));
    EXPECT_TRUE(Region::RoundRect(Rect{5, 5, 5, 20}, 4, 4).IsEmpty());

    // Small corners: the middle is the full box, the shape is symmetric.
    const Region small = Region::RoundRect(Rect{0, 0, 40, 20}, 10, 6);
    EXPECT_TRUE(small.IsValid());
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(small.Contains(x, y), small.Contains(39 - x, 19 - y)) << x << "," << y;
    EXPECT_FALSE(small.Contains(0, 0));
    EXPECT_TRUE(small.Contains(5, 0));
    EXPECT_TRUE(small.Contains(0, 3));
    EXPECT_EQ(small.BoundingBox(), (Rect{0, 0, 40, 20}));
}

}  // namespace
}  // namespace orlscr
