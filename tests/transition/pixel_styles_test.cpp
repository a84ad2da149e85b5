#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "raster/bgrx_image.h"
#include "raster/blit.h"
#include "transition/frame.h"
#include "transition/pixel_styles.h"

namespace orlscr {
namespace {

Bitmap Pattern(int32_t w, int32_t h, uint32_t seed) {
    Bitmap b(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < b.Stride(); ++x)
            b.Row(y)[x] = static_cast<uint8_t>((seed = seed * 1103515245u + 12345u) >> 23);
    return b;
}

bool SamePixel(const Bitmap& a, const Bitmap& b, Point p) {
    return std::equal(a.Row(p.y) + 3 * p.x, a.Row(p.y) + 3 * p.x + 3, b.Row(p.y) + 3 * p.x);
}

TEST(Fade, TermsAreTruncatedSeparately) {
    Bitmap screen(2, 1), fresh(2, 1);
    const uint8_t old[] = {255, 100, 99, 255, 7, 0}, nu[] = {255, 200, 99, 255, 7, 255};
    std::copy(old, old + 6, screen.Row(0));
    std::copy(nu, nu + 6, fresh.Row(0));
    BlendBitmaps(screen, fresh, 50);
    // 127 + 127 = 254, not 255.
    EXPECT_EQ(std::vector<uint8_t>(screen.Row(0), screen.Row(0) + 6),
              (std::vector<uint8_t>{254, 150, 98, 254, 6, 127}));
}

TEST(Fade, MatchesTheByteLoopForEveryPairAndProgress) {
    // 266 x 83 holds every (old, new) byte pair; a row of 798 bytes goes
    // through the 32-byte, the 16-byte and the single-byte steps.
    const int32_t w = 266, h = 83;
    Bitmap oldPicture(w, h), newPicture(w, h);
    for (int32_t y = 0, i = 0; y < h; ++y) {
        for (int32_t x = 0; x < 3 * w; ++x, ++i) {
            oldPicture.Row(y)[x] = static_cast<uint8_t>(i);
            newPicture.Row(y)[x] = static_cast<uint8_t>(i >> 8);
        }
        oldPicture.Row(y)[3 * w] = 0x5A;  // padding stays
    }
    for (int32_t p = 0; p <= 100; ++p) {
        Bitmap fast = oldPicture, slow = oldPicture, fused = newPicture;
        BlendBitmaps(fast, newPicture, p);
        BlendBitmapsReference(slow, newPicture, p);
        ASSERT_TRUE(fast == slow) << "P = " << p;
        // Straight from both pictures, without restoring the old one first.
        BlendBitmaps(fused, oldPicture, newPicture, p);
        for (int32_t y = 0; y < h; ++y)
            ASSERT_TRUE(std::equal(fused.Row(y), fused.Row(y) + 3 * w, fast.Row(y))) << "P = " << p;
    }
}

TEST(Swing, StartsWithTheOldPictureAndEndsWithTheNew) {
    EXPECT_EQ(SwingAngle(0), std::numbers::pi / 2);
    EXPECT_EQ(SwingAngle(100), 0.0);
    for (auto [w, h] : {std::pair{64, 48}, {48, 64}, {7, 3}}) {
        const Bitmap oldPicture = Pattern(w, h, 1), newPicture = Pattern(w, h, 2);
        for (int style = 119; style <= 122; ++style) {
            Bitmap screen = oldPicture;
            DrawPixelStyle(style, screen, newPicture, ComputeFrame(w, h, 0, 4));
            EXPECT_TRUE(screen == oldPicture) << style;
            DrawPixelStyle(style, screen, newPicture, ComputeFrame(w, h, 100, 4));
            for (int32_t y = 0; y < h; ++y)
                EXPECT_TRUE(std::equal(screen.Row(y), screen.Row(y) + 3 * w, newPicture.Row(y))) << style;
        }
    }
}

TEST(Swing, EachStyleTurnsClockwiseAboutItsCorner) {
    // Half way (A = pi/4) the new picture covers the corner a quarter turn
    // clockwise from its entry edge, and not the opposite corner. The pivots
    // lie just outside the corners, (-1, -1), (-1, H), (W, -1) and (W, H): in
    // style 119 pixel (W-2, 0) shows new pixel
    // (-1 + [(W-1) cos A - sin A], -1 + [(W-1) sin A + cos A]) = (54, 56).
    const int32_t w = 80, h = 60;
    const Bitmap oldPicture = Pattern(w, h, 3), newPicture = Pattern(w, h, 4);
    struct Case {
        int style;
        Point covered, source, clear;
    };
    for (const Case& c : {Case{119, {w - 2, 0}, {54, 56}, {0, h - 1}}, Case{120, {1, 0}, {43, 19}, {w - 1, h - 1}},
                          Case{121, {w - 2, h - 1}, {36, 40}, {0, 0}}, Case{122, {1, h - 1}, {25, 3}, {w - 1, 0}}}) {
        Bitmap screen = oldPicture;
        DrawPixelStyle(c.style, screen, newPicture, ComputeFrame(w, h, 50, 4));
        const uint8_t* shown = screen.Row(c.covered.y) + 3 * c.covered.x;
        EXPECT_TRUE(std::equal(shown, shown + 3, newPicture.Row(c.source.y) + 3 * c.source.x)) << c.style;
        EXPECT_TRUE(SamePixel(screen, oldPicture, c.clear)) << c.style;
    }
}

TEST(Swing, StepwiseRowsMatchTheDirectFormula) {
    auto same = [](const Bitmap& oldPicture, const Bitmap& newPicture, Point pivot, double angle) {
        Bitmap fast = oldPicture, slow = oldPicture;
        RotateBitmap(fast, newPicture, pivot.x, pivot.y, angle);
        RotateBitmapReference(slow, newPicture, pivot.x, pivot.y, angle);
        // Straight from both pictures, over whatever the frame held before.
        Bitmap fused = Pattern(oldPicture.Width(), oldPicture.Height(), 9);
        RotateBitmap(fused, oldPicture, newPicture, pivot.x, pivot.y, angle);
        return fast == slow && fused == slow;
    };
    // Every progress and pivot of the four styles, on odd sizes and a large one.
    for (auto [w, h] : {std::pair{61, 37}, {37, 61}, {160, 90}, {1024, 768}}) {
        const Bitmap oldPicture = Pattern(w, h, 5), newPicture = Pattern(w, h, 6);
        for (int32_t p = 0; p <= 100; p += w > 500 ? 19 : 1)
            for (Point pivot : {Point{-1, -1}, Point{-1, h}, Point{w, -1}, Point{w, h}})
                ASSERT_TRUE(same(oldPicture, newPicture, pivot, SwingAngle(p))) << w << " P " << p;
    }
    // Next to pi/3, pi/6 and pi/4, about pivots inside the picture, values fall
    // within a hair of a half; they must round as the formula does.
    const Bitmap oldPicture = Pattern(97, 83, 7), newPicture = Pattern(97, 83, 8);
    const double pi = std::numbers::pi;
    for (double base : {pi / 3, pi / 6, pi / 4, 2 * pi / 3})
        for (double angle : {base, std::nextafter(base, 4.0), std::nextafter(base, -4.0)})
            for (Point pivot : {Point{0, 0}, Point{48, 41}})
                ASSERT_TRUE(same(oldPicture, newPicture, pivot, angle)) << angle;
}

// A swing that takes its new picture straight from a larger source: every
// pixel it turns into the frame comes from the source pixel under the same
// point of the picture, or from the new picture within a patch; the rest of
// the frame keeps the old picture. The new picture and the source say in
// each pixel where it lies (low 16 bits of x in blue and green, y in red;
// the fourth byte says which picture).
TEST(Swing, FromASourceTakesItsPixelsUnderThePatchesFromTheNewPicture) {
    constexpr uint8_t kOld = 9, kNew = 1, kSource = 7;
    auto where = [](const BgrxPixels& picture, uint8_t which) {
        for (int32_t y = 0; y < picture.height; ++y)
            for (int32_t x = 0; x < picture.width; ++x) {
                uint8_t* p = picture.Row(y) + 4 * x;
                p[0] = static_cast<uint8_t>(x);
                p[1] = static_cast<uint8_t>(x >> 8);
                p[2] = static_cast<uint8_t>(y);
                p[3] = which;
            }
    };
    auto check = [&](int32_t w, int32_t h, int32_t sw, int32_t sh) {
        BgrxImage oldPicture(w, h), newPicture(w, h), source(sw, sh), plain(w, h), straight(w, h), onePass(w, h);
        where(oldPicture.Pixels(), kOld);
        where(newPicture.Pixels(), kNew);
        where(source.Pixels(), kSource);
        // The picture fills all but a band at each side and has a caption.
        const Rect dest{w / 10, 0, w - w / 10, h};
        const TurnSource from{source.Pixels(),
                              3.5,
                              2.25,
                              sw - 9.0,
                              sh - 5.0,
                              dest,
                              {Rect{0, 0, dest.left, h}, Rect{dest.right, 0, w, h}, Rect{w / 3, h / 2, w / 2, h}},
                              {},
                              {}};
        // The same frame with the old picture drawn by the swing's caller.
        TurnSource drawing = from;
        int alongside = 0;
        drawing.drawOld = [&](const Rect& part) {
            CopyBgrx(onePass.Pixels(), part.left, part.top, oldPicture.Pixels(), part);
        };
        drawing.alongside = [&] { ++alongside; };
        const double kx = from.width / dest.Width(), ky = from.height / dest.Height();
        for (int style = 119; style <= 122; ++style)
            for (int32_t p : {7, 50, 93}) {
                const FrameQuantities f = ComputeFrame(w, h, p, 1);
                DrawPixelStyle(style, plain.Pixels(), oldPicture.Pixels(), newPicture.Pixels(), f);
                DrawPixelStyle(style, straight.Pixels(), oldPicture.Pixels(), newPicture.Pixels(), f, nullptr, nullptr,
                               &from);
                FillBgrx(onePass.Pixels(), onePass.Pixels().Bounds(), 0, 0, 0);
                alongside = 0;
                const Region stale(Rect{0, 0, 1, 1});  // of no account with drawOld
                DrawPixelStyle(style, onePass.Pixels(), onePass.Pixels(), newPicture.Pixels(), f, &stale, nullptr,
                               &drawing);
                ASSERT_EQ(alongside, 1);
                for (int32_t y = 0; y < h; ++y)
                    ASSERT_TRUE(
                        std::equal(onePass.Pixels().Row(y), onePass.Pixels().Row(y) + 4 * w, straight.Pixels().Row(y)))
                        << style << " P " << p << " row " << y;
                for (int32_t y = 0; y < h; ++y)
                    for (int32_t x = 0; x < w; ++x) {
                        const uint8_t* a = plain.Pixels().Row(y) + 4 * x;
                        const uint8_t* b = straight.Pixels().Row(y) + 4 * x;
                        const int32_t u = a[0] | a[1] << 8, v = a[2];
                        const bool patched =
                            a[3] == kNew && std::any_of(from.patches.begin(), from.patches.end(), [&](const Rect& r) {
                                return u >= r.left && u < r.right && v >= r.top && v < r.bottom;
                            });
                        if (a[3] == kOld || patched) {
                            ASSERT_TRUE(std::equal(a, a + 4, b)) << style << " P " << p << " at " << x << "," << y;
                            continue;
                        }
                        ASSERT_EQ(b[3], kSource) << style << " P " << p << " at " << x << "," << y;
                        // The source pixel under the picture pixel's centre, or
                        // next to it (the low bits of its place only).
                        const double s = from.left + (u + 0.5 - dest.left) * kx, t = from.top + (v + 0.5) * ky;
                        auto near = [](int32_t got, double want, int32_t mask) {
                            const int32_t d = (got - static_cast<int32_t>(std::floor(want))) & mask;
                            return d <= 1 || d == mask;
                        };
                        ASSERT_TRUE(near(b[0] | b[1] << 8, s, 0xFFFF) && near(b[2], t, 0xFF))
                            << style << " P " << p << " at " << x << "," << y;
                    }
            }
    };
    check(301, 203, 331, 223);
    // Too wide for the fixed point: the turn goes by the formula.
    check(70000, 3, 70010, 5);
}

TEST(PixelStyles, MismatchedSizesStayInsideBothPictures) {
    // Only the common part is drawn; nothing is read or written outside.
    const Bitmap small = Pattern(20, 10, 11);
    Bitmap big = Pattern(30, 25, 12), tiny = Pattern(5, 5, 13);
    const Bitmap bigBefore = big;
    for (int style : {118, 122}) {
        DrawPixelStyle(style, big, small, ComputeFrame(20, 10, 50, 4));
        DrawPixelStyle(style, tiny, big, ComputeFrame(30, 25, 60, 4));
    }
    for (int32_t y = 10; y < 25; ++y)
        EXPECT_TRUE(std::equal(big.Row(y), big.Row(y) + big.Stride(), bigBefore.Row(y)));
}

}  // namespace
}  // namespace orlscr
