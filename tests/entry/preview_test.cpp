#include "entry/preview.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/expect_error.h"

using namespace orlscr;
using Kind = PreviewPicture::Kind;

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

// A "Picture.Data" value: class name, then the given payload.
Bytes Value(const std::string& className, const Bytes& payload) {
    Bytes out{static_cast<uint8_t>(className.size())};
    out.insert(out.end(), className.begin(), className.end());
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

Bytes Sized(uint32_t size, const Bytes& content) {
    Bytes out;
    Put32(out, size);
    out.insert(out.end(), content.begin(), content.end());
    return out;
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

}  // namespace

TEST(PictureData, SizedClassesYieldExactlyTheCountedBytes) {
    Bytes jpeg{0xFF, 0xD8, 0xFF, 0xE0};
    PreviewPicture picture = ParsePictureData(Value("TJPEGImage", Sized(4, jpeg)));
    EXPECT_EQ(picture.kind, Kind::Jpeg);
    EXPECT_EQ(picture.bytes, jpeg);

    // Bytes after the counted ones belong to no picture.
    Bytes bmp{'B', 'M', 1, 2, 3};
    Bytes payload = Sized(5, bmp);
    payload.push_back(0xEE);
    picture = ParsePictureData(Value("TBitmap", payload));
    EXPECT_EQ(picture.kind, Kind::Bitmap);
    EXPECT_EQ(picture.bytes, bmp);
}

TEST(PictureData, EmptyAndUnknownPicturesAreNoPictureAndNoError) {
    EXPECT_EQ(ParsePictureData(Bytes{0}).kind, Kind::None);
    EXPECT_EQ(ParsePictureData(Value("TBitmap", Sized(0, {}))).kind, Kind::None);
    EXPECT_EQ(ParsePictureData(Value("TJPEGImage", Sized(0, {}))).kind, Kind::None);
    EXPECT_EQ(ParsePictureData(Value("TMetafile", Sized(4, {}))).kind, Kind::None);
    EXPECT_EQ(ParsePictureData(Value("TMetafile", Sized(0, {}))).kind, Kind::None);
    EXPECT_EQ(ParsePictureData(Value("TGIFImage", Sized(3, {1, 2, 3}))).kind, Kind::None);
    EXPECT_EQ(ParsePictureData(Value("tbitmap", Sized(3, {1, 2, 3}))).kind, Kind::None);
}

TEST(PictureData, ValuesEndingBeforeTheirSizesAreReadErrors) {
    EXPECT_ERROR_MSG(ParsePictureData(Bytes{}), "Stream read error");
    EXPECT_ERROR_MSG(ParsePictureData(Bytes{7, 'T', 'B'}), "Stream read error");
    EXPECT_ERROR_MSG(ParsePictureData(Value("TBitmap", Bytes{5, 0})), "Stream read error");
    EXPECT_ERROR_MSG(ParsePictureData(Value("TBitmap", Sized(6, {'B', 'M', 0}))), "Stream read error");
    // A size with the top bit set is not taken as negative.
    EXPECT_ERROR_MSG(ParsePictureData(Value("TJPEGImage", Sized(0xFFFFFFFF, {1}))), "Stream read error");
    EXPECT_ERROR_MSG(ParsePictureData(Value("TMetafile", Sized(12, {1, 2, 3, 4}))), "Stream read error");
}

TEST(PictureData, IconTakesTheRestOfTheValue) {
    Bytes icon{0, 0, 1, 0, 1, 0, 9, 9};
    PreviewPicture picture = ParsePictureData(Value("TIcon", icon));
    EXPECT_EQ(picture.kind, Kind::Icon);
    EXPECT_EQ(picture.bytes, icon);
}

TEST(PictureData, MetafileLengthCountsItselfAndTheHeaderSelectsTheKind) {
    Bytes emf = EnhancedMetafileHeader();
    PreviewPicture picture = ParsePictureData(Value("TMetafile", Sized(4 + 88, emf)));
    EXPECT_EQ(picture.kind, Kind::EnhancedMetafile);
    EXPECT_EQ(picture.bytes, emf);

    Bytes wmf = PlaceableHeader(0, 0, 100, 50, 1440);
    wmf.insert(wmf.end(), {1, 0, 9, 0});
    picture = ParsePictureData(Value("TMetafile", Sized(4 + static_cast<uint32_t>(wmf.size()), wmf)));
    EXPECT_EQ(picture.kind, Kind::PlaceableMetafile);
    EXPECT_EQ(picture.bytes, wmf);

    // A header whose own file size overshoots the data is no enhanced metafile.
    emf[49] = 1;
    EXPECT_EQ(ParsePictureData(Value("TMetafile", Sized(4 + 88, emf))).kind, Kind::PlaceableMetafile);
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
