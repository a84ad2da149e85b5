#include "raster/colour_quantiser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace orlscr {
namespace {

// The picture the palette and indexes stand for.
Bitmap Expand(const PalettedPicture& paletted, int32_t w, int32_t h) {
    Bitmap b(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const size_t index = paletted.indexes.at(static_cast<size_t>(y) * w + x);
            EXPECT_LT(index, paletted.palette.size());
            const PaletteColour& c = paletted.palette.at(index);
            uint8_t* p = b.Row(y) + 3 * x;
            p[0] = c.blue;
            p[1] = c.green;
            p[2] = c.red;
        }
    return b;
}

TEST(ColourQuantiser, APictureOfFewColoursKeepsThemExactly) {
    // An odd width, so rows are padded; four colours in stripes.
    Bitmap picture(37, 5);
    const uint8_t colours[4][3] = {{0, 0, 0}, {255, 255, 255}, {10, 200, 30}, {11, 200, 30}};
    for (int32_t y = 0; y < 5; ++y)
        for (int32_t x = 0; x < 37; ++x)
            std::copy(colours[(x + y) % 4], colours[(x + y) % 4] + 3, picture.Row(y) + 3 * x);
    const PalettedPicture paletted = QuantiseColours(picture, 4);
    EXPECT_EQ(paletted.palette.size(), 4u);
    EXPECT_EQ(Expand(paletted, 37, 5), picture);

    // One colour allowed: the mean of them all.
    const PalettedPicture one = QuantiseColours(picture, 1);
    ASSERT_EQ(one.palette.size(), 1u);
    EXPECT_NEAR(one.palette[0].green, (0 + 255 + 200 + 200) / 4, 3);
}

TEST(ColourQuantiser, FewerColoursThanShadesKeepTheMeanOfEveryArea) {
    // A grey ramp of 256 shades in 16 colours: each 8 x 8 block, averaged,
    // stays close to the ramp. Only the ends are off by up to about half a
    // palette step, as no colour lies beyond the palette's outermost ones.
    const int32_t w = 256, h = 64;
    Bitmap ramp(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            std::fill(ramp.Row(y) + 3 * x, ramp.Row(y) + 3 * x + 3, static_cast<uint8_t>(x));
    const PalettedPicture paletted = QuantiseColours(ramp, 16);
    EXPECT_LE(paletted.palette.size(), 16u);
    const Bitmap result = Expand(paletted, w, h);
    double worst = 0, total = 0;
    int blocks = 0;
    for (int32_t by = 0; by < h; by += 8)
        for (int32_t bx = 0; bx < w; bx += 8) {
            int want = 0, got = 0;
            for (int32_t y = by; y < by + 8; ++y)
                for (int32_t x = bx; x < bx + 8; ++x)
                    for (int c = 0; c < 3; ++c) {
                        want += ramp.Row(y)[3 * x + c];
                        got += result.Row(y)[3 * x + c];
                    }
            worst = std::max(worst, std::abs(want - got) / 192.0);
            total += std::abs(want - got) / 192.0;
            ++blocks;
        }
    RecordProperty("mean_x100", static_cast<int>(100 * total / blocks));
    EXPECT_LT(total / blocks, 1.0);
    EXPECT_LE(worst, 5.0);
    // Grey stays grey: diffusion never mixes in a colour.
    for (const PaletteColour& c : paletted.palette) {
        EXPECT_EQ(c.red, c.green);
        EXPECT_EQ(c.green, c.blue);
    }
}

TEST(ColourQuantiser, OnlyShownPixelsCountForThePalette) {
    // Two colours shown among many hidden: the two are kept exactly; the
    // hidden pixels get index 0 and lend no error to their neighbours.
    const int32_t w = 16, h = 4;
    Bitmap picture(w, h);
    std::vector<uint8_t> shown(static_cast<size_t>(w) * h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* p = picture.Row(y) + 3 * x;
            const bool visible = x % 2 == 0;
            shown[static_cast<size_t>(y) * w + x] = visible;
            p[0] = visible ? (x % 4 == 0 ? 200 : 20) : static_cast<uint8_t>(x * 16 + y);
            p[1] = visible ? 100 : static_cast<uint8_t>(255 - x * 16);
            p[2] = visible ? 50 : static_cast<uint8_t>(y * 60);
        }
    const PalettedPicture paletted = QuantiseColours(picture, 2, shown.data());
    ASSERT_EQ(paletted.palette.size(), 2u);
    const Bitmap result = Expand(paletted, w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            if (shown[static_cast<size_t>(y) * w + x])
                EXPECT_EQ(std::memcmp(result.Row(y) + 3 * x, picture.Row(y) + 3 * x, 3), 0) << x << "," << y;
            else
                EXPECT_EQ(paletted.indexes[static_cast<size_t>(y) * w + x], 0);
        }

    // Beyond the palette's size too: 1024 shades of blue shown, red hidden
    // between them; no red reaches the palette or, by diffusion, a pixel.
    Bitmap many(64, 32);
    std::vector<uint8_t> half(64 * 32);
    for (int32_t y = 0; y < 32; ++y)
        for (int32_t x = 0; x < 64; ++x) {
            uint8_t* p = many.Row(y) + 3 * x;
            half[static_cast<size_t>(y) * 64 + x] = (x + y) % 2;
            p[0] = static_cast<uint8_t>(128 + x), p[1] = static_cast<uint8_t>(4 * y), p[2] = half[y * 64 + x] ? 0 : 255;
        }
    const PalettedPicture blues = QuantiseColours(many, 16, half.data());
    ASSERT_EQ(blues.palette.size(), 16u);
    for (const PaletteColour& c : blues.palette)
        EXPECT_LT(c.red, 8);

    // Nothing shown: no palette.
    std::fill(shown.begin(), shown.end(), 0);
    const PalettedPicture none = QuantiseColours(picture, 256, shown.data());
    EXPECT_TRUE(none.palette.empty());
    EXPECT_EQ(none.indexes, std::vector<uint8_t>(static_cast<size_t>(w) * h, 0));
}

}  // namespace
}  // namespace orlscr
