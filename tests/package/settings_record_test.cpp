#include "package/settings_record.h"

#include <gtest/gtest.h>

#include <random>
#include <type_traits>

#include "package/image.h"
#include "package/std_input_file.h"
#include "package/stream_writer.h"
#include "package/trailer.h"
#include "stream_bytes.h"
#include "support/expect_error.h"

namespace orlscr {
namespace {

using test::StreamBytes;

// A package: `image` bytes of executable, the stream, the trailer.
std::string Package(const std::string& stream, int32_t fieldA = 0, size_t image = 100) {
    char a[kTrailerFieldSize], b[kTrailerFieldSize];
    std::string file(image, 'M');
    file += stream;
    file += FormatTrailerField(fieldA, a);
    file += FormatTrailerField(static_cast<int32_t>(image), b);
    return file;
}

TSSFileLocations SamplePresentationRecord() {
    TSSFileLocations r;
    r.Title = "Demo";
    r.Author = "An Author";
    r.Email = "someone@example.org";
    r.Web = "http://example.org/";
    r.Ver = "powerpoint";
    r.Interval = 5000;
    r.lExitMouseMove = true;
    r.lExitKeyPress = true;
    r.HookPosition = 5275504;
    r.HookSize = 32768;
    r.EffectCommaList.SetText("0,1,2,3,126");
    r.FlashCommaList.SetText("720384,1032192,2809856,2873920,4656760,4816568,5028080");
    r.FlashFileNamesCommaList.SetText(
        "screen.ppt,GDIPLUS.DLL,INTLDATE.DLL,PPTVIEW.EXE,PPVWINTL.DLL,SAEXT.DLL,UNICOWS.DLL");
    r.FlashSizesCommaList.SetText("311808,1777664,64064,1782840,159808,211512,246424");
    r.SndCommaList.SetText("100,200");
    r.SndFileNamesCommaList.SetText("a.wav,\"b c.mid\"");
    r.SndSizesCommaList.SetText("100,x");
    return r;
}

TEST(SettingsRecord, ReadsThroughFieldB) {
    TSSFileLocations written = SamplePresentationRecord();
    written.Background = 0xFFFFFF;
    std::string file = Package(WriteSettingsRecordStream(written));
    MemoryInputFile in(file.data(), file.size());

    TSSFileLocations target;
    ASSERT_TRUE(ReadSettingsRecord(in, &target));
    EXPECT_EQ(target, written);

    std::unique_ptr<TSSFileLocations> created = ReadSettingsRecord(in);
    ASSERT_TRUE(created);
    EXPECT_EQ(*created, written);
    EXPECT_EQ(created->FlashCount(), 7);
    EXPECT_EQ(created->FlashPosition(3), 2873920);
    EXPECT_EQ(created->FlashFileName(3), "PPTVIEW.EXE");
    EXPECT_EQ(created->FlashSize(6), 246424);
}

TEST(SettingsRecord, ShortFileHasNoRecord) {
    std::string file(19, ' ');
    MemoryInputFile in(file.data(), file.size());
    TSSFileLocations target;
    EXPECT_FALSE(ReadSettingsRecord(in, &target));
    EXPECT_EQ(ReadSettingsRecord(in), nullptr);
}

TEST(SettingsRecord, FieldBThatIsNoNumberLeadsToTheStartOfTheFile) {
    std::string file = "MZ" + std::string(100, '\0') + std::string(40, 'x');
    MemoryInputFile in(file.data(), file.size());
    TSSFileLocations target;
    EXPECT_ERROR_MSG(ReadSettingsRecord(in, &target), "Invalid stream format");
}

TEST(SettingsRecord, WithoutTargetTheStreamNamesTheClass) {
    std::string image = Package(WriteImageStream(MakePictureData("TBitmap", "")));
    MemoryInputFile in(image.data(), image.size());
    EXPECT_ERROR_MSG(ReadSettingsRecord(in), "Invalid stream format");
    // With a target the stream's class name is not checked.
    TSSFileLocations target;
    EXPECT_TRUE(ReadSettingsRecord(in, &target));

    std::string other = Package(StreamBytes().Header("TOther").EndObject().str());
    MemoryInputFile in2(other.data(), other.size());
    EXPECT_ERROR_MSG(ReadSettingsRecord(in2), "Class TOther not found");
}

TEST(SettingsRecord, ValuesReadBeforeAnErrorStay) {
    StreamBytes s;
    s.Header("TSSFileLocations").Name("Title").Str("kept").Name("lMute").Byte(9);
    s.Name("Interval").Str("not a number").Name("Author").Str("never read").EndObject();
    std::string file = Package(s.str());
    MemoryInputFile in(file.data(), file.size());
    TSSFileLocations target;
    EXPECT_ERROR_MSG(ReadSettingsRecord(in, &target), "Invalid property value");
    EXPECT_EQ(target.Title, "kept");
    EXPECT_TRUE(target.lMute);
    EXPECT_EQ(target.Author, "");
}

TEST(SettingsRecord, TruncatedAtEveryByteFailsCleanly) {
    std::string stream = WriteSettingsRecordStream(SamplePresentationRecord());
    for (size_t cut = 0; cut < stream.size(); ++cut) {
        // The stream ends early: the file ends right after the cut (no trailer
        // after it, so the record offset is given to the reader directly).
        std::string file = stream.substr(0, cut);
        MemoryInputFile in(file.data(), file.size());
        ByteReader bytes(in, 0);
        ComponentReader reader(bytes, DefaultClassTable());
        TSSFileLocations target;
        try {
            reader.ReadRootComponent(&target);
            ADD_FAILURE() << "no error at cut " << cut;
        } catch (const Error& e) {
            std::string message = e.what();
            EXPECT_TRUE(message == "Stream read error" || (cut >= 4 ? false : message == "Invalid stream format"))
                << "cut " << cut << ": " << message;
        }
    }
}

TEST(SettingsRecord, WriterUsesSmallestTagsAndIdentifiers) {
    TSSFileLocations r;
    r.Interval = 5000;
    r.HookSize = 32768;
    r.SoundRandom = 2;
    r.Background = 0xFFFFFF;
    std::string s = WriteSettingsRecordStream(r);
    EXPECT_NE(s.find(StreamBytes().Name("Interval").Int16(5000).str()), std::string::npos);
    EXPECT_NE(s.find(StreamBytes().Name("HookSize").Int32(32768).str()), std::string::npos);
    EXPECT_NE(s.find(StreamBytes().Name("SoundRandom").Int8(2).str()), std::string::npos);
    EXPECT_NE(s.find(StreamBytes().Name("Background").Ident("clWhite").str()), std::string::npos);
    EXPECT_NE(s.find(StreamBytes().Name("TextFont.Color").Ident("clWindowText").str()), std::string::npos);
    EXPECT_NE(s.find(StreamBytes().Name("TextFont.Charset").Ident("DEFAULT_CHARSET").str()), std::string::npos);
    EXPECT_NE(s.find(StreamBytes().Name("TextFont.Style").Byte(11).End().str()), std::string::npos);
    EXPECT_EQ(s.find("TextFont.Pitch"), std::string::npos);
    EXPECT_EQ(s.find("Title"), std::string::npos);
    EXPECT_EQ(s.find("SndCommaList"), std::string::npos);
    EXPECT_NE(s.find("lExitFSCommandQuit"), std::string::npos);

    r.EffectCommaList.Items().assign(127, "");
    for (int k = 0; k < 127; ++k)
        r.EffectCommaList.Items()[k] = std::to_string(k);
    s = WriteSettingsRecordStream(r);
    std::string text = r.EffectCommaList.Text();
    ASSERT_GT(text.size(), 255u);
    EXPECT_NE(s.find(StreamBytes().Name("EffectCommaList").LStr(text).str()), std::string::npos);
}

TEST(SettingsRecord, PropertiesAreWrittenInStreamOrder) {
    TSSFileLocations r = SamplePresentationRecord();
    // Every text and list filled, so that each property is written.
    for (const SettingsProperty& property : kSettingsProperties)
        VisitProperty(property, r, [](auto& value) {
            if constexpr (std::is_same_v<std::decay_t<decltype(value)>, std::string>)
                value = "t";
            else if constexpr (std::is_same_v<std::decay_t<decltype(value)>, CommaList>)
                value.SetText("1");
        });
    std::string s = WriteSettingsRecordStream(r);
    size_t last = 0;
    for (const SettingsProperty& property : kSettingsProperties) {
        const std::string name(property.name);
        size_t at = s.find(StreamBytes().Name(name).str(), last);
        if (name == "TextFont")
            at = s.find(StreamBytes().Name("TextFont.Charset").str(), last);
        ASSERT_NE(at, std::string::npos) << name;
        last = at;
    }
}

TEST(SettingsRecord, TableListsTheThirtySevenPropertiesOnce) {
    ASSERT_EQ(std::size(kSettingsProperties), 37u);
    EXPECT_EQ(kSettingsProperties[0].name, "Text");
    EXPECT_EQ(kSettingsProperties[1].kind, PropertyKind::Font);
    EXPECT_EQ(kSettingsProperties[7].name, "Interval");
    EXPECT_EQ(kSettingsProperties[36].name, "DescriptCommaList");
    for (size_t i = 0; i < std::size(kSettingsProperties); ++i)
        for (size_t j = i + 1; j < std::size(kSettingsProperties); ++j)
            EXPECT_FALSE(SameIdent(kSettingsProperties[i].name, kSettingsProperties[j].name));
}

TEST(SettingsRecord, EqualityAndReadingCoverEveryProperty) {
    // Each property changed alone makes the record differ, and reads back.
    for (const SettingsProperty& property : kSettingsProperties) {
        TSSFileLocations changed;
        VisitProperty(property, changed, [](auto& value) {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, std::string>)
                value = "x";
            else if constexpr (std::is_same_v<T, CommaList>)
                value.SetText("1,2");
            else if constexpr (std::is_same_v<T, TFont>)
                value.Style = fsItalic;
            else if constexpr (std::is_same_v<T, bool>)
                value = true;
            else
                value = 70000;
        });
        EXPECT_FALSE(changed == TSSFileLocations()) << property.name;
        std::string file = Package(WriteSettingsRecordStream(changed));
        MemoryInputFile in(file.data(), file.size());
        TSSFileLocations back;
        ASSERT_TRUE(ReadSettingsRecord(in, &back));
        EXPECT_EQ(back, changed) << property.name;
    }
    TSSFileLocations named;
    named.Tag = 1;
    EXPECT_FALSE(named == TSSFileLocations());
}

TEST(SettingsRecord, NamesAndNestedPathsCompareWithoutCase) {
    StreamBytes s;
    s.Header("TSSFileLocations").Name("TITLE").Str("upper").Name("textfont.height").Int8(-20);
    s.Name("Title.Height").Int8(1).Name("TextFont").Byte(0).EndObject();
    std::string file = Package(s.str());
    MemoryInputFile in(file.data(), file.size());
    TSSFileLocations target;
    // "TextFont" alone is an object, not a value.
    EXPECT_ERROR_MSG(ReadSettingsRecord(in, &target), "Invalid property value");
    EXPECT_EQ(target.Title, "upper");
    EXPECT_EQ(target.TextFont.Height, -20);
}

std::string RandomText(std::mt19937& rng, size_t maxLength) {
    std::string text(rng() % (maxLength + 1), '\0');
    for (char& c : text)
        c = static_cast<char>(1 + rng() % 255);
    return text;
}

CommaList RandomList(std::mt19937& rng) {
    CommaList list;
    int n = static_cast<int>(rng() % 5);
    for (int k = 0; k < n; ++k)
        list.Add(RandomText(rng, 12));
    return list;
}

int32_t RandomInt(std::mt19937& rng) {
    switch (rng() % 4) {
        case 0:
            return static_cast<int32_t>(rng() % 256) - 128;
        case 1:
            return static_cast<int32_t>(rng() % 65536) - 32768;
        case 2:
            return static_cast<int32_t>(rng());
        default:
            return (rng() & 1) ? 2147483647 : -2147483647 - 1;
    }
}

TEST(SettingsRecord, RandomRecordsRoundTrip) {
    std::mt19937 rng(2024);
    const TColor colors[] = {0, 0xFFFFFF, 0x80000005, 0x1FFFFFFF, 0x123456, 0x80000099, 0xFFFFFFFF};
    for (int round = 0; round < 300; ++round) {
        TSSFileLocations r;
        r.Name = RandomText(rng, 8);
        r.Text = RandomText(rng, 300);
        for (const SettingsProperty& property : kSettingsProperties)
            VisitProperty(property, r, [&](auto& value) {
                using T = std::decay_t<decltype(value)>;
                if constexpr (std::is_same_v<T, std::string>) {
                    value = RandomText(rng, property.name == "Text" ? 300 : 270);
                } else if constexpr (std::is_same_v<T, TFont>) {
                    value.Charset = (rng() & 1) ? 204 : RandomInt(rng);
                    value.Color = colors[rng() % 7];
                    value.Height = RandomInt(rng);
                    value.Name = RandomText(rng, 20);
                    value.Style = static_cast<TFontStyles>(rng() % 16);
                    value.Pitch = static_cast<TFontPitch>(rng() % 3);
                } else if constexpr (std::is_same_v<T, TColor>) {
                    value = colors[rng() % 7];
                } else if constexpr (std::is_same_v<T, bool>) {
                    value = rng() & 1;
                } else if constexpr (std::is_same_v<T, int32_t>) {
                    value = RandomInt(rng);
                } else {
                    value = RandomList(rng);
                }
            });

        std::string file = Package(WriteSettingsRecordStream(r));
        MemoryInputFile in(file.data(), file.size());
        auto back = ReadSettingsRecord(in);
        ASSERT_TRUE(back);
        ASSERT_EQ(*back, r) << "round " << round;
    }
}

TEST(IndexedReaders, CheckTheirOwnList) {
    TSSFileLocations r;
    EXPECT_EQ(r.SndCount(), 0);
    EXPECT_ERROR_MSG(r.SndPosition(0), "Index is out of bounds");
    EXPECT_ERROR_MSG(r.FlashFileName(0), "Index is out of bounds");

    r = SamplePresentationRecord();
    EXPECT_EQ(r.SndCount(), 2);
    EXPECT_EQ(r.SndPosition(1), 200);
    EXPECT_EQ(r.SndFileName(1), "b c.mid");
    EXPECT_EQ(r.SndSize(1), 0);  // "x" is no number
    EXPECT_ERROR_MSG(r.SndFileName(2), "Index is out of bounds");
    EXPECT_ERROR_MSG(r.SndPosition(-1), "Index is out of bounds");
    EXPECT_ERROR_MSG(r.FlashSize(7), "Index is out of bounds");

    r.FlashFileNamesCommaList.SetText("only.ppt");
    EXPECT_EQ(r.FlashCount(), 7);
    EXPECT_EQ(r.FlashFileName(0), "only.ppt");
    EXPECT_ERROR_MSG(r.FlashFileName(1), "Index is out of bounds");
}

TEST(PreviewPicture, FoundThroughFieldA) {
    std::string stream = WriteImageStream(MakePictureData("TJPEGImage", "\xff\xd8\xff"));
    std::string record = WriteSettingsRecordStream(TSSFileLocations());
    // image | preview stream | record | trailer
    std::string file(64, 'M');
    file += stream;
    char a[kTrailerFieldSize], b[kTrailerFieldSize];
    int32_t fieldA = static_cast<int32_t>(stream.size() + record.size());
    file += record;
    file += FormatTrailerField(fieldA, a);
    file += FormatTrailerField(static_cast<int32_t>(64 + stream.size()), b);
    MemoryInputFile in(file.data(), file.size());
    auto picture = ReadPreviewPicture(in);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->className, "TJPEGImage");
    EXPECT_EQ(picture->data, "\xff\xd8\xff");

    // Field A leading to the record: an object that is no image, no picture.
    std::string noPreview = Package(record, static_cast<int32_t>(record.size()));
    MemoryInputFile in2(noPreview.data(), noPreview.size());
    picture = ReadPreviewPicture(in2);
    ASSERT_TRUE(picture);
    EXPECT_TRUE(picture->Empty());

    // Field A leading to an embedded file.
    std::string intoFile = Package(record, static_cast<int32_t>(record.size() + 10));
    MemoryInputFile in3(intoFile.data(), intoFile.size());
    EXPECT_ERROR_MSG(ReadPreviewPicture(in3), "Invalid stream format");
}

}  // namespace
}  // namespace orlscr
