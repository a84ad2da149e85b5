#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "transition/frame.h"
#include "transition/region_styles.h"

namespace orlscr {
namespace {

Bitmap Pattern(int32_t w, int32_t h, uint32_t seed) {
    Bitmap b(w, h);
    uint32_t v = seed;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < b.Stride(); ++x)
            b.Row(y)[x] = static_cast<uint8_t>((v = v * 1103515245u + 12345u) >> 23);
    return b;
}

void SetPixel(Bitmap& b, int32_t x, int32_t y, uint8_t c0, uint8_t c1, uint8_t c2) {
    b.Row(y)[3 * x] = c0;
    b.Row(y)[3 * x + 1] = c1;
    b.Row(y)[3 * x + 2] = c2;
}

bool SamePixel(const Bitmap& a, const Bitmap& b, int32_t x, int32_t y) {
    return std::equal(a.Row(y) + 3 * x, a.Row(y) + 3 * x + 3, b.Row(y) + 3 * x);
}

TEST(Fade, TermsAreTruncatedSeparately) {
    Bitmap screen(3, 1), fresh(3, 1);
    SetPixel(screen, 0, 0, 255, 0, 255);
    SetPixel(fresh, 0, 0, 255, 255, 0);
    SetPixel(screen, 1, 0, 100, 1, 99);
    SetPixel(fresh, 1, 0, 200, 1, 99);
    BlendBitmaps(screen, fresh, 50);
    // 127 + 127, not 255.
    EXPECT_EQ(screen.Row(0)[0], 254);
    EXPECT_EQ(screen.Row(0)[1], 127);
    EXPECT_EQ(screen.Row(0)[2], 127);
    EXPECT_EQ(screen.Row(0)[3], 150);
    EXPECT_EQ(screen.Row(0)[4], 0);
    EXPECT_EQ(screen.Row(0)[5], 98);

    SetPixel(screen, 2, 0, 100, 255, 7);
    SetPixel(fresh, 2, 0, 200, 255, 7);
    BlendBitmaps(screen, fresh, 30);
    EXPECT_EQ(screen.Row(0)[6], 70 + 60);
    EXPECT_EQ(screen.Row(0)[7], 178 + 76);
    EXPECT_EQ(screen.Row(0)[8], 4 + 2);
}

TEST(Fade, WholeRowsMatchTheByteLoopForEveryPairAndProgress) {
    // 266 x 83 holds every (old, new) byte pair; a row of 798 bytes goes
    // through the 32-byte, the 16-byte and the single-byte loops.
    const int32_t w = 266, h = 83;
    Bitmap oldPicture(w, h), newPicture(w, h);
    int i = 0;
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < 3 * w; ++x, ++i) {
            oldPicture.Row(y)[x] = static_cast<uint8_t>(i);
            newPicture.Row(y)[x] = static_cast<uint8_t>(i >> 8);
        }
        oldPicture.Row(y)[3 * w] = 0x5A;
    }
    ASSERT_GE(i, 65536);
    for (int32_t p = 0; p <= 100; ++p) {
        Bitmap fast = oldPicture, slow = oldPicture;
        BlendBitmaps(fast, newPicture, p);
        BlendBitmapsReference(slow, newPicture, p);
        ASSERT_TRUE(fast == slow) << "P = " << p;
        if (p == 0) {
            EXPECT_TRUE(fast == oldPicture);
        }
    }
    Bitmap last = oldPicture;
    DrawPixelStyle(118, last, newPicture, ComputeFrame(w, h, 100, 4));
    for (int32_t y = 0; y < h; ++y) {
        EXPECT_TRUE(std::equal(last.Row(y), last.Row(y) + 3 * w, newPicture.Row(y)));
        EXPECT_EQ(last.Row(y)[3 * w], 0x5A);
    }
}

TEST(Swing, AngleRunsFromAQuarterTurnToNone) {
    EXPECT_EQ(SwingAngle(100), 0.0);
    EXPECT_EQ(SwingAngle(0), std::numbers::pi / 2);
    EXPECT_EQ(SwingAngle(50), std::numbers::pi / 4);
}

TEST(Swing, StartsWithTheOldPictureAndEndsWithTheNew) {
    for (auto [w, h] : {std::pair{64, 48}, {48, 64}, {7, 3}}) {
        const Bitmap oldPicture = Pattern(w, h, 1), newPicture = Pattern(w, h, 2);
        for (int style = 119; style <= 122; ++style) {
            Bitmap screen = oldPicture;
            DrawPixelStyle(style, screen, newPicture, ComputeFrame(w, h, 0, 4));
            EXPECT_TRUE(screen == oldPicture) << style;
            screen = oldPicture;
            DrawPixelStyle(style, screen, newPicture, ComputeFrame(w, h, 100, 4));
            for (int32_t y = 0; y < h; ++y)
                EXPECT_TRUE(std::equal(screen.Row(y), screen.Row(y) + 3 * w, newPicture.Row(y))) << style;
        }
    }
}

TEST(Swing, EachStyleTurnsAboutItsCornerClockwise) {
    // Half way, the new picture covers the corner a quarter turn clockwise
    // from where it came in, and not the opposite one.
    const int32_t w = 80, h = 60;
    const Bitmap oldPicture = Pattern(w, h, 3), newPicture = Pattern(w, h, 4);
    struct Case {
        int style;
        Point covered;
        Point clear;
    };
    for (const Case& c : {Case{119, {w - 1, 0}, {0, h - 1}}, Case{120, {0, 0}, {w - 1, h - 1}},
                          Case{121, {w - 1, h - 1}, {0, 0}}, Case{122, {0, h - 1}, {w - 1, 0}}}) {
        Bitmap screen = oldPicture;
        DrawPixelStyle(c.style, screen, newPicture, ComputeFrame(w, h, 50, 4));
        EXPECT_FALSE(SamePixel(screen, oldPicture, c.covered.x, c.covered.y)) << c.style;
        EXPECT_TRUE(SamePixel(screen, oldPicture, c.clear.x, c.clear.y)) << c.style;
    }
    // The pivot of 119 lies just outside the top-left corner: at an eighth of a
    // turn the pixel (W-1, 0) shows the new picture's pixel
    // (-1 + [W cos A - sin A], -1 + [W sin A + cos A]).
    Bitmap screen = oldPicture;
    const double a = SwingAngle(50);
    DrawPixelStyle(119, screen, newPicture, ComputeFrame(w, h, 50, 4));
    const long double c = std::cos(static_cast<long double>(a)), s = std::sin(static_cast<long double>(a));
    const int32_t u = -1 + static_cast<int32_t>(std::llrint(w * c - s));
    const int32_t v = -1 + static_cast<int32_t>(std::llrint(w * s + c));
    EXPECT_TRUE(std::equal(screen.Row(0) + 3 * (w - 1), screen.Row(0) + 3 * w, newPicture.Row(v) + 3 * u));
}

TEST(Swing, StepwiseRowsMatchTheDirectFormula) {
    // Every progress and pivot of the four styles, on odd sizes.
    for (auto [w, h] : {std::pair{61, 37}, {37, 61}, {160, 90}}) {
        const Bitmap oldPicture = Pattern(w, h, 5), newPicture = Pattern(w, h, 6);
        for (int32_t p = 0; p <= 100; ++p) {
            for (Point pivot : {Point{-1, -1}, Point{-1, h}, Point{w, -1}, Point{w, h}}) {
                Bitmap fast = oldPicture, slow = oldPicture;
                RotateBitmap(fast, newPicture, pivot.x, pivot.y, SwingAngle(p));
                RotateBitmapReference(slow, newPicture, pivot.x, pivot.y, SwingAngle(p));
                ASSERT_TRUE(fast == slow) << w << "x" << h << " P = " << p << " pivot " << pivot.x << "," << pivot.y;
            }
        }
    }
}

TEST(Swing, ValuesRightAtAHalfRoundTheSameWay) {
    // About a pivot inside the picture, angles next to pi/3, pi/6 and pi/4 put
    // u and v within a hair of a half; rounding must follow the formula there.
    const int32_t w = 97, h = 83;
    const Bitmap oldPicture = Pattern(w, h, 7), newPicture = Pattern(w, h, 8);
    const double pi = std::numbers::pi;
    for (double base : {pi / 3, pi / 6, pi / 4, 2 * pi / 3, 0.0, pi / 2}) {
        for (double angle : {base, std::nextafter(base, 4.0), std::nextafter(base, -4.0)}) {
            for (Point pivot : {Point{0, 0}, Point{48, 41}, Point{-1, -1}}) {
                Bitmap fast = oldPicture, slow = oldPicture;
                RotateBitmap(fast, newPicture, pivot.x, pivot.y, angle);
                RotateBitmapReference(slow, newPicture, pivot.x, pivot.y, angle);
                ASSERT_TRUE(fast == slow) << angle << " pivot " << pivot.x << "," << pivot.y;
            }
        }
    }
}

TEST(Swing, LargePictureMatchesTheDirectFormula) {
    const int32_t w = 1024, h = 768;
    const Bitmap oldPicture = Pattern(w, h, 9), newPicture = Pattern(w, h, 10);
    for (int32_t p : {1, 33, 50, 77, 99}) {
        Bitmap fast = oldPicture, slow = oldPicture;
        RotateBitmap(fast, newPicture, w, h, SwingAngle(p));
        RotateBitmapReference(slow, newPicture, w, h, SwingAngle(p));
        ASSERT_TRUE(fast == slow) << p;
    }
}

TEST(PixelStyles, MismatchedSizesStayInsideBothPictures) {
    // The frame always has the new picture's size; should they ever differ,
    // only the common part is drawn and nothing is read or written outside.
    const Bitmap small = Pattern(20, 10, 11);
    Bitmap big = Pattern(30, 25, 12);
    const Bitmap bigBefore = big;
    DrawPixelStyle(118, big, small, ComputeFrame(20, 10, 50, 4));
    DrawPixelStyle(122, big, small, ComputeFrame(20, 10, 50, 4));
    for (int32_t y = 10; y < 25; ++y)
        EXPECT_TRUE(std::equal(big.Row(y), big.Row(y) + big.Stride(), bigBefore.Row(y)));
    Bitmap tiny = Pattern(5, 5, 13);
    DrawPixelStyle(119, tiny, big, ComputeFrame(30, 25, 60, 4));
    DrawPixelStyle(118, tiny, big, ComputeFrame(30, 25, 60, 4));
    Bitmap empty;
    DrawPixelStyle(121, empty, big, ComputeFrame(30, 25, 60, 4));
    EXPECT_TRUE(empty.IsEmpty());
}

}  // namespace
}  // namespace orlscr
