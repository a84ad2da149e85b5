// Decoding of every picture kind a slide can be: the one entry point, the EXIF
// orientation, PNG and GIF, run-length and bit-field BMP, scaled JPEG.

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <array>
#include <cstring>
#include <map>
#include <string>

#include "picture/decode.h"
#include "picture/picture_test_files.h"
#include "support/expect_error.h"

namespace orlscr {
namespace {

using test::Bytes;

using Rgb = std::array<int, 3>;

Rgb At(const Bitmap& b, int x, int y) {
    const uint8_t* p = b.Row(y) + 3 * x;
    return {p[2], p[1], p[0]};
}

bool Near(const Rgb& a, const Rgb& b, int tolerance) {
    for (int k = 0; k < 3; ++k)
        if (std::abs(a[k] - b[k]) > tolerance)
            return false;
    return true;
}

std::string AsText(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// ---------------------------------------------------------------------------
// EXIF orientation

// Six 16-pixel blocks, two across and three down, each of its own colour:
//   A B
//   C D
//   E F
constexpr int kBlock = 16;
const std::map<char, Rgb> kBlockColours = {
    {'A', {255, 0, 0}}, {'B', {0, 255, 0}},   {'C', {0, 0, 255}},
    {'D', {255, 255, 0}}, {'E', {0, 255, 255}}, {'F', {255, 0, 255}},
};

Bitmap Blocks() {
    Bitmap b(2 * kBlock, 3 * kBlock);
    const char* grid[] = {"AB", "CD", "EF"};
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) {
            const Rgb c = kBlockColours.at(grid[y / kBlock][x / kBlock]);
            uint8_t* p = b.Row(y) + 3 * x;
            p[0] = static_cast<uint8_t>(c[2]), p[1] = static_cast<uint8_t>(c[1]), p[2] = static_cast<uint8_t>(c[0]);
        }
    return b;
}

// The block letters of a shown picture, row by row.
std::string BlocksShown(const Bitmap& b, int tolerance) {
    std::string rows;
    for (int by = 0; by < b.Height() / kBlock; ++by) {
        if (by)
            rows += '/';
        for (int bx = 0; bx < b.Width() / kBlock; ++bx) {
            const Rgb c = At(b, bx * kBlock + kBlock / 2, by * kBlock + kBlock / 2);
            char letter = '?';
            for (const auto& [name, colour] : kBlockColours)
                if (Near(c, colour, tolerance))
                    letter = name;
            rows += letter;
        }
    }
    return rows;
}

TEST(PictureOrientation, EveryExifOrientationShowsThePictureUpright) {
    const Bytes jpeg = test::JpegOf(Blocks());
    const std::map<int, std::string> shown = {
        {1, "AB/CD/EF"},   // as stored
        {2, "BA/DC/FE"},   // mirrored left to right
        {3, "FE/DC/BA"},   // half a turn
        {4, "EF/CD/AB"},   // mirrored top to bottom
        {5, "ACE/BDF"},    // mirrored along the main diagonal
        {6, "ECA/FDB"},    // a quarter turn clockwise
        {7, "FDB/ECA"},    // mirrored along the other diagonal
        {8, "BDF/ACE"},    // a quarter turn anticlockwise
    };
    for (const auto& [orientation, expected] : shown) {
        SCOPED_TRACE(orientation);
        const Bitmap b = DecodePictureFile(AsText(test::WithExif(jpeg, test::ExifBlock(orientation))));
        EXPECT_EQ(BlocksShown(b, 12), expected);
    }
    // Without EXIF, or with a value outside 1..8, the picture is as stored.
    EXPECT_EQ(BlocksShown(DecodePictureFile(AsText(jpeg)), 12), "AB/CD/EF");
    EXPECT_EQ(BlocksShown(DecodePictureFile(AsText(test::WithExif(jpeg, test::ExifBlock(9)))), 12), "AB/CD/EF");
}

TEST(PictureOrientation, PngCarriesItInItsExifChunk) {
    test::PngRecipe recipe;
    const Bitmap blocks = Blocks();
    recipe.width = static_cast<uint32_t>(blocks.Width());
    recipe.height = static_cast<uint32_t>(blocks.Height());
    for (int y = 0; y < blocks.Height(); ++y) {
        Bytes row;
        for (int x = 0; x < blocks.Width(); ++x) {
            const Rgb c = At(blocks, x, y);
            row.insert(row.end(), {static_cast<uint8_t>(c[0]), static_cast<uint8_t>(c[1]), static_cast<uint8_t>(c[2])});
        }
        recipe.rows.push_back(row);
    }
    recipe.exif = test::ExifBlock(6);
    EXPECT_EQ(BlocksShown(DecodePictureFile(AsText(test::PngOf(recipe))), 0), "ECA/FDB");
}

// ---------------------------------------------------------------------------
// PNG

Bitmap DecodePngRecipe(const test::PngRecipe& recipe, uint32_t background = 0) {
    DecodeOptions options;
    options.background = background;
    return DecodePictureFile(AsText(test::PngOf(recipe)), options);
}

TEST(PngPicture, GreyOfEveryDepth) {
    // Two pixels: black and white at 1, 2 and 4 bits; 100 and 200 at 8 bits;
    // 0x8080 and 0xFFFF at 16.
    struct Case {
        int depth;
        Bytes row;
        int first, second;
    };
    const Case cases[] = {
        {1, {0b01000000}, 0, 255},
        {2, {0b00110000}, 0, 255},
        {4, {0x0F}, 0, 255},
        {8, {100, 200}, 100, 200},
        {16, {0x80, 0x80, 0xFF, 0xFF}, 128, 255},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.depth);
        test::PngRecipe recipe;
        recipe.width = 2;
        recipe.colourType = PNG_COLOR_TYPE_GRAY;
        recipe.depth = c.depth;
        recipe.rows = {c.row};
        const Bitmap b = DecodePngRecipe(recipe);
        ASSERT_EQ(b.Width(), 2);
        EXPECT_TRUE(Near(At(b, 0, 0), Rgb{c.first, c.first, c.first}, 1));
        EXPECT_TRUE(Near(At(b, 1, 0), Rgb{c.second, c.second, c.second}, 1));
    }
}

TEST(PngPicture, PaletteOfEveryDepthWithTransparentEntries) {
    const std::vector<png_color> palette = {{10, 20, 30}, {200, 100, 50}};
    for (int depth : {1, 2, 4, 8}) {
        SCOPED_TRACE(depth);
        test::PngRecipe recipe;
        recipe.width = 2;
        recipe.colourType = PNG_COLOR_TYPE_PALETTE;
        recipe.depth = depth;
        recipe.palette = palette;
        // Index 1, then index 0, packed from the high bits.
        recipe.rows = {depth == 8 ? Bytes{1, 0} : Bytes{static_cast<uint8_t>(1 << (8 - depth))}};
        Bitmap b = DecodePngRecipe(recipe);
        EXPECT_EQ(At(b, 0, 0), (Rgb{200, 100, 50}));
        EXPECT_EQ(At(b, 1, 0), (Rgb{10, 20, 30}));

        // Entry 0 fully transparent: the background shows.
        recipe.paletteAlpha = {0, 255};
        b = DecodePngRecipe(recipe, 0x00FF0000);  // blue
        EXPECT_EQ(At(b, 0, 0), (Rgb{200, 100, 50}));
        EXPECT_EQ(At(b, 1, 0), (Rgb{0, 0, 255}));
    }
}

TEST(PngPicture, ColourAndAlphaAt8And16Bits) {
    for (int depth : {8, 16}) {
        SCOPED_TRACE(depth);
        auto sample = [depth](Bytes& row, uint8_t v) {
            row.push_back(v);
            if (depth == 16)
                row.push_back(v);
        };
        test::PngRecipe rgb;
        rgb.colourType = PNG_COLOR_TYPE_RGB;
        rgb.depth = depth;
        Bytes row;
        sample(row, 250), sample(row, 120), sample(row, 7);
        rgb.rows = {row};
        EXPECT_EQ(At(DecodePngRecipe(rgb), 0, 0), (Rgb{250, 120, 7}));

        // Opaque, transparent and half-covered pixels over a green background.
        test::PngRecipe rgba;
        rgba.width = 3;
        rgba.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
        rgba.depth = depth;
        row.clear();
        for (uint8_t alpha : {255, 0, 128})
            sample(row, 255), sample(row, 0), sample(row, 0), sample(row, alpha);
        rgba.rows = {row};
        const Bitmap b = DecodePngRecipe(rgba, 0x0000FF00);
        EXPECT_EQ(At(b, 0, 0), (Rgb{255, 0, 0}));
        EXPECT_EQ(At(b, 1, 0), (Rgb{0, 255, 0}));
        const Rgb half = At(b, 2, 0);
        EXPECT_GT(half[0], 64);
        EXPECT_GT(half[1], 64);
        EXPECT_EQ(half[2], 0);

        test::PngRecipe greyAlpha;
        greyAlpha.width = 2;
        greyAlpha.colourType = PNG_COLOR_TYPE_GRAY_ALPHA;
        greyAlpha.depth = depth;
        row.clear();
        sample(row, 90), sample(row, 255), sample(row, 90), sample(row, 0);
        greyAlpha.rows = {row};
        const Bitmap g = DecodePngRecipe(greyAlpha, 0x00FFFFFF);
        EXPECT_TRUE(Near(At(g, 0, 0), Rgb{90, 90, 90}, 1));
        EXPECT_EQ(At(g, 1, 0), (Rgb{255, 255, 255}));
    }
}

TEST(PngPicture, DamagedFilesNameTheFormat) {
    test::PngRecipe recipe;
    recipe.rows = {Bytes{1, 2, 3}};
    const Bytes png = test::PngOf(recipe);
    const DecodeOutcome cut = TryDecodePictureFile(AsText(Bytes(png.begin(), png.end() - 20)));
    EXPECT_FALSE(cut.bitmap);
    EXPECT_EQ(cut.reason.rfind("The PNG picture is damaged: ", 0), 0u) << cut.reason;

    Bytes badHeader = png;
    badHeader[24] = 3;  // an RGB picture of 3-bit samples
    EXPECT_ERROR_MSG(DecodePictureFile(AsText(badHeader)), "The PNG picture is damaged: colour type 2 with 3-bit samples");
}

// The most memory the process has held so far, in kilobytes.
long PeakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A chunk whose length field claims `claimed` bytes, followed by `body`.
Bytes ChunkClaiming(const char* type, uint32_t claimed, const Bytes& body) {
    Bytes chunk = {static_cast<uint8_t>(claimed >> 24), static_cast<uint8_t>(claimed >> 16),
                   static_cast<uint8_t>(claimed >> 8), static_cast<uint8_t>(claimed)};
    chunk.insert(chunk.end(), type, type + 4);
    chunk.insert(chunk.end(), body.begin(), body.end());
    return chunk;
}

TEST(PngPicture, ChunksClaimingMoreThanTheFileHoldsAllocateNothingOfIt) {
    // A 2.6 KB picture of noise, so that its data does not pack small.
    test::PngRecipe recipe;
    recipe.width = recipe.height = 30;
    uint32_t seed = 7;
    for (uint32_t y = 0; y < recipe.height; ++y) {
        Bytes row;
        for (uint32_t i = 0; i < 3 * recipe.width; ++i)
            row.push_back(static_cast<uint8_t>((seed = seed * 1103515245 + 12345) >> 16));
        recipe.rows.push_back(row);
    }
    const Bytes png = test::PngOf(recipe);
    const Bytes text = ChunkClaiming("tEXt", 1866876531, Bytes(40, 'x'));
    const size_t afterHeader = 8 + 25;
    // Well-formed ancillary chunks that libpng would hold in memory go the
    // same way as a claim it cannot back.
    Bytes zText = ChunkClaiming("zTXt", 6, Bytes{'k', 0, 0, 'x', 'y', 'z'});
    zText.insert(zText.end(), 4, 0);  // a CRC that does not matter

    Bytes before = png;  // the claim before the picture's data: nothing to show
    before.insert(before.begin() + afterHeader, text.begin(), text.end());
    Bytes after = png;  // after it, in place of the end: the picture shows
    after.erase(after.end() - 12, after.end());
    after.insert(after.end(), text.begin(), text.end());
    Bytes skipped = png;
    skipped.insert(skipped.begin() + afterHeader, zText.begin(), zText.end());
    EXPECT_GT(before.size(), 2600u);

    const long peak = PeakKilobytes();
    const DecodeOutcome damaged = TryDecodePictureFile(AsText(before));
    EXPECT_FALSE(damaged.bitmap);
    EXPECT_EQ(damaged.reason.rfind("The PNG picture is damaged: ", 0), 0u) << damaged.reason;
    const Bitmap shown = DecodePictureFile(AsText(after));
    EXPECT_EQ(At(shown, 0, 0), (Rgb{recipe.rows[0][0], recipe.rows[0][1], recipe.rows[0][2]}));
    EXPECT_EQ(At(DecodePictureFile(AsText(skipped)), 29, 29), At(shown, 29, 29));
    EXPECT_LT(PeakKilobytes() - peak, 64 * 1024);
}

// ---------------------------------------------------------------------------
// GIF

void AppendGif(Bytes& out, const GifByteType* data, int length) {
    out.insert(out.end(), data, data + length);
}

extern "C" int WriteGif(GifFileType* gif, const GifByteType* data, int length) {
    AppendGif(*static_cast<Bytes*>(gif->UserData), data, length);
    return length;
}

// A 4 x 2 screen whose first frame is 2 x 2 at (1, 0), with index 3
// transparent, and a second frame that must not show.
Bytes TwoFrameGif() {
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, WriteGif, &error);
    const GifColorType colours[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 9, 9}};
    ColorMapObject* map = GifMakeMapObject(4, colours);
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, 4, 2, 2, 0, map);
    const GifByteType control[4] = {1, 0, 0, 3};  // transparent index 3
    EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control);
    EGifPutImageDesc(gif, 1, 0, 2, 2, false, nullptr);
    GifPixelType rows[2][2] = {{0, 1}, {2, 3}};
    for (auto& row : rows)
        EGifPutLine(gif, row, 2);
    EGifPutImageDesc(gif, 0, 0, 4, 2, false, nullptr);
    GifPixelType second[4] = {0, 0, 0, 0};
    for (int y = 0; y < 2; ++y)
        EGifPutLine(gif, second, 4);
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

TEST(GifPicture, FirstFrameOnItsScreenWithTransparency) {
    DecodeOptions options;
    options.background = 0x00404040;
    const Bitmap b = DecodePictureFile(AsText(TwoFrameGif()), options);
    ASSERT_EQ(b.Width(), 4);
    ASSERT_EQ(b.Height(), 2);
    EXPECT_EQ(At(b, 0, 0), (Rgb{64, 64, 64}));  // outside the frame
    EXPECT_EQ(At(b, 1, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(At(b, 2, 0), (Rgb{0, 255, 0}));
    EXPECT_EQ(At(b, 1, 1), (Rgb{0, 0, 255}));
    EXPECT_EQ(At(b, 2, 1), (Rgb{64, 64, 64}));  // transparent
    EXPECT_EQ(At(b, 3, 1), (Rgb{64, 64, 64}));

    const Bytes gif = TwoFrameGif();
    const DecodeOutcome cut = TryDecodePictureFile(AsText(Bytes(gif.begin(), gif.begin() + 30)));
    EXPECT_EQ(cut.reason.rfind("The GIF picture is damaged: ", 0), 0u) << cut.reason;
}

// ---------------------------------------------------------------------------
// BMP: run lengths and bit fields

using test::Put32;

// A BMP with a 40-byte info header, a palette of black, red, green, blue and
// the given pixel data.
Bytes PalettedBmp(int32_t w, int32_t h, int bits, uint32_t compression, const Bytes& pixels) {
    const uint32_t palette[] = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    Bytes v(54 + sizeof palette);
    v[0] = 'B', v[1] = 'M';
    Put32(v, 10, static_cast<uint32_t>(v.size()));
    Put32(v, 14, 40);
    Put32(v, 18, static_cast<uint32_t>(w));
    Put32(v, 22, static_cast<uint32_t>(h));
    v[26] = 1;
    v[28] = static_cast<uint8_t>(bits);
    Put32(v, 30, compression);
    Put32(v, 46, 4);
    for (size_t i = 0; i < 4; ++i)
        Put32(v, 54 + 4 * i, palette[i]);
    v.insert(v.end(), pixels.begin(), pixels.end());
    return v;
}

constexpr Rgb kBlack{0, 0, 0}, kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255};

TEST(BmpPicture, RunLengthEightBits) {
    // Bottom row: two red, then green, blue and red written out (padded to a
    // whole word); end of row. Next row: a jump of 2 right, one blue; end of
    // picture.
    const Bytes rle = {2, 1, 0, 3, 2, 3, 1, 0, 0, 0, 0, 2, 2, 0, 1, 3, 0, 1};
    const Bitmap b = DecodePictureFile(AsText(PalettedBmp(5, 2, 8, 1, rle)));
    const Rgb bottom[] = {kRed, kRed, kGreen, kBlue, kRed};
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(At(b, x, 1), bottom[x]) << x;
    EXPECT_EQ(At(b, 0, 0), kBlack);  // jumped over
    EXPECT_EQ(At(b, 1, 0), kBlack);
    EXPECT_EQ(At(b, 2, 0), kBlue);
}

TEST(BmpPicture, RunLengthFourBits) {
    // A run of 3 alternating red and green, then 3 indexes written out (blue,
    // red, green: padded to a whole word), then end of picture.
    const Bytes rle = {3, 0x12, 0, 3, 0x31, 0x20, 0, 1};
    const Bitmap b = DecodePictureFile(AsText(PalettedBmp(6, 1, 4, 2, rle)));
    const Rgb expected[] = {kRed, kGreen, kRed, kBlue, kRed, kGreen};
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(At(b, x, 0), expected[x]) << x;

    // Runs past the right edge or the top are dropped, not written elsewhere.
    const Bitmap clipped = DecodePictureFile(AsText(PalettedBmp(2, 1, 4, 2, {255, 0x11, 0, 2, 0, 9, 4, 0x22})));
    EXPECT_EQ(At(clipped, 1, 0), kRed);
}

TEST(BmpPicture, BitFieldsOfAnyWidth) {
    // 32 bits with 10-bit channels, blue in the low bits.
    Bytes v(54 + 12);
    v[0] = 'B', v[1] = 'M';
    Put32(v, 10, static_cast<uint32_t>(v.size()));
    Put32(v, 14, 40);
    Put32(v, 18, 2);
    Put32(v, 22, 1);
    v[26] = 1;
    v[28] = 32;
    Put32(v, 30, 3);
    Put32(v, 54, 0x3FF00000);
    Put32(v, 58, 0x000FFC00);
    Put32(v, 62, 0x000003FF);
    v.resize(v.size() + 8);
    Put32(v, 66, 0x3FF003FF);  // red and blue at full
    Put32(v, 70, 0x000FFC00);  // green at full
    const Bitmap b = DecodePictureFile(AsText(v));
    EXPECT_EQ(At(b, 0, 0), (Rgb{255, 0, 255}));
    EXPECT_EQ(At(b, 1, 0), kGreen);
}

// ---------------------------------------------------------------------------
// Alpha: straight alpha composed in the stored values, c * a + back * (1 - a)

// A 32-bit BMP of the given pixels (0xAARRGGBB) in one row: plain (40-byte
// header, the fourth byte as alpha) or with a 108-byte header whose bit
// fields give alpha in the low byte.
Bytes AlphaBmp(const std::vector<uint32_t>& argb, bool fields) {
    const uint32_t header = fields ? 108 : 40;
    Bytes v(14 + header);
    v[0] = 'B', v[1] = 'M';
    Put32(v, 10, static_cast<uint32_t>(v.size()));
    Put32(v, 14, header);
    Put32(v, 18, static_cast<uint32_t>(argb.size()));
    Put32(v, 22, 1);
    v[26] = 1;
    v[28] = 32;
    if (fields) {
        Put32(v, 30, 3);
        Put32(v, 54, 0xFF000000), Put32(v, 58, 0x00FF0000), Put32(v, 62, 0x0000FF00), Put32(v, 66, 0x000000FF);
    }
    for (uint32_t p : argb) {
        v.resize(v.size() + 4);
        Put32(v, v.size() - 4, fields ? (p << 8 | p >> 24) : p);
    }
    return v;
}

TEST(AlphaComposition, KnownValuesOverTheBackground) {
    // White at 69 % (alpha 176) over black is 176, as viewers show it; a
    // composition in linear light would give 216.
    for (int depth : {8, 16}) {
        SCOPED_TRACE(depth);
        test::PngRecipe png;
        png.width = 3;
        png.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
        png.depth = depth;
        Bytes row;
        for (uint8_t v : {255, 255, 255, 176, 255, 0, 0, 128, 40, 200, 90, 64})
            for (int i = 0; i < depth / 8; ++i)
                row.push_back(v);
        png.rows = {row};
        const Bitmap black = DecodePngRecipe(png, 0);
        EXPECT_EQ(At(black, 0, 0), (Rgb{176, 176, 176}));
        EXPECT_EQ(At(black, 1, 0), (Rgb{128, 0, 0}));
        EXPECT_EQ(At(black, 2, 0), (Rgb{10, 50, 23}));
        const Bitmap white = DecodePngRecipe(png, 0x00FFFFFF);
        EXPECT_EQ(At(white, 1, 0), (Rgb{255, 127, 127}));
    }
    // A palette entry at half cover.
    test::PngRecipe palette;
    palette.width = 1;
    palette.colourType = PNG_COLOR_TYPE_PALETTE;
    palette.depth = 8;
    palette.palette = {{255, 255, 255}};
    palette.paletteAlpha = {176};
    palette.rows = {{0}};
    EXPECT_EQ(At(DecodePngRecipe(palette, 0), 0, 0), (Rgb{176, 176, 176}));

    for (bool fields : {false, true}) {
        SCOPED_TRACE(fields);
        const Bitmap b = DecodePictureFile(AsText(AlphaBmp({0xB0FFFFFF, 0x80FF0000, 0x00123456}, fields)));
        EXPECT_EQ(At(b, 0, 0), (Rgb{176, 176, 176}));
        EXPECT_EQ(At(b, 1, 0), (Rgb{128, 0, 0}));
        EXPECT_EQ(At(b, 2, 0), kBlack);
    }
    // Writers that leave the fourth byte unused, zero everywhere, mean opaque pixels.
    EXPECT_EQ(At(DecodePictureFile(AsText(AlphaBmp({0x00123456, 0x00FFFFFF}, false))), 0, 0), (Rgb{0x12, 0x34, 0x56}));
}

// Each pixel of `reduced` is the mean of its 2 x 2 block of `full`.
void ExpectBlockMeans(const Bitmap& full, const Bitmap& reduced, int tolerance) {
    ASSERT_EQ(reduced.Width(), (full.Width() + 1) / 2);
    ASSERT_EQ(reduced.Height(), (full.Height() + 1) / 2);
    for (int y = 0; y < reduced.Height(); ++y)
        for (int x = 0; x < reduced.Width(); ++x) {
            Rgb sum{0, 0, 0};
            int count = 0;
            for (int sy = 2 * y; sy < std::min(2 * y + 2, full.Height()); ++sy)
                for (int sx = 2 * x; sx < std::min(2 * x + 2, full.Width()); ++sx, ++count)
                    for (int c = 0; c < 3; ++c)
                        sum[c] += At(full, sx, sy)[c];
            for (int c = 0; c < 3; ++c)
                sum[c] = (sum[c] + count / 2) / count;
            EXPECT_TRUE(Near(At(reduced, x, y), sum, tolerance)) << x << "," << y;
        }
}

// A large PNG or BMP shown small is reduced while it is read.
TEST(LargePicture, ReducedWhileReadByAWholeFactorWhenShownSmall) {
    struct Kind {
        int colourType, depth, channels;
    };
    for (const Kind kind : {Kind{PNG_COLOR_TYPE_RGB, 8, 3}, Kind{PNG_COLOR_TYPE_RGB_ALPHA, 16, 4},
                            Kind{PNG_COLOR_TYPE_GRAY, 8, 1}, Kind{PNG_COLOR_TYPE_PALETTE, 8, 1}}) {
        SCOPED_TRACE(kind.colourType * 100 + kind.depth);
        test::PngRecipe png;
        png.width = 9, png.height = 7;
        png.colourType = kind.colourType;
        png.depth = kind.depth;
        if (kind.colourType == PNG_COLOR_TYPE_PALETTE) {
            for (int i = 0; i < 256; ++i)
                png.palette.push_back({static_cast<png_byte>(i), static_cast<png_byte>(255 - i),
                                       static_cast<png_byte>(i * 7)});
            png.paletteAlpha = {0, 128, 255, 40};
        }
        for (uint32_t y = 0; y < png.height; ++y) {
            Bytes row;
            for (uint32_t x = 0; x < png.width * kind.channels; ++x)
                for (int b = 0; b < kind.depth / 8; ++b)
                    row.push_back(static_cast<uint8_t>((x * 37 + y * 91 + b * 13) % 251));
            png.rows.push_back(row);
        }
        const Bytes file = test::PngOf(png);
        DecodeOptions options;
        options.background = 0x00306090;
        const Bitmap full = DecodePictureFile(AsText(file), options);
        options.targetWidth = 4, options.targetHeight = 3;  // a factor of 2 still covers 4 x 3
        const Bitmap reduced = DecodePictureFile(AsText(file), options);
        ExpectBlockMeans(full, reduced, kind.depth == 16 ? 1 : 0);
        // Not twice the target: whole; a check for damage: whole too.
        options.targetWidth = 5;
        EXPECT_EQ(DecodePictureFile(AsText(file), options), full);
        std::string damage;
        options.targetWidth = 4, options.damage = &damage;
        EXPECT_EQ(DecodePictureFile(AsText(file), options), full);
    }

    // An uncompressed BMP the same way; run lengths are read whole.
    Bitmap picture(9, 7);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 27; ++x)
            picture.Row(y)[x] = static_cast<uint8_t>((x * 37 + y * 91) % 251);
    DecodeOptions options;
    options.targetWidth = 4, options.targetHeight = 3;
    ExpectBlockMeans(picture, DecodePictureFile(AsText(EncodeBmp(picture)), options), 0);
}

// ---------------------------------------------------------------------------
// The entry point's reasons and scaled JPEG

TEST(DecodePictureFile, ReasonsNameWhatIsWrong) {
    // A valid 12-bit JPEG frame header: not supported, not damaged.
    const Bytes twelveBit = {0xFF, 0xD8, 0xFF, 0xC1, 0, 11, 12, 0, 8, 0, 8, 1, 1, 0x11, 0, 0xFF, 0xD9};
    EXPECT_EQ(TryDecodePictureFile(AsText(twelveBit)).reason, "12-bit JPEG is not supported");
    EXPECT_EQ(TryDecodePictureFile("just some notes").reason, "not a picture");
    EXPECT_EQ(TryDecodePictureFile("").reason, "not a picture");
    const Bytes lossless = {0xFF, 0xD8, 0xFF, 0xC3, 0, 11, 8, 0, 8, 0, 8, 1, 1, 0x11, 0};
    EXPECT_EQ(TryDecodePictureFile(AsText(lossless)).reason, "lossless JPEG is not supported");
    std::string icon("\0\0\1\0\1\0", 6);
    icon += std::string(16, '\0');
    EXPECT_EQ(TryDecodePictureFile(icon).reason.find("damaged"), std::string::npos);

    const DecodeOutcome good = TryDecodePictureFile(AsText(test::JpegOf(test::Solid(3, 2, 1, 2, 3))));
    ASSERT_TRUE(good.bitmap);
    EXPECT_EQ(good.reason, "");
    EXPECT_EQ(good.bitmap->Width(), 3);
}

TEST(DecodePictureFile, LargeJpegIsDecodedAtTheScaleTheTargetNeeds) {
    const Bytes jpeg = test::JpegOf(test::Solid(2000, 1500, 200, 100, 50));
    struct Case {
        int32_t targetWidth, targetHeight, width, height;
    };
    const Case cases[] = {
        {250, 188, 250, 188},     // 1/8 covers it
        {300, 200, 500, 375},     // 2/8
        {1920, 1080, 2000, 1500}, // nothing smaller covers a full-HD screen
        {0, 0, 2000, 1500},       // no target: full size
    };
    for (const Case& c : cases) {
        DecodeOptions options;
        options.targetWidth = c.targetWidth;
        options.targetHeight = c.targetHeight;
        const Bitmap b = DecodePictureFile(AsText(jpeg), options);
        EXPECT_EQ(b.Width(), c.width) << c.targetWidth;
        EXPECT_EQ(b.Height(), c.height) << c.targetWidth;
        EXPECT_TRUE(Near(At(b, b.Width() / 2, b.Height() / 2), Rgb{200, 100, 50}, 3));
    }
    // Turned a quarter by EXIF: the target applies to the upright picture.
    DecodeOptions portrait;
    portrait.targetWidth = 188;
    portrait.targetHeight = 250;
    const Bitmap turned = DecodePictureFile(AsText(test::WithExif(jpeg, test::ExifBlock(6))), portrait);
    EXPECT_EQ(turned.Width(), 188);
    EXPECT_EQ(turned.Height(), 250);
}

// ---------------------------------------------------------------------------
// Damage that the decoders pass over: shown as before, reported on request

// A picture of noise, so that its compressed data is large and any cut lands
// inside it.
Bitmap Noise(int32_t w, int32_t h) {
    Bitmap b(w, h);
    uint32_t seed = 11;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < 3 * w; ++x)
            b.Row(y)[x] = static_cast<uint8_t>((seed = seed * 1103515245 + 12345) >> 16);
    return b;
}

// The outcome of a decode that must succeed, with the bitmap the viewer shows
// (the same as without asking for damage).
DecodeOutcome Decoded(const Bytes& bytes) {
    DecodeOutcome outcome = TryDecodePictureFile(AsText(bytes));
    EXPECT_TRUE(outcome.bitmap) << outcome.reason;
    if (outcome.bitmap) {
        const Bitmap shown = DecodePictureFile(AsText(bytes));
        EXPECT_EQ(AsText(EncodeBmp(shown)), AsText(EncodeBmp(*outcome.bitmap)));
    }
    return outcome;
}

TEST(PictureDamage, CutOrCorruptFilesDecodeButSayWhy) {
    const Bytes jpeg = test::JpegOf(Noise(64, 64));
    EXPECT_EQ(Decoded(jpeg).damage, "");
    EXPECT_EQ(Decoded(Bytes(jpeg.begin(), jpeg.begin() + jpeg.size() * 2 / 3)).damage,
              "The JPEG picture is damaged: Premature end of JPEG file");
    Bytes marker = jpeg;  // a restart marker where none belongs
    marker[jpeg.size() / 2] = 0xFF;
    marker[jpeg.size() / 2 + 1] = 0xD3;
    const std::string corrupt = Decoded(marker).damage;
    EXPECT_EQ(corrupt.rfind("The JPEG picture is damaged: Corrupt JPEG data", 0), 0u) << corrupt;

    test::PngRecipe recipe;
    recipe.rows = {Bytes{1, 2, 3}};
    const Bytes png = test::PngOf(recipe);
    EXPECT_EQ(Decoded(png).damage, "");
    Bytes text = ChunkClaiming("tEXt", 3, Bytes{'a', 0, 'b', 1, 2, 3, 4});  // a wrong CRC
    Bytes badCrc = png;
    badCrc.insert(badCrc.begin() + 33, text.begin(), text.end());
    EXPECT_EQ(Decoded(badCrc).damage, "The PNG picture is damaged: tEXt: CRC error");
    EXPECT_EQ(Decoded(Bytes(png.begin(), png.end() - 12)).damage,
              "The PNG picture is damaged: the file ends before its IEND chunk");

    const Bytes gif = TwoFrameGif();
    EXPECT_EQ(Decoded(gif).damage, "");
    const std::string cut = Decoded(Bytes(gif.begin(), gif.end() - 8)).damage;  // in the second frame
    EXPECT_EQ(cut.rfind("The GIF picture is damaged: ", 0), 0u) << cut;

    const Bytes rle = {2, 1, 0, 0, 2, 2};  // one row of two, then the data ends
    EXPECT_EQ(Decoded(PalettedBmp(2, 2, 8, 1, rle)).damage,
              "The BMP picture is damaged: the run-length data ends before the picture does");
    EXPECT_EQ(Decoded(PalettedBmp(2, 1, 8, 1, {2, 1, 0, 1})).damage, "");
}

}  // namespace
}  // namespace orlscr
