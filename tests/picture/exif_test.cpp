#include "picture/exif.h"

#include <gtest/gtest.h>

#include <string>

#include "picture/picture_test_files.h"

namespace orlscr {
namespace {

using test::Bytes;

std::string AsText(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

ExifData Parse(const Bytes& block) {
    return ParseExifBlock(block.data(), block.size());
}

TEST(Exif, OrientationAndDateTakenInEitherByteOrder) {
    ExifData exif = Parse(test::ExifBlock(6, "2024:07:01 18:30:05"));
    EXPECT_EQ(exif.orientation, 6);
    EXPECT_EQ(exif.dateTaken, "2024:07:01 18:30:05");

    // The same block little-endian.
    const Bytes ii = {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(Parse(ii).orientation, 8);
    EXPECT_FALSE(Parse(ii).dateTaken);

    // A camera without a clock.
    EXPECT_FALSE(Parse(test::ExifBlock(1, "0000:00:00 00:00:00")).dateTaken);
    EXPECT_FALSE(Parse(test::ExifBlock(1, "    ")).dateTaken);
}

TEST(Exif, FoundInJpegAndPngFiles) {
    const Bytes jpeg = test::JpegOf(test::Solid(8, 8, 1, 2, 3));
    EXPECT_EQ(ReadExif(AsText(jpeg)).orientation, 1);
    const Bytes tagged = test::WithExif(jpeg, test::ExifBlock(3, "2001:02:03 04:05:06"));
    EXPECT_EQ(ReadExif(AsText(tagged)).orientation, 3);
    EXPECT_EQ(ExifDateTaken(AsText(tagged)), "2001:02:03 04:05:06");
    EXPECT_FALSE(ExifDateTaken(AsText(jpeg)));

    test::PngRecipe recipe;
    recipe.rows = {Bytes(3)};
    recipe.exif = test::ExifBlock(5, "2020:01:01 00:00:01");
    const Bytes png = test::PngOf(recipe);
    EXPECT_EQ(ReadExif(AsText(png)).orientation, 5);
    EXPECT_EQ(ExifDateTaken(AsText(png)), "2020:01:01 00:00:01");
    EXPECT_FALSE(ExifDateTaken("not a picture"));
}

TEST(Exif, DamagedBlocksGiveTheDefaultsWithoutReadingOutside) {
    const Bytes good = test::ExifBlock(6, "2024:07:01 18:30:05");
    // Every cut of the block: never a read past its end (the sanitizer build
    // checks), and the orientation only when its entry is whole.
    for (size_t cut = 0; cut < good.size(); ++cut) {
        const Bytes part(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
        const ExifData exif = Parse(part);
        EXPECT_TRUE(exif.orientation == 1 || exif.orientation == 6) << cut;
        if (exif.dateTaken)
            EXPECT_EQ(*exif.dateTaken, "2024:07:01 18:30:05");
    }
    Bytes huge = good;
    huge[8] = 0xFF, huge[9] = 0xFF;  // 65535 entries
    EXPECT_EQ(Parse(huge).orientation, 1);
    Bytes farDate = good;
    farDate[farDate.size() - 25] = 0x7F;  // the date's offset far outside
    EXPECT_EQ(Parse(farDate).orientation, 6);
    EXPECT_FALSE(Parse(farDate).dateTaken);

    // An APP1 segment whose length runs past the file.
    Bytes jpeg = test::WithExif(test::JpegOf(test::Solid(8, 8, 1, 2, 3)), good);
    jpeg[4] = 0x7F;
    EXPECT_EQ(ReadExif(AsText(Bytes(jpeg.begin(), jpeg.begin() + 40))).orientation, 1);
}

}  // namespace
}  // namespace orlscr
