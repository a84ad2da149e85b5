#include "picture/decode.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "picture/picture_test_files.h"
#include "support/expect_error.h"

namespace orlscr {
namespace {

Bitmap Gradient(int32_t w, int32_t h) {
    Bitmap b(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* p = b.Row(y) + 3 * x;
            p[0] = static_cast<uint8_t>(x * 7);
            p[1] = static_cast<uint8_t>(y * 5);
            p[2] = static_cast<uint8_t>(x + y);
        }
    return b;
}

using test::Put32;

// A BMP with a 40-byte info header, the given palette and raw pixel rows.
std::vector<uint8_t> MakeBmp(int32_t w,
                             int32_t h,
                             int bits,
                             const std::vector<uint32_t>& palette,
                             const std::vector<uint8_t>& pixels,
                             uint32_t compression = 0) {
    const size_t extra = compression == 3 ? 12 : 0;
    const size_t offset = 54 + extra + 4 * palette.size();
    std::vector<uint8_t> v(offset);
    v[0] = 'B';
    v[1] = 'M';
    Put32(v, 10, static_cast<uint32_t>(offset));
    Put32(v, 14, 40);
    Put32(v, 18, static_cast<uint32_t>(w));
    Put32(v, 22, static_cast<uint32_t>(h));
    v[26] = 1;
    v[28] = static_cast<uint8_t>(bits);
    Put32(v, 30, compression);
    for (size_t i = 0; i < palette.size(); ++i)
        Put32(v, 54 + extra + 4 * i, palette[i]);
    v.insert(v.end(), pixels.begin(), pixels.end());
    Put32(v, 2, static_cast<uint32_t>(v.size()));
    return v;
}

std::string Pixel(const Bitmap& b, int x, int y) {
    const uint8_t* p = b.Row(y) + 3 * x;
    char text[16];
    std::snprintf(text, sizeof text, "%02x%02x%02x", p[2], p[1], p[0]);  // as RGB
    return text;
}

TEST(DecodeBmp, RoundTripsOwnEncoding) {
    for (int w : {1, 2, 3, 4, 5, 17}) {
        const Bitmap original = Gradient(w, 3);
        const std::vector<uint8_t> file = EncodeBmp(original);
        const Bitmap back = DecodeBmp(file.data(), file.size());
        ASSERT_EQ(back.Width(), w);
        ASSERT_EQ(back.Height(), 3);
        for (int y = 0; y < 3; ++y)
            EXPECT_EQ(0, std::memcmp(back.Row(y), original.Row(y), 3 * w)) << w;
    }
}

TEST(DecodeBmp, PalettedDepthsAndRowOrder) {
    const std::vector<uint32_t> palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    // 1 bit, 3 x 2, bottom-up: the file's first row is the picture's last.
    {
        const auto file = MakeBmp(3, 2, 1, palette, {0b10100000, 0, 0, 0, 0b01000000, 0, 0, 0});
        const Bitmap b = DecodeBmp(file.data(), file.size());
        EXPECT_EQ(Pixel(b, 0, 1), "ff0000");
        EXPECT_EQ(Pixel(b, 1, 1), "000000");
        EXPECT_EQ(Pixel(b, 2, 1), "ff0000");
        EXPECT_EQ(Pixel(b, 1, 0), "ff0000");
    }
    // 4 bits, top-down (negative height).
    {
        auto file = MakeBmp(3, 1, 4, palette, {0x23, 0x10, 0, 0});
        Put32(file, 22, static_cast<uint32_t>(-1));
        const Bitmap b = DecodeBmp(file.data(), file.size());
        EXPECT_EQ(Pixel(b, 0, 0), "00ff00");
        EXPECT_EQ(Pixel(b, 1, 0), "0000ff");
        EXPECT_EQ(Pixel(b, 2, 0), "ff0000");
    }
    // 8 bits; an index beyond the stored palette reads black rather than memory.
    {
        const auto file = MakeBmp(2, 1, 8, palette, {3, 200, 0, 0});
        const Bitmap b = DecodeBmp(file.data(), file.size());
        EXPECT_EQ(Pixel(b, 0, 0), "0000ff");
        EXPECT_EQ(Pixel(b, 1, 0), "000000");
    }
}

TEST(DecodeBmp, DirectColourDepths) {
    {
        // 16 bits 5-5-5: pure red, pure blue.
        const auto file = MakeBmp(2, 1, 16, {}, {0x00, 0x7C, 0x1F, 0x00});
        const Bitmap b = DecodeBmp(file.data(), file.size());
        EXPECT_EQ(Pixel(b, 0, 0), "ff0000");
        EXPECT_EQ(Pixel(b, 1, 0), "0000ff");
    }
    {
        // 32 bits, BGRX.
        const auto file = MakeBmp(1, 1, 32, {}, {0x11, 0x22, 0x33, 0x00});
        EXPECT_EQ(Pixel(DecodeBmp(file.data(), file.size()), 0, 0), "332211");
    }
    {
        // 16 bits 5-6-5 with bit fields: green at full.
        auto file = MakeBmp(1, 1, 16, {}, {0xE0, 0x07, 0, 0}, 3);
        Put32(file, 54, 0xF800);
        Put32(file, 58, 0x07E0);
        Put32(file, 62, 0x001F);
        EXPECT_EQ(Pixel(DecodeBmp(file.data(), file.size()), 0, 0), "00ff00");
    }
}

TEST(DecodeBmp, RejectsHostileHeaders) {
    const auto good = MakeBmp(2, 2, 24, {}, std::vector<uint8_t>(16, 0x40));
    ASSERT_NO_THROW(DecodeBmp(good.data(), good.size()));

    EXPECT_ERROR_MSG(DecodeBmp(good.data(), 1), "The file is not a BMP picture");
    // Cut anywhere before the last row's padding: never a read past the end.
    for (size_t cut = 2; cut < good.size() - 2; ++cut) {
        SCOPED_TRACE(cut);
        EXPECT_ERROR_MSG(DecodeBmp(good.data(), cut), "The BMP picture is damaged");
    }

    auto huge = good;
    Put32(huge, 18, 0x7FFFFFFF);
    Put32(huge, 22, 0x7FFFFFFF);
    EXPECT_ERROR_MSG(DecodeBmp(huge.data(), huge.size()), "The picture is too large");

    auto wide = good;  // claims more rows than the file holds
    Put32(wide, 18, 4000);
    EXPECT_ERROR_MSG(DecodeBmp(wide.data(), wide.size()), "The BMP picture is damaged");

    auto zero = good;
    Put32(zero, 18, 0);
    EXPECT_ERROR_MSG(DecodeBmp(zero.data(), zero.size()), "The BMP picture is damaged");

    auto minHeight = good;
    Put32(minHeight, 22, 0x80000000u);
    EXPECT_ERROR_MSG(DecodeBmp(minHeight.data(), minHeight.size()), "The BMP picture is damaged");

    auto offset = good;
    Put32(offset, 10, 0xFFFFFFF0u);
    EXPECT_ERROR_MSG(DecodeBmp(offset.data(), offset.size()), "The BMP picture is damaged");

    auto rle = good;
    Put32(rle, 30, 1);
    EXPECT_ERROR_MSG(DecodeBmp(rle.data(), rle.size()), "This kind of BMP picture is not supported");

    auto depth = good;
    depth[28] = 7;
    EXPECT_ERROR_MSG(DecodeBmp(depth.data(), depth.size()), "This kind of BMP picture is not supported");
}

// A JPEG of the bitmap as libjpeg writes it by default.
std::vector<uint8_t> EncodeJpeg(const Bitmap& b, bool grey) {
    return test::JpegOf(b, grey, /*subsampled=*/true);
}

Bitmap Flat(int w, int h, uint8_t b, uint8_t g, uint8_t r) {
    Bitmap bm(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            bm.Row(y)[3 * x] = b;
            bm.Row(y)[3 * x + 1] = g;
            bm.Row(y)[3 * x + 2] = r;
        }
    return bm;
}

TEST(DecodeJpeg, ColourAndGreyInBlueGreenRedOrder) {
    const auto colour = EncodeJpeg(Flat(19, 11, 30, 120, 220), false);
    const Bitmap c = DecodePicture(colour);
    ASSERT_EQ(c.Width(), 19);
    ASSERT_EQ(c.Height(), 11);
    EXPECT_NEAR(c.Row(5)[3 * 7], 30, 3);
    EXPECT_NEAR(c.Row(5)[3 * 7 + 1], 120, 3);
    EXPECT_NEAR(c.Row(5)[3 * 7 + 2], 220, 3);

    const Bitmap g = DecodePicture(EncodeJpeg(Flat(8, 8, 90, 90, 90), true));
    EXPECT_NEAR(g.Row(3)[9], 90, 2);
    EXPECT_NEAR(g.Row(3)[10], 90, 2);
    EXPECT_NEAR(g.Row(3)[11], 90, 2);
}

TEST(DecodeJpeg, DamagedFilesGiveAnErrorNotAnExit) {
    const auto good = EncodeJpeg(Gradient(16, 16), false);
    for (size_t cut : {size_t{3}, size_t{20}, size_t{100}}) {
        try {
            DecodeJpeg(good.data(), cut);
            ADD_FAILURE() << "no error at " << cut;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()).rfind("The JPEG picture is damaged: ", 0), 0u) << e.what();
        }
    }
    EXPECT_ERROR_MSG(DecodeJpeg(good.data() + 1, good.size() - 1), "The file is not a JPEG picture");
}

TEST(DecodePicture, ChoosesByContent) {
    const Bitmap small = Gradient(3, 2);
    EXPECT_EQ(DecodePicture(EncodeBmp(small)).Width(), 3);
    EXPECT_EQ(DecodePicture(EncodeJpeg(small, false)).Height(), 2);
    const std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 13, 10, 26, 10};
    EXPECT_ERROR_MSG(DecodePicture(png), "The file is not a JPEG or BMP picture");
    EXPECT_ERROR_MSG(DecodePicture(std::vector<uint8_t>{}), "The file is not a JPEG or BMP picture");
}

}  // namespace
}  // namespace orlscr
