#include "transition/region_change.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "support/test_pictures.h"
#include "transition/region_styles.h"

namespace orlscr {
namespace {

using testing::Pattern;

// The frame that shows `picture` inside `region` and `old` elsewhere.
Bitmap Through(const Bitmap& old, const Bitmap& picture, const Region& region) {
    Bitmap frame = old;
    DrawThroughRegion(frame, picture, region);
    return frame;
}

bool Covered(const std::vector<Rect>& rects, int x, int y) {
    for (const Rect& r : rects)
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom)
            return true;
    return false;
}

// Seeded random regions, some reaching past the frame: the frame ends as if
// drawn afresh, and the few rectangles returned hold every changed pixel.
TEST(DrawRegionChange, EndsAsAFreshFrameAndReportsAllItChanged) {
    constexpr int kW = 203, kH = 150;
    const Bitmap old = Pattern(kW, kH, 1), picture = Pattern(kW, kH, 2);
    std::mt19937 rng(7);
    auto coord = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto randomRegion = [&] {
        std::vector<Rect> rects;
        for (int i = coord(0, 60); i > 0; --i) {
            const int l = coord(-20, kW), t = coord(-20, kH);
            rects.push_back(Rect{l, t, l + coord(1, 40), t + coord(1, 40)});
        }
        return Region::FromRects(std::move(rects));
    };
    for (int round = 0; round < 40; ++round) {
        const Region before = randomRegion(), after = randomRegion();
        const size_t maxRects = static_cast<size_t>(coord(1, 8));
        const Bitmap start = Through(old, picture, before);
        Bitmap frame = start;
        const std::vector<Rect> rects = DrawRegionChange(frame, old, picture, before, after, maxRects);
        ASSERT_EQ(frame, Through(old, picture, after)) << "round " << round;
        EXPECT_LE(rects.size(), maxRects);
        for (int y = 0; y < kH; ++y) {
            for (int x = 0; x < kW; ++x) {
                if (std::memcmp(frame.Row(y) + 3 * x, start.Row(y) + 3 * x, 3) != 0) {
                    ASSERT_TRUE(Covered(rects, x, y)) << "round " << round << " at " << x << "," << y;
                }
            }
        }
    }
}

TEST(DrawRegionChange, AFewChangedStripsComeOutExactlyAndNoChangeAsNone) {
    const Bitmap old = Pattern(300, 200, 1), picture = Pattern(300, 200, 2);
    // Two edges moving apart, and a region that did not change.
    const Region before(Rect{100, 0, 200, 200}), after(Rect{90, 0, 215, 200});
    Bitmap frame = Through(old, picture, before);
    EXPECT_EQ(DrawRegionChange(frame, old, picture, before, after, 8),
              (std::vector<Rect>{Rect{90, 0, 100, 200}, Rect{200, 0, 215, 200}}));
    EXPECT_TRUE(DrawRegionChange(frame, old, picture, after, after, 8).empty());

    // Bars every other row, each growing: too many pieces, so grid cells
    // (one strip of them here), never the whole frame.
    std::vector<Rect> bars, longer;
    for (int y = 0; y < 200; y += 2) {
        bars.push_back(Rect{0, y, 150, y + 1});
        longer.push_back(Rect{0, y, 160, y + 1});
    }
    const Region a = Region::FromRects(bars), b = Region::FromRects(longer);
    frame = Through(old, picture, a);
    const std::vector<Rect> rects = DrawRegionChange(frame, old, picture, a, b, 8);
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_LE(rects[0].left, 150);
    EXPECT_GE(rects[0].right, 160);
    EXPECT_LT(rects[0].Width(), 300);
}

}  // namespace
}  // namespace orlscr
