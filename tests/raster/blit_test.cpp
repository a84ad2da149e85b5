#include "raster/blit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "support/test_pictures.h"

namespace orlscr {
namespace {

using testing::Pattern;
using testing::SamePixel;
using testing::Solid;

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

// Rows made four pixels at a time must match the even spread pixel for pixel:
// enlarging and mildly reducing (one load a group), reducing two to four
// times (two loads a group), strongly reducing (pixel by pixel), mirrored, and sources whose rows have no padding, so the last
// pixel of the last row ends the buffer.
TEST(StretchCopy, EveryScaleMatchesTheNearestPixelSpread) {
    struct Case {
        int sw, sh, dw, dh;
        bool mirror;
    };
    for (const Case& c : {Case{40, 3, 97, 5, false}, Case{40, 3, 31, 2, false}, Case{64, 2, 9, 2, false},
                          Case{90, 2, 43, 2, false}, Case{97, 2, 24, 2, true}, Case{50, 2, 20, 2, false},
                          Case{41, 4, 100, 3, true}, Case{12, 1, 13, 1, false}, Case{8, 2, 29, 2, true}}) {
        const Bitmap src = Pattern(c.sw, c.sh);
        Bitmap dst = Solid(c.dw, c.dh, 0);
        MirrorCopyRect(dst, dst.Bounds(), src, src.Bounds(), c.mirror, false);
        for (int y = 0; y < c.dh; ++y)
            for (int x = 0; x < c.dw; ++x) {
                const int i = c.mirror ? c.dw - 1 - x : x;
                const int sx = (2 * i + 1) * c.sw / (2 * c.dw), sy = (2 * y + 1) * c.sh / (2 * c.dh);
                ASSERT_TRUE(SamePixel(dst, x, y, src, sx, sy)) << c.sw << "->" << c.dw << " at " << x << "," << y;
            }
    }
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

// A 32-bit buffer with a border of 0xEE around `width` x `height`, to catch
// writes outside the rectangle copied into.
struct Bgrx {
    std::vector<uint8_t> bytes;
    BgrxPixels pixels;
    Bgrx(int32_t width, int32_t height) : bytes(static_cast<size_t>(width * 4 + 8) * height, 0xEE) {
        pixels = BgrxPixels{bytes.data(), width, height, width * 4 + 8};
    }
    const uint8_t* At(int32_t x, int32_t y) const { return pixels.Row(y) + 4 * x; }
};

TEST(CopyToBgrx, WidensEveryPixelOfEveryRowLengthAndClips) {
    // Widths around the 16-pixel steps of the vector loop and its tail.
    for (int32_t w : {1, 2, 15, 16, 17, 18, 33, 70}) {
        const Bitmap src = Pattern(w, 3);
        Bgrx dst(w, 3);
        CopyToBgrx(dst.pixels, 0, 0, src, src.Bounds());
        for (int32_t y = 0; y < 3; ++y) {
            for (int32_t x = 0; x < w; ++x) {
                ASSERT_TRUE(std::equal(dst.At(x, y), dst.At(x, y) + 3, src.Row(y) + 3 * x)) << w << " " << x;
                ASSERT_EQ(dst.At(x, y)[3], 0) << w << " " << x;
            }
            ASSERT_EQ(dst.At(w, y)[0], 0xEE) << "stride padding untouched, width " << w;
        }
    }

    // A piece placed partly outside the target on each side lands clipped,
    // and a source rectangle reaching past the picture is cut to it.
    const Bitmap src = Pattern(40, 20);
    Bgrx dst(30, 10);
    CopyToBgrx(dst.pixels, -5, -3, src, Rect{2, 1, 50, 30});
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 30; ++x) {
            const int32_t sx = x + 7, sy = y + 4;
            if (sx < 40 && sy < 20)
                ASSERT_TRUE(std::equal(dst.At(x, y), dst.At(x, y) + 3, src.Row(sy) + 3 * sx)) << x << "," << y;
            else
                ASSERT_EQ(dst.At(x, y)[0], 0xEE) << x << "," << y;
        }
    Bgrx far(8, 8);
    CopyToBgrx(far.pixels, 8, 0, src, src.Bounds());
    CopyToBgrx(far.pixels, -40, 0, src, src.Bounds());
    EXPECT_TRUE(std::all_of(far.bytes.begin(), far.bytes.end(), [](uint8_t b) { return b == 0xEE; }));
}

TEST(UnionAndIntersectRect, EmptyRectanglesAddNothing) {
    EXPECT_EQ(UnionRect(Rect{}, Rect{1, 2, 3, 4}), (Rect{1, 2, 3, 4}));
    EXPECT_EQ(UnionRect(Rect{5, 5, 5, 9}, Rect{1, 2, 3, 4}), (Rect{1, 2, 3, 4}));
    EXPECT_EQ(UnionRect(Rect{0, 0, 2, 2}, Rect{4, 1, 6, 3}), (Rect{0, 0, 6, 3}));
    EXPECT_EQ(IntersectRect(Rect{0, 0, 4, 4}, Rect{2, -1, 9, 3}), (Rect{2, 0, 4, 3}));
    EXPECT_TRUE(IntersectRect(Rect{0, 0, 4, 4}, Rect{4, 0, 9, 3}).IsEmpty());
}

}  // namespace
}  // namespace orlscr
