#include "entry/preview.h"

#include <gtest/gtest.h>

#include <vector>

#include "package/std_input_file.h"
#include "package/stream_writer.h"
#include "package/trailer.h"
#include "support/expect_error.h"

using namespace orlscr;

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& out, uint16_t v) {
    out.push_back(v & 0xFF);
    out.push_back(v >> 8);
}

void Put32(Bytes& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back((v >> (8 * i)) & 0xFF);
}

// The smallest header record an enhanced metafile starts with.
Bytes EnhancedMetafileHeader() {
    Bytes out(88, 0);
    out[0] = 1;   // EMR_HEADER
    out[4] = 88;  // record size
    out[40] = ' ', out[41] = 'E', out[42] = 'M', out[43] = 'F';
    out[48] = 88;  // file size
    return out;
}

Bytes PlaceableHeader(int16_t left, int16_t top, int16_t right, int16_t bottom, uint16_t inch) {
    Bytes out;
    Put32(out, 0x9AC6CDD7);
    Put16(out, 0);
    Put16(out, left), Put16(out, top), Put16(out, right), Put16(out, bottom);
    Put16(out, inch);
    Put32(out, 0);
    Put16(out, 0);  // checksum, not checked
    return out;
}

// A package: some image bytes, `stream` at the offset field A gives, then the
// trailer (field B unused here).
std::string Package(const std::string& stream, const std::string& after = "") {
    std::string file(64, 'X');
    file += stream;
    file += after;
    char field[kTrailerFieldSize];
    file += FormatTrailerField(static_cast<int32_t>(stream.size() + after.size()), field);
    file += FormatTrailerField(0, field);
    return file;
}

std::optional<PictureBytes> ReadImage(const std::string& package) {
    MemoryInputFile file(package.data(), package.size());
    return ReadPreviewImage(file);
}

}  // namespace

TEST(PreviewImage, FieldALeadsToTheImagePicture) {
    const std::string jpeg = "\xFF\xD8\xFF\xE0 jpeg bytes";
    std::optional<PictureBytes> picture =
        ReadImage(Package(WriteImageStream(MakePictureData("TJPEGImage", jpeg)), "record and more"));
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(picture->className, "TJPEGImage");
    EXPECT_EQ(picture->data, jpeg);
}

TEST(PreviewImage, AnImageWithoutPictureIsAnEmptyPictureButOtherObjectsAreNone) {
    std::optional<PictureBytes> picture = ReadImage(Package(WriteImageStream(std::string(1, '\0'))));
    ASSERT_TRUE(picture.has_value());
    EXPECT_TRUE(picture->Empty());

    TSSFileLocations record;
    record.Title = "not a picture";
    EXPECT_FALSE(ReadImage(Package(WriteSettingsRecordStream(record))).has_value());
    EXPECT_FALSE(ReadImage(std::string(39, ' ')).has_value());
}

TEST(PreviewImage, PackagesWithoutPreviewStreamFailAsStreams) {
    // Field A leads to an embedded file instead of a stream.
    EXPECT_ERROR_MSG(ReadImage(Package("MZ presentation document")), "Invalid stream format");
    // Field A larger than the file: the stream would start before offset 0.
    std::string package = Package("");
    package.replace(package.size() - 40, 7, "9999999");
    EXPECT_THROW(ReadImage(package), orlscr::Error);
    // A stream cut short inside its picture.
    std::string stream = WriteImageStream(MakePictureData("TBitmap", "BM" + std::string(200, '7')));
    EXPECT_ERROR_MSG(ReadImage(Package(stream.substr(0, stream.size() - 150))), "Stream read error");
}

TEST(EnhancedMetafile, HeaderMustFitInTheData) {
    Bytes emf = EnhancedMetafileHeader();
    EXPECT_TRUE(IsCompleteEnhancedMetafile(emf.data(), emf.size()));
    EXPECT_FALSE(IsCompleteEnhancedMetafile(emf.data(), 87));

    Bytes longer = emf;
    longer[49] = 1;  // claims 344 bytes
    EXPECT_FALSE(IsCompleteEnhancedMetafile(longer.data(), longer.size()));

    Bytes notHeader = emf;
    notHeader[0] = 2;
    EXPECT_FALSE(IsCompleteEnhancedMetafile(notHeader.data(), notHeader.size()));
    Bytes wmf = PlaceableHeader(0, 0, 10, 10, 96);
    wmf.resize(100);
    EXPECT_FALSE(IsCompleteEnhancedMetafile(wmf.data(), wmf.size()));
}

TEST(PreviewSize, BothEdgesOfTheOuterRectangleCount) {
    PreviewSize size = PreviewSizeOf(10, 20, 162, 132);
    EXPECT_EQ(size.width, 153);
    EXPECT_EQ(size.height, 113);
    size = PreviewSizeOf(-200, -100, -49, 11);
    EXPECT_EQ(size.width, 152);
    EXPECT_EQ(size.height, 112);
}

TEST(IconFile, FirstImageOfTheDirectoryIsDrawn) {
    Bytes ico;
    Put16(ico, 0), Put16(ico, 1), Put16(ico, 2);
    ico.insert(ico.end(), {0, 48, 0, 0}), Put16(ico, 1), Put16(ico, 32), Put32(ico, 4), Put32(ico, 38);
    ico.insert(ico.end(), {16, 16, 0, 0}), Put16(ico, 1), Put16(ico, 32), Put32(ico, 2), Put32(ico, 42);
    ico.insert(ico.end(), {1, 2, 3, 4, 5, 6});
    IconImage image = FirstIconImage(ico.data(), ico.size());
    EXPECT_EQ(image.width, 256);
    EXPECT_EQ(image.height, 48);
    EXPECT_EQ(image.offset, 38u);
    EXPECT_EQ(image.size, 4u);

    Bytes pastEnd = ico;
    pastEnd[6 + 8] = 7;  // 38 + 7 > 44
    EXPECT_ERROR_MSG(FirstIconImage(pastEnd.data(), pastEnd.size()), "Invalid icon");
    Bytes cursor = ico;
    cursor[2] = 2;
    EXPECT_ERROR_MSG(FirstIconImage(cursor.data(), cursor.size()), "Invalid icon");
    Bytes noImages = ico;
    noImages[4] = 0;
    EXPECT_ERROR_MSG(FirstIconImage(noImages.data(), noImages.size()), "Invalid icon");
    EXPECT_ERROR_MSG(FirstIconImage(ico.data(), 10), "Invalid icon");
}

TEST(PlaceableMetafile, SizeComesFromBoundingBoxAndUnitsPerInch) {
    Bytes wmf = PlaceableHeader(-100, 0, 900, 500, 1000);
    wmf.insert(wmf.end(), {1, 0, 9, 0, 0, 3});
    PlaceableMetafile metafile = ParsePlaceableMetafile(wmf.data(), wmf.size());
    EXPECT_EQ(metafile.widthHimetric, 2540);
    EXPECT_EQ(metafile.heightHimetric, 1270);
    EXPECT_EQ(metafile.offset, 22u);
    EXPECT_EQ(metafile.size, 6u);

    Bytes noKey = wmf;
    noKey[0] = 0;
    EXPECT_ERROR_MSG(ParsePlaceableMetafile(noKey.data(), noKey.size()), "Invalid metafile");
    Bytes noInch = PlaceableHeader(0, 0, 10, 10, 0);
    noInch.push_back(0);
    EXPECT_ERROR_MSG(ParsePlaceableMetafile(noInch.data(), noInch.size()), "Invalid metafile");
    Bytes headerOnly = PlaceableHeader(0, 0, 10, 10, 96);
    EXPECT_ERROR_MSG(ParsePlaceableMetafile(headerOnly.data(), headerOnly.size()), "Invalid metafile");
}

// The preview ends at once for a stream whose object is no image; a report of
// what a package stores counts that as an empty picture. One reader answers
// both.
TEST(PreviewImage, AnObjectThatIsNoImageEndsThePreviewAndReportsAnEmptyPicture) {
    TSSFileLocations record;
    const std::string package = Package(WriteSettingsRecordStream(record));
    EXPECT_FALSE(ReadImage(package).has_value());
    MemoryInputFile file(package.data(), package.size());
    const std::optional<PictureBytes> reported = ReadPreviewPicture(file);
    ASSERT_TRUE(reported.has_value());
    EXPECT_TRUE(reported->Empty());
}

TEST(PreviewPicture, DataMustBeOfTheKindItsClassNames) {
    auto picture = [](const char* className, const std::string& data) {
        return ParsePictureData(MakePictureData(className, data));
    };
    const std::string bmp = "BM" + std::string(12, '\0');
    EXPECT_ERROR_MSG(ExaminePreviewPicture(picture("TJPEGImage", bmp)), "The file is not a JPEG picture");
    EXPECT_ERROR_MSG(ExaminePreviewPicture(picture("TBitmap", "\xFF\xD8\xFF\xE0")), "The file is not a BMP picture");
    EXPECT_ERROR_MSG(ExaminePreviewPicture(picture("TIcon", bmp)), "Invalid icon");
    EXPECT_ERROR_MSG(ExaminePreviewPicture(picture("TMetafile", bmp)), "Invalid metafile");

    Bytes wmf = PlaceableHeader(0, 0, 1440, 720, 1440);
    wmf.resize(wmf.size() + 18);
    const PictureInfo info = ExaminePreviewPicture(picture("TMetafile", std::string(wmf.begin(), wmf.end())));
    EXPECT_EQ(info.format, PictureFormat::kPlaceableMetafile);
    EXPECT_EQ(info.width, 96);
    Bytes noInch = PlaceableHeader(0, 0, 1440, 720, 0);
    noInch.resize(noInch.size() + 18);
    EXPECT_ERROR_MSG(ExaminePreviewPicture(picture("TMetafile", std::string(noInch.begin(), noInch.end()))),
                     "Invalid metafile");
}
