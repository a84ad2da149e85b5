#include "transition/region.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <random>
#include <vector>

namespace orlscr {
namespace {

// The naive model: one flag per pixel of a window that holds every shape.
constexpr int kLo = -24, kHi = 88, kSide = kHi - kLo;
using Pixels = std::vector<bool>;

void Fill(Pixels& p, const Rect& r) {
    for (int y = std::max(r.top, kLo); y < std::min(r.bottom, kHi); ++y)
        for (int x = std::max(r.left, kLo); x < std::min(r.right, kHi); ++x)
            p[(y - kLo) * kSide + (x - kLo)] = true;
}

Pixels Of(const Region& region) {
    Pixels p(kSide * kSide);
    for (const Rect& r : region.Rects())
        Fill(p, r);
    return p;
}

// Valid, inside the window, and Contains agrees with the model everywhere.
void ExpectMatches(const Region& region, const Pixels& model) {
    ASSERT_TRUE(region.IsValid());
    const Rect box = region.BoundingBox();
    ASSERT_TRUE(region.IsEmpty() || (box.left >= kLo && box.top >= kLo && box.right <= kHi && box.bottom <= kHi));
    for (int y = kLo; y < kHi; ++y)
        for (int x = kLo; x < kHi; ++x)
            ASSERT_EQ(region.Contains(x, y), bool(model[(y - kLo) * kSide + (x - kLo)])) << x << "," << y;
}

class Shapes {
  public:
    explicit Shapes(unsigned seed) : rng_(seed) {}
    int Coord(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    Point AnyPoint() { return Point{Coord(-20, 80), Coord(-20, 80)}; }
    Rect Box(int maxSide) {
        const int l = Coord(-20, 60), t = Coord(-20, 60);
        return Rect{l, t, std::min(l + Coord(1, maxSide), kHi), std::min(t + Coord(1, maxSide), kHi)};
    }

    // A region and its model. A rectangle list's model is built on its own;
    // curved and slanted shapes (tested below) take theirs from their rectangles.
    std::pair<Region, Pixels> Next() {
        const int kind = Coord(0, 3);
        if (kind < 2) {
            std::vector<Rect> rects;
            Pixels model(kSide * kSide);
            for (int i = Coord(0, 40); i > 0; --i) {
                // Some empty and inverted ones on purpose.
                rects.push_back(Coord(0, 3) ? Box(16) : Rect{Coord(-20, 80), Coord(-20, 80), Coord(-20, 80), 50});
                Fill(model, rects.back());
            }
            return {Region::FromRects(rects), model};
        }
        Region r = kind == 2 ? Region::Triangle(AnyPoint(), AnyPoint(), AnyPoint())
                             : Region::RoundRect(Box(40), Coord(0, 60), Coord(0, 60));
        return {r, Of(r)};
    }

  private:
    std::mt19937 rng_;
};

TEST(Region, OperationsMatchThePixelModel) {
    Shapes shapes(20261208);
    for (int round = 0; round < 200 && !HasFailure(); ++round) {
        const auto [a, ma0] = shapes.Next();
        const auto [b, mb0] = shapes.Next();
        const Pixels &ma = ma0, &mb = mb0;
        ExpectMatches(a, ma);
        auto model = [&](auto f) {
            Pixels p(kSide * kSide);
            for (size_t i = 0; i < p.size(); ++i)
                p[i] = f(ma[i], mb[i]);
            return p;
        };
        ExpectMatches(Region(a).Unite(b), model([](bool p, bool q) { return p || q; }));
        ExpectMatches(Region(a).Intersect(b), model([](bool p, bool q) { return p && q; }));
        ExpectMatches(Region(a).Xor(b), model([](bool p, bool q) { return p != q; }));
        ExpectMatches(Region(a).Subtract(b), model([](bool p, bool q) { return p && !q; }));
        // The rectangles of a band of rows are those that reach into it.
        const int top = shapes.Coord(-24, 88), bottom = top + shapes.Coord(0, 30);
        std::vector<Rect> inRows;
        std::copy_if(a.Rects().begin(), a.Rects().end(), std::back_inserter(inRows),
                     [&](const Rect& r) { return r.top < bottom && r.bottom > top; });
        const std::span<const Rect> found = a.RectsInRows(top, bottom);
        EXPECT_EQ(std::vector<Rect>(found.begin(), found.end()), inRows) << top << ".." << bottom;
    }
}

TEST(Region, EqualSetsHaveOneForm) {
    Shapes shapes(7);
    for (int round = 0; round < 100; ++round) {
        auto [a, ma] = shapes.Next();
        auto [b, mb] = shapes.Next();
        auto [c, mc] = shapes.Next();
        EXPECT_EQ(Region(a).Unite(b).Unite(c), Region(c).Unite(a).Unite(b));
        EXPECT_EQ(Region(a).Xor(b).Xor(b), a);
        EXPECT_EQ(Region(a).Subtract(b).Unite(Region(a).Intersect(b)), a);

        std::vector<Rect> rects;
        Region oneByOne;
        for (int i = 0; i < 30; ++i) {
            rects.push_back(shapes.Box(16));
            oneByOne.Unite(Region(rects.back()));
        }
        EXPECT_EQ(Region::FromRects(rects), oneByOne);
    }
    // Side by side pieces and one above with the same columns make one rectangle.
    const Region r = Region::FromRects({{10, 5, 20, 10}, {0, 5, 10, 10}, {0, 0, 20, 5}, {3, 3, 3, 9}});
    EXPECT_EQ(r.Rects(), (std::vector<Rect>{{0, 0, 20, 10}}));
    // Tops far apart (no counting sort).
    EXPECT_EQ(Region::FromRects({{0, 1000000, 5, 1000005}, {0, -1000000, 5, -999990}}).Rects().size(), 2u);
}

// Twice the signed area of (a, b, p); p in half-pixel units, so centres are odd.
long long Side(Point a, Point b, long long px2, long long py2) {
    return (2LL * b.x - 2LL * a.x) * (py2 - 2LL * a.y) - (2LL * b.y - 2LL * a.y) * (px2 - 2LL * a.x);
}

TEST(Region, TrianglesFillThePixelsWhoseCentresLieInside) {
    Shapes shapes(3);
    for (int round = 0; round < 200; ++round) {
        const Point a = shapes.AnyPoint(), b = shapes.AnyPoint(), c = shapes.AnyPoint();
        const Region t = Region::Triangle(a, b, c);
        ASSERT_TRUE(t.IsValid());
        EXPECT_EQ(Region::Triangle(c, b, a), t);  // either winding
        for (int y = kLo; y < kHi; ++y) {
            for (int x = kLo; x < kHi; ++x) {
                const long long s[] = {Side(a, b, 2 * x + 1, 2 * y + 1), Side(b, c, 2 * x + 1, 2 * y + 1),
                                       Side(c, a, 2 * x + 1, 2 * y + 1)};
                const bool pos = s[0] > 0 || s[1] > 0 || s[2] > 0, neg = s[0] < 0 || s[1] < 0 || s[2] < 0;
                const bool zero = s[0] == 0 || s[1] == 0 || s[2] == 0;
                if (pos != neg && !zero) {
                    ASSERT_TRUE(t.Contains(x, y)) << round << ": " << x << "," << y;
                } else if (pos && neg) {
                    ASSERT_FALSE(t.Contains(x, y)) << round << ": " << x << "," << y;
                }
            }
        }
        // Four triangles fanned about a point of a box tile it: no gap, no overlap.
        const Rect box = shapes.Box(30);
        const Point m{shapes.Coord(box.left, box.right), shapes.Coord(box.top, box.bottom)};
        const Point corners[] = {
            {box.left, box.top}, {box.right, box.top}, {box.right, box.bottom}, {box.left, box.bottom}};
        Region fan;
        size_t area = 0;
        for (int k = 0; k < 4; ++k) {
            const Region piece = Region::Triangle(m, corners[k], corners[(k + 1) % 4]);
            const Pixels pixels = Of(piece);
            area += std::count(pixels.begin(), pixels.end(), true);
            fan.Unite(piece);
        }
        EXPECT_EQ(fan, Region(box));
        EXPECT_EQ(area, size_t(box.Width()) * box.Height());
    }
    EXPECT_TRUE(Region::Triangle({0, 0}, {10, 10}, {20, 20}).IsEmpty());
    EXPECT_TRUE(Region::Triangle({0, 5}, {10, 5}, {30, 5}).IsEmpty());
}

TEST(Region, RoundRectCornersAreQuarterEllipses) {
    // Corners as large as the box: the ellipse inscribed in it.
    const Rect box{-10, 4, 50, 30};
    const Region full = Region::RoundRect(box, 60, 26);
    for (int y = kLo; y < kHi; ++y) {
        for (int x = kLo; x < kHi; ++x) {
            const double e = std::pow((x + 0.5 - 20) / 30, 2) + std::pow((y + 0.5 - 17) / 13, 2);
            if (e < 0.999 || e > 1.001) {
                ASSERT_EQ(full.Contains(x, y), e < 1) << x << "," << y;
            }
        }
    }
    // Larger corners are limited to the box; no corner leaves the box itself.
    EXPECT_EQ(Region::RoundRect(box, 500, 900), full);
    EXPECT_EQ(Region::RoundRect(box, 0, 10), Region(box));
    EXPECT_TRUE(Region::RoundRect(Rect{5, 5, 5, 20}, 4, 4).IsEmpty());
    // Small corners cut only the corners.
    const Region small = Region::RoundRect(Rect{0, 0, 40, 20}, 10, 6);
    EXPECT_TRUE(!small.Contains(0, 0) && !small.Contains(39, 19) && small.Contains(5, 0) && small.Contains(0, 3));
}

}  // namespace
}  // namespace orlscr
