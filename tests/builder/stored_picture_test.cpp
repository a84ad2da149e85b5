// The pictures mkscr stores: other formats converted (made at test time with
// Debian's encoders), pictures beyond the bound reduced, damage and formats
// that cannot be read named.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "builder/picture_import.h"
#include "builder/slide_picture_check.h"
#include "builder/stored_picture.h"
#include "picture/decode.h"
#include "picture/exif.h"
#include "raster/reduce.h"
#include "support/temp_folder.h"

namespace orlscr::mkscr {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

constexpr const char* kDate = "2024:05:06 07:08:09";

// 64x48: red in the top-left quarter, blue elsewhere, so any turn or mirror shows.
Bitmap Marked(int32_t width = 64, int32_t height = 48) {
    Bitmap bitmap(width, height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* p = bitmap.Row(y) + 3 * x;
            const bool corner = x < width / 2 && y < height / 2;
            p[0] = corner ? 0 : 255;  // blue, green, red
            p[1] = 0;
            p[2] = corner ? 255 : 0;
        }
    return bitmap;
}

// The marked picture as a JPEG with the date, its rows stored as they are
// turned for the EXIF orientation given (1, 6 or 8) and the tag saying so
// when `tagged`.
std::string MarkedJpeg(int orientation = 1, bool tagged = true) {
    const int stored = orientation == 6 ? 8 : orientation == 8 ? 6 : 1;  // the turn that undoes it
    const std::vector<uint8_t> jpeg = EncodeJpegFile(Orient(Marked(), stored), 95);
    std::string exif = MakeExifBlock(kDate);
    if (tagged)
        exif[18] = static_cast<char>(orientation);  // the orientation entry's value
    return JpegWithExif(std::string(jpeg.begin(), jpeg.end()), exif);
}

std::string MarkedPng() {
    const Bitmap bitmap = Marked();
    return EncodePng(bitmap.Bits(), bitmap.Width(), bitmap.Height(), bitmap.Stride(), 3);
}

bool HaveProgram(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

// The picture stored for a check, decoded.
Bitmap StoredBitmap(const SlidePictureCheck& check) {
    const std::string bytes = check.made->file->Read(check.made->offset, static_cast<size_t>(check.made->size));
    return DecodePictureFile(bytes);
}

// Red in the top-left corner, blue in the bottom-right: upright, not mirrored.
void ExpectUpright(const Bitmap& bitmap) {
    ASSERT_EQ(bitmap.Width(), 64);
    ASSERT_EQ(bitmap.Height(), 48);
    const uint8_t* topLeft = bitmap.Row(4) + 3 * 4;
    const uint8_t* bottomRight = bitmap.Row(44) + 3 * 60;
    EXPECT_GT(topLeft[2], 200);
    EXPECT_LT(topLeft[0], 60);
    EXPECT_GT(bottomRight[0], 200);
    EXPECT_LT(bottomRight[2], 60);
}

struct Encoder {
    const char* format;   // as the report names it
    const char* program;  // the encoder that must be there
    const char* command;  // IN and OUT
    const char* input;    // in.jpg (upright, dated), in.png, tagged6.jpg (orientation 6), turned.jpg (turned clockwise)
    const char* stored;   // "JPEG" or "PNG"
    bool keepsDate;
};

const Encoder kEncoders[] = {
    {"HEIC", "heif-enc", "heif-enc -q 92 IN -o OUT", "in.jpg", "JPEG", true},
    {"WebP", "cwebp", "cwebp -quiet -q 92 -metadata exif IN -o OUT", "tagged6.jpg", "JPEG", true},
    {"WebP", "cwebp", "cwebp -quiet -lossless IN -o OUT", "in.png", "PNG", false},
    {"AVIF", "avifenc", "avifenc --min 8 --max 16 --irot 1 IN OUT", "turned.jpg", "JPEG", true},
    {"TIFF", "convert", "convert IN -compress zip TIFF:OUT", "in.png", "PNG", false},
    {"TIFF", "convert", "convert IN -compress jpeg TIFF:OUT", "in.jpg", "JPEG", false},
    {"JPEG XL", "cjxl", "cjxl IN OUT", "in.jpg", "JPEG", true},
};

TEST(StoredPicture, EachFormatIsConvertedUprightWithItsDate) {
    const orlscr::testing::TempFolder folder;
    folder.Write("in.jpg", MarkedJpeg());
    folder.Write("in.png", MarkedPng());
    folder.Write("tagged6.jpg", MarkedJpeg(6));
    folder.Write("turned.jpg", MarkedJpeg(8, false));
    for (const Encoder& encoder : kEncoders) {
        SCOPED_TRACE(encoder.format);
        if (!HaveProgram(encoder.program)) {
            std::printf("skipped %s: no %s (scripts/setup installs it)\n", encoder.format, encoder.program);
            continue;
        }
        const std::string out = folder.Path("out");
        std::string command = encoder.command;
        command.replace(command.find("IN"), 2, folder.Path(encoder.input));
        command.replace(command.find("OUT"), 3, out);
        ASSERT_EQ(std::system((command + " >/dev/null 2>&1").c_str()), 0) << command;

        const SlidePictureCheck check = CheckSlidePicture(out);
        ASSERT_EQ(check.refusal, "");
        EXPECT_EQ(check.change, std::string("converted ") + encoder.format + " to " + encoder.stored);
        ASSERT_TRUE(check.made);
        ExpectUpright(StoredBitmap(check));
        if (encoder.keepsDate) {
            EXPECT_EQ(check.dateTaken.value_or("none"), kDate);
            const std::string stored = check.made->file->Read(check.made->offset, check.made->size);
            EXPECT_EQ(ExifDateTaken(stored).value_or("none"), kDate);
            EXPECT_EQ(ReadExif(stored).orientation, 1);
        }

        // Damage is named, never taken for "not a picture".
        std::ifstream in(out, std::ios::binary);
        std::string bytes(std::istreambuf_iterator<char>(in), {});
        const std::string cut = folder.Write("cut", bytes.substr(0, bytes.size() / 2));
        const SlidePictureCheck damaged = CheckSlidePicture(cut);
        EXPECT_THAT(damaged.refusal, HasSubstr(encoder.format));
        EXPECT_FALSE(damaged.made);
    }
}

TEST(StoredPicture, FormatsThatCannotBeReadAreNamed) {
    const orlscr::testing::TempFolder folder;
    const std::string raw =
        folder.Write("IMG_1.CR2", std::string("II*\0\x10\0\0\0CR\x02\0", 12) + std::string(64, '\0'));
    EXPECT_THAT(CheckSlidePicture(raw).refusal, StartsWith("a camera raw picture, which mkscr on Linux does not read"));
    EXPECT_EQ(CheckSlidePicture(folder.Write("notes.txt", "hello")).refusal, kNotAPicture);
    EXPECT_EQ(RecogniseImportFormat(std::string("\0\0\0\x18"
                                                "ftypmif1\0\0\0\0mif1heic",
                                                24),
                                    "x"),
              ImportFormat::kHeic);
    EXPECT_EQ(RecogniseImportFormat(std::string("\0\0\0\x1c"
                                                "ftypavif\0\0\0\0avifmif1",
                                                24),
                                    "x"),
              ImportFormat::kAvif);
    // An animation is known by its header, also to a reader that gives one frame.
    std::string extended("RIFF\0\0\0\0WEBPVP8X\x0a\0\0\0\x12\0\0\0\0\0\0\0\0\0", 30);
    EXPECT_TRUE(IsAnimatedWebp(extended));
    extended[20] = 0x10;  // alpha only
    EXPECT_FALSE(IsAnimatedWebp(extended));
}

TEST(StoredPicture, LargePicturesAreReducedWithinTheBound) {
    const orlscr::testing::TempFolder folder;
    // 8000x6000, as a camera's: reduced into 3840x2160 by default.
    const std::vector<uint8_t> big = EncodeJpegFile(Marked(8000, 6000), 80);
    const std::string path = folder.Write("big.jpg", std::string(big.begin(), big.end()));
    const SlidePictureCheck reduced = CheckSlidePicture(path);
    ASSERT_EQ(reduced.refusal, "");
    EXPECT_EQ(reduced.change, "reduced 8000x6000 to 2880x2160");
    const Bitmap stored = StoredBitmap(reduced);
    EXPECT_EQ(stored.Width(), 2880);
    EXPECT_EQ(stored.Height(), 2160);
    EXPECT_GT(stored.Row(100)[3 * 100 + 2], 200);  // still red at the top left

    // --originals: stored as it is; --max-size: another bound.
    EXPECT_FALSE(CheckSlidePicture(path, StoreBound{3840, 2160, true}).made);
    EXPECT_EQ(CheckSlidePicture(path, StoreBound{1000, 1000, false}).change, "reduced 8000x6000 to 1000x750");

    // Within the bound: stored as it is, and a PNG beyond it stays PNG when it has few colours.
    EXPECT_FALSE(CheckSlidePicture(folder.Write("small.jpg", MarkedJpeg())).made);
    const SlidePictureCheck png = CheckSlidePicture(folder.Write("p.png", MarkedPng()), StoreBound{32, 32, false});
    EXPECT_EQ(png.change, "reduced 64x48 to 32x24 as PNG");
    EXPECT_EQ(png.extension, "png");
}

TEST(StoredPicture, TheBoundKeepsTheShape) {
    EXPECT_EQ(FitWithin(3000, 4000, StoreBound{}), (PictureSize{1620, 2160}));
    EXPECT_EQ(FitWithin(3840, 2160, StoreBound{}), (PictureSize{3840, 2160}));
    EXPECT_EQ(FitWithin(100000, 10, StoreBound{}), (PictureSize{3840, 1}));
}

TEST(ReduceFilter, EvenAreasStayEvenAndFineStripesBecomeTheirAverage) {
    // Stripes one pixel wide cannot be shown at half the size: every filter
    // must give their average instead of a false pattern.
    for (ReduceFilter filter : {ReduceFilter::kBox, ReduceFilter::kTriangle, ReduceFilter::kCatmullRom,
                                ReduceFilter::kMitchell, ReduceFilter::kLanczos3}) {
        Bitmap stripes(200, 20);
        for (int32_t y = 0; y < 20; ++y)
            for (int32_t x = 0; x < 200; ++x)
                std::memset(stripes.Row(y) + 3 * x, x % 2 ? 255 : 0, 3);
        const Bitmap half = ReduceBitmap(stripes, 100, 10, filter);
        for (int32_t x = 3; x < 97; ++x)  // the edges repeat their last pixel
            EXPECT_NEAR(half.Row(3)[3 * x], 128, 4) << static_cast<int>(filter) << " at " << x;
        Bitmap even(50, 50);
        std::memset(even.Bits(), 77, even.Stride() * 50);
        EXPECT_EQ(ReduceBitmap(even, 7, 13, filter).Row(12)[6 * 3 + 1], 77);
    }
}

}  // namespace
}  // namespace orlscr::mkscr
