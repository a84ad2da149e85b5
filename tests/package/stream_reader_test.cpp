#include "package/stream_reader.h"

#include <gtest/gtest.h>

#include "package/image.h"
#include "package/settings_record.h"
#include "package/std_input_file.h"
#include "stream_bytes.h"
#include "support/expect_error.h"

namespace orlscr {
namespace {

using test::StreamBytes;

std::unique_ptr<StreamObject> ReadObject(const std::string& bytes, StreamObject* target = nullptr) {
    MemoryInputFile file(bytes.data(), bytes.size());
    ByteReader in(file, 0);
    ComponentReader reader(in, DefaultClassTable());
    return reader.ReadRootComponent(target);
}

TSSFileLocations ReadRecord(const std::string& bytes) {
    TSSFileLocations record;
    ReadObject(bytes, &record);
    return record;
}

// A record stream with one unknown property holding `value`, between two
// known ones: both known ones must be read.
std::string WithUnknownValue(const std::string& value) {
    StreamBytes s;
    s.Header("TSSFileLocations").Name("Title").Str("before").Name("Mystery").Raw(value);
    s.Name("Author").Str("after").EndObject();
    return s.str();
}

TEST(ComponentReader, SkipsUnknownPropertiesOfEveryTag) {
    StreamBytes list, set, collection, nested;
    list.Byte(1).Int8(1).Str("x").Byte(1).Int16(300).End().End();
    set.Byte(11).Short("a").Short("bc").End();
    // Two items: one with an order value, one without.
    collection.Byte(14).Int8(0).Name("Width").Int16(400).End().Name("Visible").Byte(8).End().End();
    const std::string values[] = {
        std::string(1, '\0'),
        list.str(),
        StreamBytes().Int8(-1).str(),
        StreamBytes().Int16(-2).str(),
        StreamBytes().Int32(-3).str(),
        StreamBytes().Byte(5).Raw(std::string(10, '\x7f')).str(),
        StreamBytes().Str("text").str(),
        StreamBytes().Ident("clRed").str(),
        StreamBytes().Byte(8).str(),
        StreamBytes().Byte(9).str(),
        StreamBytes().Byte(10).U32(3).Raw("abc").str(),
        set.str(),
        StreamBytes().LStr(std::string(300, 'L')).str(),
        StreamBytes().Byte(13).str(),
        collection.str(),
        StreamBytes().Byte(15).U32(0x3F800000).str(),
        StreamBytes().Byte(16).Raw(std::string(8, '\1')).str(),
        StreamBytes().Byte(17).Raw(std::string(8, '\2')).str(),
        StreamBytes().Byte(18).U32(2).Raw(std::string("h\0i\0", 4)).str(),
        StreamBytes().Byte(19).Raw(std::string(8, '\3')).str(),
        StreamBytes().Byte(20).U32(2).Raw("\xc3\xa9").str(),
    };
    for (int tag = 0; tag <= 20; ++tag) {
        SCOPED_TRACE(tag);
        const std::string stream = WithUnknownValue(values[tag]);
        try {
            TSSFileLocations record = ReadRecord(stream);
            EXPECT_EQ(record.Title, "before");
            EXPECT_EQ(record.Author, "after");
        } catch (const Error& e) {
            ADD_FAILURE() << e.what();
        }
        // The same stream ending early, at every byte past the signature, inside
        // the skipped value too.
        for (size_t cut = 4; cut < stream.size(); ++cut) {
            SCOPED_TRACE(cut);
            EXPECT_ERROR_MSG(ReadRecord(stream.substr(0, cut)), "Stream read error");
        }
    }
}

TEST(ComponentReader, UnknownTagIsAnInvalidValue) {
    EXPECT_ERROR_MSG(ReadRecord(WithUnknownValue(std::string(1, '\x15'))), "Invalid property value");
}

TEST(ComponentReader, StringsOfEveryStringTag) {
    StreamBytes s;
    s.Header("TSSFileLocations").Name("Title").Str("short").Name("Author").LStr(std::string(300, 'a'));
    s.Name("Email").Byte(18).U32(3).Raw(std::string("\xe9\0\xac\x20\x00\x4e", 6));  // é € and U+4E00
    s.Name("Web").Byte(20).U32(5).Raw("\xe2\x82\xac\xc3\xa9").EndObject();
    TSSFileLocations r = ReadRecord(s.str());
    EXPECT_EQ(r.Title, "short");
    EXPECT_EQ(r.Author, std::string(300, 'a'));
    EXPECT_EQ(r.Email, "\xe9\x80?");
    EXPECT_EQ(r.Web, "\x80\xe9");
}

TEST(ComponentReader, IntegersBooleansAndColours) {
    StreamBytes s;
    s.Header("TSSFileLocations").Name("Interval").Int16(5000).Name("SoundRandom").Int8(-2);
    s.Name("HookSize").Int32(32768).Name("lMute").Byte(9).Name("lStretch").Ident("True");
    s.Name("lExitKeyPress").Ident("false").Name("Background").Ident("clWindow");
    s.Name("TextFont.Color").Int32(16777215).EndObject();
    TSSFileLocations r = ReadRecord(s.str());
    EXPECT_EQ(r.Interval, 5000);
    EXPECT_EQ(r.SoundRandom, -2);
    EXPECT_EQ(r.HookSize, 32768);
    EXPECT_TRUE(r.lMute);
    EXPECT_TRUE(r.lStretch);
    EXPECT_FALSE(r.lExitKeyPress);
    EXPECT_EQ(r.Background, 0x80000005u);
    EXPECT_EQ(r.TextFont.Color, 0xFFFFFFu);
}

TEST(ComponentReader, FontThroughDottedNames) {
    StreamBytes s;
    s.Header("TSSFileLocations").Name("TextFont.Charset").Ident("RUSSIAN_CHARSET");
    s.Name("TextFont.Height").Int8(-13).Name("TextFont.Name").Str("Arial");
    s.Name("TextFont.Style").Byte(11).Short("fsBold").Short("fsStrikeOut").End();
    s.Name("TextFont.Pitch").Ident("fpFixed").Name("TextFont.Unknown").Int8(1).Name("Title").Str("t").EndObject();
    TSSFileLocations r = ReadRecord(s.str());
    EXPECT_EQ(r.TextFont.Charset, 204);
    EXPECT_EQ(r.TextFont.Height, -13);
    EXPECT_EQ(r.TextFont.Name, "Arial");
    EXPECT_EQ(r.TextFont.Style, fsBold | fsStrikeOut);
    EXPECT_EQ(r.TextFont.Pitch, TFontPitch::fpFixed);
    EXPECT_EQ(r.Title, "t");

    StreamBytes empty;
    empty.Header("TSSFileLocations").Name("TextFont.Style").Byte(11).End().Name("TextFont.Size").Int8(12).EndObject();
    TSSFileLocations e = ReadRecord(empty.str());
    EXPECT_EQ(e.TextFont.Style, 0);
    EXPECT_EQ(e.TextFont.Height, -16);
    EXPECT_EQ(e.TextFont.Size(), 12);
}

TEST(ComponentReader, FontSizesBeyondTheHeightRange) {
    // 1610612736 points are 2^31 pixels: no height holds that, so the scaling
    // gives -1 as the platform's MulDiv does, and the height is 1.
    StreamBytes s;
    s.Header("TSSFileLocations").Name("TextFont.Size").Int32(1610612736).EndObject();
    EXPECT_EQ(ReadRecord(s.str()).TextFont.Height, 1);
    // The most negative height negated does not fit either; it wraps.
    StreamBytes n;
    n.Header("TSSFileLocations").Name("TextFont.Size").Int32(-1610612736).EndObject();
    EXPECT_EQ(ReadRecord(n.str()).TextFont.Height, -2147483647 - 1);
    StreamBytes h;
    h.Header("TSSFileLocations").Name("TextFont.Height").Int32(-2147483647 - 1).EndObject();
    EXPECT_EQ(ReadRecord(h.str()).TextFont.Size(), 1610612736);
}

TEST(ComponentReader, AbsentPropertiesKeepTheirInitialValues) {
    TSSFileLocations r = ReadRecord(StreamBytes().Header("TSSFileLocations", "Rec").EndObject().str());
    EXPECT_EQ(r, [] {
        TSSFileLocations initial;
        initial.Name = "Rec";
        return initial;
    }());
    EXPECT_EQ(r.TextFont.Name, "MS Sans Serif");
    EXPECT_EQ(r.TextFont.Color, 0x80000008u);
    EXPECT_EQ(r.TextFont.Charset, 1);
    EXPECT_EQ(r.TextFont.Size(), 8);
}

TEST(ComponentReader, FlagsByteAndChildren) {
    StreamBytes s;
    s.Raw("TPF0").Byte(0xF3).Int16(7).Short("TSSFileLocations").Short("").Name("Title").Str("x").End();
    s.Short("TImage").Short("Child").Name("Picture.Data").Byte(10).U32(0).End().End();  // one child
    s.End();
    EXPECT_EQ(ReadRecord(s.str()).Title, "x");
}

TEST(ComponentReader, ErrorMessages) {
    EXPECT_ERROR_MSG(ReadObject("TPF1\0\0\0\0"), "Invalid stream format");
    EXPECT_ERROR_MSG(ReadObject("TP"), "Stream read error");
    EXPECT_ERROR_MSG(ReadObject(StreamBytes().Header("TForm1").EndObject().str()), "Class TForm1 not found");
    StreamBytes badChild;
    badChild.Header("TImage").End().Short("TLabel").Short("").EndObject().End();
    EXPECT_ERROR_MSG(ReadObject(badChild.str()), "Class TLabel not found");
    const std::string wrong[] = {
        StreamBytes().Header("TSSFileLocations").Name("Interval").Str("5000").EndObject().str(),
        StreamBytes().Header("TSSFileLocations").Name("Interval").Byte(19).Raw(std::string(8, '\0')).EndObject().str(),
        StreamBytes().Header("TSSFileLocations").Name("lMute").Int8(1).EndObject().str(),
        StreamBytes().Header("TSSFileLocations").Name("lMute").Ident("Yes").EndObject().str(),
        StreamBytes().Header("TSSFileLocations").Name("Title").Ident("x").EndObject().str(),
        StreamBytes().Header("TSSFileLocations").Name("Background").Ident("clPink").EndObject().str(),
        StreamBytes()
            .Header("TSSFileLocations")
            .Name("TextFont.Style")
            .Byte(11)
            .Short("fsWide")
            .End()
            .EndObject()
            .str(),
        StreamBytes().Header("TSSFileLocations").Name("TextFont.Pitch").Ident("fpOdd").EndObject().str(),
        StreamBytes().Header("TSSFileLocations").Name("TextFont").Int8(0).EndObject().str(),
        StreamBytes().Header("TImage").Name("Picture.Data").Str("x").EndObject().str(),
    };
    for (const std::string& bytes : wrong)
        EXPECT_ERROR_MSG(ReadObject(bytes, nullptr), "Invalid property value");
}

TEST(ComponentReader, HostileLengthsFailWithoutAllocating) {
    const std::string values[] = {
        StreamBytes().Byte(10).U32(0xFFFFFFFF).str(),
        StreamBytes().Byte(12).U32(0x7FFFFFFF).str(),
        StreamBytes().Byte(18).U32(0xFFFFFFFF).str(),
        StreamBytes().Byte(20).U32(0x80000000).str(),
        std::string("\x06\xff"),
    };
    for (const std::string& v : values) {
        EXPECT_ERROR_MSG(ReadRecord(WithUnknownValue(v)), "Stream read error");
        // The same length on a property that keeps its value.
        StreamBytes known;
        if (v[0] == 10)
            known.Header("TImage").Name("Picture.Data").Raw(v).EndObject();
        else
            known.Header("TSSFileLocations").Name("Title").Raw(v).EndObject();
        EXPECT_ERROR_MSG(ReadObject(known.str()), "Stream read error");
    }
}

TEST(ComponentReader, DeepNestingIsRefused) {
    std::string lists(100000, '\1');
    EXPECT_ERROR_MSG(ReadRecord(WithUnknownValue(lists + std::string(100000, '\0'))), "Stream read error");
    std::string collections;
    for (int k = 0; k < 1000; ++k)
        collections += StreamBytes().Byte(14).Name("P").str();
    EXPECT_ERROR_MSG(ReadRecord(WithUnknownValue(collections)), "Stream read error");
    StreamBytes children;
    children.Header("TImage").End();
    for (int k = 0; k < 1000; ++k)
        children.Short("TImage").Short("").End();
    EXPECT_ERROR_MSG(ReadObject(children.str()), "Stream read error");
}

TEST(ComponentReader, NestingWithinTheLimitIsRead) {
    std::string lists(ComponentReader::kMaxDepth - 1, '\1');
    TSSFileLocations r = ReadRecord(WithUnknownValue(lists + std::string(lists.size(), '\0')));
    EXPECT_EQ(r.Author, "after");
}

TEST(ImageStream, KeepsPictureDataAndReadsPastTheRest) {
    StreamBytes s;
    s.Header("TImage", "Image1").Name("Left").Int8(8).Name("Picture.Data").Byte(10).U32(8);
    s.Byte(4).Raw("TIco").Raw("abc").Name("Stretch").Byte(9).EndObject();
    auto object = ReadObject(s.str());
    ASSERT_EQ(object->ClassName(), "TImage");
    EXPECT_EQ(object->Name, "Image1");
    EXPECT_EQ(static_cast<TImage&>(*object).pictureData, "\4TIcoabc");
}

TEST(PictureData, SplitsEveryClass) {
    EXPECT_TRUE(ParsePictureData("").Empty());
    EXPECT_TRUE(ParsePictureData(std::string(1, '\0')).Empty());
    EXPECT_TRUE(ParsePictureData(MakePictureData("TPngImage", "png")).Empty());

    PictureBytes jpeg = ParsePictureData(MakePictureData("TJPEGImage", "\xff\xd8\xff jpeg"));
    EXPECT_EQ(jpeg.className, "TJPEGImage");
    EXPECT_EQ(jpeg.data, "\xff\xd8\xff jpeg");
    EXPECT_EQ(ParsePictureData(MakePictureData("TBitmap", "BM..")).data, "BM..");
    EXPECT_TRUE(ParsePictureData(MakePictureData("TBitmap", "")).Empty());
    EXPECT_EQ(ParsePictureData(MakePictureData("TIcon", "icon bytes")).data, "icon bytes");

    PictureBytes wmf = ParsePictureData(MakePictureData("TMetafile", "\xd7\xcd\xc6\x9a placeable"));
    EXPECT_EQ(wmf.data, "\xd7\xcd\xc6\x9a placeable");
    EXPECT_FALSE(wmf.enhancedMetafile);
    std::string emf = std::string("\1\0\0\0", 4) + std::string(36, 'h') + " EMF" + "rest";
    EXPECT_TRUE(ParsePictureData(MakePictureData("TMetafile", emf)).enhancedMetafile);
    EXPECT_TRUE(ParsePictureData(std::string("\x09TMetafile\x04\0\0\0", 14)).Empty());
}

TEST(PictureData, CutShortIsAReadError) {
    EXPECT_ERROR_MSG(ParsePictureData("\x0aTJPEGImage\x10\0\0\0abc"), "Stream read error");
    EXPECT_ERROR_MSG(ParsePictureData("\x07TBitm"), "Stream read error");
    EXPECT_ERROR_MSG(ParsePictureData("\x09TMetafile\xff\xff"), "Stream read error");
}

}  // namespace
}  // namespace orlscr
