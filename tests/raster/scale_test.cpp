#include "raster/scale.h"

#include "raster/bgrx_image.h"
#include "raster/blit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace orlscr {
namespace {

Bitmap Noise(int32_t width, int32_t height, uint32_t seed) {
    Bitmap b(width, height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t i = 0; i < width * 3; ++i) {
            seed = seed * 1103515245u + 12345u;
            b.Row(y)[i] = static_cast<uint8_t>(seed >> 16);
        }
    return b;
}

// Bilinear in doubles, the edge pixel beyond the edge.
double Reference(const Bitmap& p, double x, double y, int c) {
    auto at = [&](int32_t xi, int32_t yi) {
        xi = std::clamp(xi, 0, p.Width() - 1);
        yi = std::clamp(yi, 0, p.Height() - 1);
        return double(p.Row(yi)[xi * 3 + c]);
    };
    const int32_t x0 = int32_t(std::floor(x)), y0 = int32_t(std::floor(y));
    const double fx = x - x0, fy = y - y0;
    return (at(x0, y0) * (1 - fx) + at(x0 + 1, y0) * fx) * (1 - fy) +
           (at(x0, y0 + 1) * (1 - fx) + at(x0 + 1, y0 + 1) * fx) * fy;
}

TEST(ScaleWindowInto, WholeWindowAtItsOwnSizeIsACopy) {
    const Bitmap picture = Noise(37, 23, 1);
    Bitmap frame(37, 23);
    ScaleWindowInto(picture, 0, 0, 37, 23, frame, frame.Bounds());
    EXPECT_EQ(frame, picture);
}

TEST(ScaleWindowInto, FractionalWindowsMatchBilinearAndOnlyDestIsWritten) {
    const Bitmap picture = Noise(64, 48, 7);
    struct Case {
        double left, top, width, height;
        Rect dest;
    };
    const Case cases[] = {
        {3.25, 1.5, 50.5, 40.75, {5, 4, 75, 54}},  // enlarged a little
        {0, 0, 64, 48, {10, 10, 60, 47}},          // reduced
        {-2, -1, 70, 52, {0, 0, 90, 60}},          // beyond the edges: edge pixels
        {10.4, 7.9, 30, 20, {-20, -5, 60, 40}},    // dest cut by the frame
    };
    for (const Case& c : cases) {
        Bitmap frame(80, 56);
        ScaleWindowInto(picture, c.left, c.top, c.width, c.height, frame, c.dest);
        int worst = 0;
        for (int32_t y = 0; y < frame.Height(); ++y)
            for (int32_t x = 0; x < frame.Width(); ++x) {
                const bool inside = x >= c.dest.left && x < c.dest.right && y >= c.dest.top && y < c.dest.bottom;
                for (int ch = 0; ch < 3; ++ch) {
                    const int got = frame.Row(y)[x * 3 + ch];
                    if (!inside) {
                        ASSERT_EQ(got, 0) << x << "," << y;
                        continue;
                    }
                    const double sx = c.left + (x - c.dest.left + 0.5) * c.width / c.dest.Width() - 0.5;
                    const double sy = c.top + (y - c.dest.top + 0.5) * c.height / c.dest.Height() - 0.5;
                    worst = std::max(worst, std::abs(got - int(std::lround(Reference(picture, sx, sy, ch)))));
                }
            }
        EXPECT_LE(worst, 3) << c.left << " " << c.top;
    }
}

// A clipped scale writes what the whole one does, within the clip only.
TEST(ScaleWindowInto, ClippedPartIsThatOfTheWholeDest) {
    const Bitmap picture = Noise(64, 48, 5);
    const Rect dest{-6, 4, 75, 54};
    Bitmap whole(80, 56);
    ScaleWindowInto(picture, 3.25, 1.5, 50.5, 40.75, whole, dest);
    std::vector<Rect> clips{Rect{30, 0, 47, 56}, Rect{0, 20, 80, 21}, Rect{70, 50, 90, 60}};
    for (int32_t at = 1; at < 56; at += 6)
        clips.push_back(Rect{at, at, 80, 56});
    for (const Rect& clip : clips) {
        Bitmap part(80, 56);
        ScaleWindowInto(picture, 3.25, 1.5, 50.5, 40.75, part, dest, clip);
        for (int32_t y = 0; y < 56; ++y)
            for (int32_t x = 0; x < 80; ++x) {
                const bool inside = x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom;
                const uint8_t none[3] = {0, 0, 0};
                ASSERT_EQ(std::memcmp(part.Row(y) + x * 3, inside ? whole.Row(y) + x * 3 : none, 3), 0)
                    << x << "," << y;
            }
    }
}

// The 32-bit scaler takes the same samples with the same rounding, so it
// gives exactly the 24-bit scaler's pixels, and leaves the rest alone.
TEST(ScaleWindowInto, BgrxGivesTheBitmapScalersPixels) {
    const Bitmap picture = Noise(64, 48, 9);
    BgrxImage source(64, 48);
    CopyToBgrx(source.Pixels(), 0, 0, picture, picture.Bounds());
    struct Case {
        double left, top, width, height;
        Rect dest;
    };
    const Case cases[] = {
        {3.25, 1.5, 50.5, 40.75, {5, 4, 78, 54}},
        {0, 0, 64, 48, {10, 10, 61, 47}},
        {-2, -1, 70, 52, {0, 0, 90, 60}},
        {10.4, 7.9, 30, 20, {-20, -5, 60, 40}},
        {63.5, 47.5, 0.5, 0.5, {0, 0, 3, 2}},    // the bottom-right corner only
        {0, 0, 64, 48, {1, 1, 21, 16}},          // reduced more than twice
        {0, 0, 64, 48, {1, 1, 12, 9}},           // and more than four times
        {0.75, 0.5, 62, 46, {2, 1, 58, 44}},     // reduced by a tenth, as a slide in motion is
        {1.5, 2.25, 60, 44, {3, 2, 1093, 515}},  // large enough for its rows to be shared by two threads
    };
    constexpr int32_t kW = 1100, kH = 520;
    for (const Case& c : cases) {
        Bitmap expected(kW, kH);
        ScaleWindowInto(picture, c.left, c.top, c.width, c.height, expected, c.dest);
        BgrxImage frame(kW, kH);
        FillBgrx(frame.Pixels(), frame.Pixels().Bounds(), 1, 2, 3);
        ScaleWindowInto(source.Pixels(), c.left, c.top, c.width, c.height, frame.Pixels(), c.dest);
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 0; x < kW; ++x) {
                const uint8_t* got = frame.Pixels().Row(y) + x * 4;
                const bool inside = x >= c.dest.left && x < c.dest.right && y >= c.dest.top && y < c.dest.bottom;
                const uint8_t* want = expected.Row(y) + x * 3;
                const uint8_t outside[] = {1, 2, 3};
                for (int ch = 0; ch < 3; ++ch)
                    ASSERT_EQ(got[ch], inside ? want[ch] : outside[ch]) << x << "," << y << " " << c.left;
            }
        // The same pixels into a 24-bit frame, also in part, and in 32 bits
        // in part (from an odd column too).
        for (const Rect& clip : {expected.Bounds(), Rect{7, 3, 40, 50}}) {
            Bitmap packed(83, 56);
            ScaleWindowInto(source.Pixels(), c.left, c.top, c.width, c.height, packed, c.dest, clip);
            BgrxImage part(83, 56);
            ScaleWindowInto(source.Pixels(), c.left, c.top, c.width, c.height, part.Pixels(), c.dest, clip);
            for (int32_t y = 0; y < 56; ++y)
                for (int32_t x = 0; x < 83; ++x) {
                    const bool inside = x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom;
                    const uint8_t none[3] = {0, 0, 0};
                    const uint8_t* want = inside ? expected.Row(y) + x * 3 : none;
                    ASSERT_EQ(std::memcmp(packed.Row(y) + x * 3, want, 3), 0) << x << "," << y << " " << c.left;
                    ASSERT_EQ(std::memcmp(part.Pixels().Row(y) + x * 4, want, 3), 0) << x << "," << y << " " << c.left;
                }
        }
    }
}

}  // namespace
}  // namespace orlscr
