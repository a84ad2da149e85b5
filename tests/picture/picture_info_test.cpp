// Recognising and checking picture files before the platform sees them.

#include "picture/picture_info.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "picture/picture_test_files.h"
#include "support/expect_error.h"

namespace orlscr {
namespace {

using test::Bytes;

std::string Le16(uint16_t v) {
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}

std::string Le32(uint32_t v) {
    return Le16(static_cast<uint16_t>(v)) + Le16(static_cast<uint16_t>(v >> 16));
}

// An icon file of one bitmap image with the given header values and `pixels`
// bytes of colour rows and mask after its 40-byte header.
std::string Icon(int32_t width, int32_t height, uint16_t bitCount, size_t pixels) {
    std::string image = Le32(40) + Le32(static_cast<uint32_t>(width)) + Le32(static_cast<uint32_t>(2 * height)) +
                        Le16(1) + Le16(bitCount) + std::string(24, '\0');
    image += std::string(pixels, '\x7F');
    std::string file = Le16(0) + Le16(1) + Le16(1);
    file += std::string{static_cast<char>(width & 0xFF), static_cast<char>(height & 0xFF), 0, 0};
    file += Le16(1) + Le16(bitCount) + Le32(static_cast<uint32_t>(image.size())) + Le32(22);
    return file + image;
}

// An enhanced metafile header record (108 bytes) with the given frame (0.01 mm),
// reference device (pixels) and its size in millimetres.
std::string EnhancedMetafile(int32_t frameRight, int32_t frameBottom, int32_t deviceWidth, int32_t deviceMm) {
    std::string h = Le32(1) + Le32(108);
    h += Le32(0) + Le32(0) + Le32(100) + Le32(100);                                  // bounds
    h += Le32(0) + Le32(0) + Le32(static_cast<uint32_t>(frameRight)) + Le32(static_cast<uint32_t>(frameBottom));
    h += " EMF" + Le32(0x10000) + Le32(108) + Le32(1) + Le16(1) + Le16(0) + Le32(0) + Le32(0) + Le32(0);
    h += Le32(static_cast<uint32_t>(deviceWidth)) + Le32(static_cast<uint32_t>(deviceWidth));  // device
    h += Le32(static_cast<uint32_t>(deviceMm)) + Le32(static_cast<uint32_t>(deviceMm));        // millimetres
    h += Le32(0) + Le32(0) + Le32(0) + Le32(0) + Le32(0);  // pixel format, OpenGL, micrometres
    return h;
}

std::string Placeable(int16_t right, int16_t bottom, uint16_t inch) {
    std::string w = Le32(0x9AC6CDD7) + Le16(0) + Le16(0) + Le16(0) + Le16(static_cast<uint16_t>(right)) +
                    Le16(static_cast<uint16_t>(bottom)) + Le16(inch) + Le32(0) + Le16(0);
    return w + std::string(18, '\0');
}

TEST(RecognisePicture, FirstBytesTellTheFormat) {
    EXPECT_EQ(RecognisePicture("\xFF\xD8\xFF\xE0"), PictureFormat::kJpeg);
    EXPECT_EQ(RecognisePicture("BM" + std::string(12, '\0')), PictureFormat::kBmp);
    EXPECT_EQ(RecognisePicture("\x89PNG\r\n\x1A\n"), PictureFormat::kPng);
    EXPECT_EQ(RecognisePicture("GIF89a"), PictureFormat::kGif);
    EXPECT_EQ(RecognisePicture("GIF87a"), PictureFormat::kGif);
    EXPECT_EQ(RecognisePicture(Icon(16, 16, 32, 0)), PictureFormat::kIcon);
    EXPECT_EQ(RecognisePicture(EnhancedMetafile(1, 1, 1, 1)), PictureFormat::kEnhancedMetafile);
    EXPECT_EQ(RecognisePicture(Placeable(10, 10, 96)), PictureFormat::kPlaceableMetafile);

    EXPECT_EQ(RecognisePicture("GIF90a"), PictureFormat::kUnknown);
    EXPECT_EQ(RecognisePicture("BM"), PictureFormat::kUnknown);  // no file header
    EXPECT_EQ(RecognisePicture(""), PictureFormat::kUnknown);
    EXPECT_ERROR_MSG(ExaminePicture("plain text"), "not a picture");
}

TEST(ExaminePicture, SizesComeFromTheHeaders) {
    const Bytes jpeg = test::JpegOf(test::Solid(37, 21, 0, 0, 0));
    PictureInfo info = ExaminePicture(jpeg.data(), jpeg.size());
    EXPECT_EQ(info.format, PictureFormat::kJpeg);
    EXPECT_EQ(info.width, 37);
    EXPECT_EQ(info.height, 21);
    EXPECT_EQ(info.size, jpeg.size());

    test::PngRecipe recipe;
    recipe.width = 5;
    recipe.height = 2;
    recipe.rows = {Bytes(15), Bytes(15)};
    const Bytes png = test::PngOf(recipe);
    info = ExaminePicture(png.data(), png.size());
    EXPECT_EQ(info.format, PictureFormat::kPng);
    EXPECT_EQ(info.width, 5);
    EXPECT_EQ(info.height, 2);

    info = ExaminePicture(Icon(16, 16, 32, 16 * 16 * 4 + 16 * 4));
    EXPECT_EQ(info.format, PictureFormat::kIcon);
    EXPECT_EQ(info.width, 16);
    EXPECT_EQ(info.offset, 22u);

    // 2000 x 1000 hundredths of a millimetre on a 1000-pixel, 250-mm device.
    info = ExaminePicture(EnhancedMetafile(1999, 999, 1000, 250));
    EXPECT_EQ(info.format, PictureFormat::kEnhancedMetafile);
    EXPECT_EQ(info.width, 80);
    EXPECT_EQ(info.height, 40);

    // One inch by half an inch: 96 x 48 pixels.
    info = ExaminePicture(Placeable(1440, 720, 1440));
    EXPECT_EQ(info.format, PictureFormat::kPlaceableMetafile);
    EXPECT_EQ(info.width, 96);
    EXPECT_EQ(info.height, 48);
    EXPECT_EQ(info.widthHimetric, 2540);
    EXPECT_EQ(info.offset, 22u);
}

// The preview and the picture control read placeable metafiles through the
// same check: without units per inch the picture has no size.
TEST(ExaminePicture, PlaceableMetafileWithoutUnitsPerInchIsInvalid) {
    EXPECT_ERROR_MSG(ExaminePicture(Placeable(1440, 720, 0)), "Invalid metafile");
    EXPECT_ERROR_MSG(ExaminePicture(Placeable(0, 720, 1440)), "Invalid metafile");
}

// Icons and metafiles are limited as decoded pictures are: a crafted header
// must not lead to a bitmap whose stride or size overflows.
TEST(ExaminePicture, IconsAndMetafilesHaveSizeLimits) {
    EXPECT_ERROR_MSG(ExaminePicture(Icon(0x7FFFFFFF, 16, 32, 64)), "The picture is too large");
    EXPECT_ERROR_MSG(ExaminePicture(Icon(16, 0x10000, 32, 64)), "The picture is too large");
    // Pixels announced by the header but not stored.
    EXPECT_ERROR_MSG(ExaminePicture(Icon(64, 64, 32, 100)), "Invalid icon");
    EXPECT_ERROR_MSG(ExaminePicture(Icon(16, 16, 7, 2000)), "Invalid icon");

    // A frame of 20 km on a device of 2^30 pixels.
    EXPECT_ERROR_MSG(ExaminePicture(EnhancedMetafile(0x7FFFFFF0, 1000, 0x40000000, 1)), "The picture is too large");
    EXPECT_ERROR_MSG(ExaminePicture(EnhancedMetafile(1999, 999, 0, 250)), "Invalid metafile");
    EXPECT_ERROR_MSG(ExaminePicture(Placeable(32767, 32767, 1)), "The picture is too large");

    EXPECT_NO_THROW(CheckPictureSize(kMaxPicturePixels, 1));
    EXPECT_ERROR_MSG(CheckPictureSize(kMaxPicturePixels + 1, 1), "The picture is too large");
    EXPECT_ERROR_MSG(CheckPictureSize(0x10000, 0x10000), "The picture is too large");
    EXPECT_ERROR_MSG(CheckPictureSize(0, 5), "The picture is too large");
}

TEST(ExaminePicture, DamagedHeadersAreNamedByFormat) {
    const Bytes jpeg = test::JpegOf(test::Solid(8, 8, 0, 0, 0));
    for (size_t cut : {size_t{3}, size_t{30}}) {
        try {
            ExaminePicture(jpeg.data(), cut);
            ADD_FAILURE() << cut;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()).rfind("The JPEG picture is damaged: ", 0), 0u) << e.what();
        }
    }
    const std::string shortPng("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16);
    EXPECT_ERROR_MSG(ExaminePicture(shortPng), "The PNG picture is damaged: the file ends in its header");
    EXPECT_ERROR_MSG(ExaminePicture("GIF89a\1\0"), "The GIF picture is damaged: the file ends in its header");
}

}  // namespace
}  // namespace orlscr
