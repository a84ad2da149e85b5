#include "tools/mkscr/cli.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <utime.h>

#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "builder/mkscr_options.h"
#include "builder/progress_line.h"
#include "package/image.h"
#include "package/settings_record.h"
#include "package/std_input_file.h"
#include "package/trailer.h"
#include "picture/decode.h"
#include "picture/picture_test_files.h"

namespace orlscr {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

const std::string kPlayer = "MZ" + std::string(1000, 'p');
const std::string kHook = "hook library bytes";
// Real pictures: mkscr decodes every slide before it stores it.
const char kJpegBytes[] =
    "\xFF\xD8\xFF\xE0\x00\x10\x4A\x46\x49\x46\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00\xFF\xDB\x00\x43\x00\x10"
    "\x0B\x0C\x0E\x0C\x0A\x10\x0E\x0D\x0E\x12\x11\x10\x13\x18\x28\x1A\x18\x16\x16\x18\x31\x23\x25\x1D\x28"
    "\x3A\x33\x3D\x3C\x39\x33\x38\x37\x40\x48\x5C\x4E\x40\x44\x57\x45\x37\x38\x50\x6D\x51\x57\x5F\x62\x67"
    "\x68\x67\x3E\x4D\x71\x79\x70\x64\x78\x5C\x65\x67\x63\xFF\xC0\x00\x0B\x08\x00\x01\x00\x01\x01\x01\x11"
    "\x00\xFF\xC4\x00\x14\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x01\xFF\xC4"
    "\x00\x14\x10\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\xFF\xDA\x00\x08\x01"
    "\x01\x00\x00\x3F\x00\x1F\xFF\xD9";
const std::string kJpeg(kJpegBytes, sizeof kJpegBytes - 1);
const char kGifBytes[] =
    "\x47\x49\x46\x38\x39\x61\x01\x00\x01\x00\xF0\x00\x00\xFF\x00\x00\x00\x00\x00\x21\xF9\x04\x00\x00\x00"
    "\x00\x00\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3B";
const std::string kGif(kGifBytes, sizeof kGifBytes - 1);
// A valid frame header of 12 bits a sample.
const std::string kJpeg12Bit("\xFF\xD8\xFF\xC1\x00\x0B\x0C\x00\x08\x00\x08\x01\x01\x11\x00\xFF\xD9", 17);

// A MIDI file of one empty track, and a WAV file of four 16-bit mono samples.
const std::string kMidi("MThd\0\0\0\x06\0\0\0\x01\0\x60MTrk\0\0\0\x04\0\xFF\x2F\0", 26);
const std::string kWav = std::string("RIFF\x2C\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x40\x1F\0\0\x80\x3E\0\0\x02\0\x10\0", 36) +
                         std::string("data\x08\0\0\0", 8) + std::string(8, '\x01');

std::string AsString(const std::vector<uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

const std::string kBmp = [] {
    const std::vector<uint8_t> bytes = EncodeBmp(Bitmap(2, 2));
    return std::string(bytes.begin(), bytes.end());
}();

// A folder of its own with a fake player and hook library beside a fake
// mkscr, and a few content files.
class MkscrTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::random_device random;
        dir_ = fs::temp_directory_path() / ("mkscr_test_" + std::to_string(random()));
        fs::create_directories(dir_ / "bin");
        fs::create_directories(dir_ / "content");
        WriteFile(dir_ / "bin" / "player.scr", kPlayer);
        WriteFile(dir_ / "bin" / "orlscrhook.dll", kHook);
        WriteFile(dir_ / "bin" / "slideview.exe", "MZ slide viewer");
        WriteFile(Content("show.ppt"), "the presentation");
        WriteFile(Content("PPTVIEW.EXE"), "MZ viewer");
        WriteFile(Content("one.wav"), std::string(300, 'w'));
        WriteFile(Content("two tracks.mid"), kMidi);
        WriteFile(Content("preview.jpg"), kJpeg);
        WriteFile(Content("preview.bmp"), kBmp);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Content(const std::string& name) const { return (dir_ / "content" / name).string(); }
    std::string Out(const std::string& name = "out.scr") const { return (dir_ / name).string(); }

    int Run(std::vector<std::string> args) {
        std::ostringstream out, err;
        int code = mkscr::RunMkscr(args, (dir_ / "bin").string(), out, err);
        out_ = out.str();
        err_ = err.str();
        return code;
    }

    // Whether the folder holds anything but the named files (a half-written
    // output or a temporary file left behind).
    std::vector<std::string> TopLevelFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_))
            if (entry.is_regular_file())
                names.push_back(entry.path().filename().string());
        return names;
    }

    std::unique_ptr<TSSFileLocations> Record(const std::string& package) {
        StdInputFile in(package);
        return ReadSettingsRecord(in);
    }

    std::string Range(const std::string& package, int32_t offset, int32_t size) {
        return ReadFile(package).substr(static_cast<size_t>(offset), static_cast<size_t>(size));
    }

    fs::path dir_;
    std::string out_, err_;
};

TEST_F(MkscrTest, BuildsAPresentationPackage) {
    ASSERT_EQ(Run({"build",
                   "-o",
                   Out(),
                   "--document",
                   Content("show.ppt"),
                   "--file",
                   Content("PPTVIEW.EXE"),
                   "--sound",
                   Content("one.wav"),
                   "--sound",
                   Content("two tracks.mid"),
                   "--title",
                   "Demo",
                   "--author",
                   "Me",
                   "--email",
                   "me@example.org",
                   "--web",
                   "http://example.org",
                   "--exit",
                   "click,key",
                   "--show-cursor",
                   "--music-order",
                   "random-once",
                   "--mute",
                   "--preview",
                   Content("preview.jpg")}),
              0)
        << err_;
    EXPECT_EQ(err_, "");
    EXPECT_THAT(TopLevelFiles(), ElementsAre("out.scr"));

    auto r = Record(Out());
    ASSERT_TRUE(r);
    EXPECT_EQ(r->Title, "Demo");
    EXPECT_EQ(r->Author, "Me");
    EXPECT_EQ(r->Email, "me@example.org");
    EXPECT_EQ(r->Web, "http://example.org");
    EXPECT_EQ(r->Ver, "powerpoint");
    EXPECT_FALSE(r->lExitMouseMove);
    EXPECT_TRUE(r->lExitMouseClick);
    EXPECT_TRUE(r->lExitKeyPress);
    EXPECT_TRUE(r->lShowMouseCursor);
    EXPECT_TRUE(r->lMute);
    EXPECT_EQ(r->SoundRandom, 3);
    EXPECT_EQ(r->Interval, 5000);
    EXPECT_EQ(r->EffectCommaList.Count(), 127);
    EXPECT_EQ(r->EffectCommaList.Items().back(), "126");

    // Names without folders, and every range holds its file.
    ASSERT_EQ(r->FlashCount(), 2);
    EXPECT_EQ(r->FlashFileName(0), "show.ppt");
    EXPECT_EQ(r->FlashFileName(1), "PPTVIEW.EXE");
    EXPECT_EQ(Range(Out(), r->FlashPosition(0), r->FlashSize(0)), "the presentation");
    EXPECT_EQ(Range(Out(), r->FlashPosition(1), r->FlashSize(1)), "MZ viewer");
    ASSERT_EQ(r->SndCount(), 2);
    EXPECT_EQ(r->SndFileName(1), "two tracks.mid");
    EXPECT_EQ(Range(Out(), r->SndPosition(0), r->SndSize(0)), std::string(300, 'w'));
    EXPECT_EQ(Range(Out(), r->SndPosition(1), r->SndSize(1)), kMidi);
    EXPECT_EQ(Range(Out(), r->HookPosition, r->HookSize), kHook);
    EXPECT_EQ(ReadFile(Out()).substr(0, kPlayer.size()), kPlayer);

    // Field A leads to the preview stream.
    StdInputFile in(Out());
    auto picture = ReadPreviewPicture(in);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->className, "TJPEGImage");
    EXPECT_EQ(picture->data, kJpeg);
    EXPECT_EQ(PreviewStreamOffset(in.Size(), *ReadTrailerFieldA(in)), static_cast<int64_t>(kPlayer.size()));
}

TEST_F(MkscrTest, WithoutPreviewFieldALeadsPastThePlayer) {
    ASSERT_EQ(Run({"-o", Out(), "--document", Content("show.ppt"), "--no-hook"}), 0) << err_;
    StdInputFile in(Out());
    EXPECT_EQ(PreviewStreamOffset(in.Size(), *ReadTrailerFieldA(in)), static_cast<int64_t>(kPlayer.size()));
    auto r = Record(Out());
    EXPECT_EQ(r->HookPosition, 0);
    EXPECT_EQ(r->HookSize, 0);
    EXPECT_TRUE(r->lExitMouseMove);
    EXPECT_FALSE(r->lExitMouseClick);
    EXPECT_TRUE(r->lExitKeyPress);
    EXPECT_EQ(r->SndCount(), 0);
    EXPECT_EQ(r->FlashPosition(0), static_cast<int32_t>(kPlayer.size()));
}

TEST_F(MkscrTest, BmpPreviewIsStoredAsBitmap) {
    ASSERT_EQ(Run({"-o", Out(), "--preview", Content("preview.bmp"), "--exit", "none", "--effects", "3, 5"}), 0)
        << err_;
    StdInputFile in(Out());
    auto picture = ReadPreviewPicture(in);
    EXPECT_EQ(picture->className, "TBitmap");
    EXPECT_EQ(picture->data, kBmp);
    auto r = Record(Out());
    EXPECT_FALSE(r->lExitMouseMove || r->lExitMouseClick || r->lExitKeyPress);
    EXPECT_EQ(r->EffectCommaList.Text(), "3,5");
}

TEST_F(MkscrTest, ReplacesAnExistingOutput) {
    WriteFile(Out(), "old");
    ASSERT_EQ(Run({"-o", Out()}), 0) << err_;
    EXPECT_TRUE(Record(Out()));
    EXPECT_THAT(TopLevelFiles(), ElementsAre("out.scr"));
}

TEST_F(MkscrTest, BadInputGetsOneLineAndLeavesNoFile) {
    WriteFile(dir_ / "notaplayer", "PK zip");
    WriteFile(Content("clash/show.ppt"), "x");
    const std::vector<std::vector<std::string>> cases = {
        {"-o", Out(), "--player", Content("missing.scr")},
        {"-o", Out(), "--player", (dir_ / "notaplayer").string()},
        {"-o", Out(), "--player", Content(".")},
        {"-o", Out(), "--sound", Content("missing.wav")},
        {"-o", Out(), "--document", Content("show.ppt"), "--file", Content("missing.dll")},
        {"-o", Out(), "--hook", Content("missing.dll")},
        {"-o", Out(), "--preview", Content("show.ppt")},
        {"-o", Out(), "--document", Content("show.ppt"), "--sound", Content("show.ppt")},
        {"-o", Out(), "--document", Content("show.ppt"), "--file", Content("SHOW.PPT")},
        {"-o", (dir_ / "no such folder" / "out.scr").string()},
        {"-o", Out(), "--title", "\xE2\x98\x83 snowman"},
        {"-o", Out(), "--title", "\xFF not utf-8"},
    };
    std::filesystem::copy_file(Content("show.ppt"), Content("SHOW.PPT"));
    for (const auto& args : cases) {
        EXPECT_EQ(Run(args), 1) << args.back();
        EXPECT_THAT(err_, ::testing::StartsWith("mkscr: "));
        EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 1) << err_;
        EXPECT_THAT(TopLevelFiles(), ElementsAre("notaplayer")) << err_;
    }
}

TEST_F(MkscrTest, BadCommandLines) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate"},
        {"-o"},
        {"--document", Content("show.ppt")},
        {"-o", Out(), "--bogus"},
        {"-o", Out(), "--mute=yes"},
        {"-o", Out(), "--interval", "fast"},
        {"-o", Out(), "--effects", "1,200"},
        {"-o", Out(), "--exit", "move,wiggle"},
        {"-o", Out(), "--music-order", "shuffle"},
        {"-o", Out(), "--hook", Content("show.ppt"), "--no-hook"},
        {"-o", Out(), "--file", Content("PPTVIEW.EXE")},
        {"-o", Out(), "--style", "3"},
        {"-o", Out(), "stray"},
        {"inspect"},
        {"inspect", Out(), "--title", "x"},
        {"slides", "-o", Out()},
        {"slides", Content(""), "-o", Out(), "--document", Content("show.ppt")},
        {"slides", Content(""), "-o", Out(), "--style", "128"},
        // A second value would silently replace the first.
        {"-o", Out(), "--document", Content("show.ppt"), "--document", Content("PPTVIEW.EXE")},
        {"-o", Out(), "--output", Out("other.scr")},
        {"-o", Out(), "--title", "a", "--title=b"},
    };
    for (const auto& args : cases) {
        EXPECT_EQ(Run(args), 2) << (args.empty() ? "" : args.back());
        EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 1) << err_;
        EXPECT_TRUE(TopLevelFiles().empty());
    }
}

TEST_F(MkscrTest, AFolderIsNeitherOutputNorPackage) {
    fs::create_directories(dir_ / "empty");
    EXPECT_EQ(Run({"-o", (dir_ / "empty").string()}), 1);
    EXPECT_THAT(err_, HasSubstr("is a folder"));
    EXPECT_TRUE(fs::is_directory(dir_ / "empty"));
    EXPECT_TRUE(TopLevelFiles().empty());

    EXPECT_EQ(Run({"inspect", (dir_ / "empty").string()}), 1);
    EXPECT_EQ(err_, "mkscr: " + (dir_ / "empty").string() + ": a folder, not a package\n");
}

TEST_F(MkscrTest, RefusesAPackageTooLargeForTheRecord) {
    // Sparse files: nothing of their size is ever written.
    std::ofstream(Content("big.wav")).close();
    fs::resize_file(Content("big.wav"), 1500000000);
    std::ofstream(Content("big2.wav")).close();
    fs::resize_file(Content("big2.wav"), 1500000000);
    EXPECT_EQ(Run({"-o", Out(), "--sound", Content("big.wav"), "--sound", Content("big2.wav")}), 1);
    EXPECT_THAT(err_, HasSubstr("larger than 2147483647 bytes"));
    EXPECT_TRUE(TopLevelFiles().empty());
}

TEST_F(MkscrTest, TextsAreStoredAsWindows1252) {
    ASSERT_EQ(Run({"-o", Out(), "--title", "D\xC3\xA9mo \xE2\x82\xAC"}), 0) << err_;
    EXPECT_EQ(Record(Out())->Title, "D\xE9mo \x80");
    ASSERT_EQ(Run({"inspect", Out(), "--json"}), 0);
    EXPECT_THAT(out_, HasSubstr("\"Title\": \"D\xC3\xA9mo \xE2\x82\xAC\""));
}

TEST_F(MkscrTest, SlidesFromAFolder) {
    fs::create_directories(dir_ / "pics");
    WriteFile(dir_ / "pics" / "b.bmp", kBmp);
    WriteFile(dir_ / "pics" / "A slide.jpg", kJpeg);
    WriteFile(dir_ / "pics" / "c.JPG", kJpeg);
    WriteFile(dir_ / "pics" / "notes.txt", "not a picture");
    ASSERT_EQ(Run({"slides", (dir_ / "pics").string(), "-o", Out(), "--duration", "8000", "--title", "Slides"}), 0)
        << err_;
    auto r = Record(Out());
    ASSERT_EQ(r->FlashCount(), 5);
    EXPECT_EQ(r->FlashFileNamesCommaList.Text(), "show.slides,\"A slide.jpg\",b.bmp,c.JPG,PPTVIEW.EXE");
    std::string list = Range(Out(), r->FlashPosition(0), r->FlashSize(0));
    EXPECT_THAT(list, HasSubstr("\"A slide.jpg\" duration=8000\r\nb.bmp duration=8000\r\nc.JPG duration=8000\r\n"));
    EXPECT_EQ(list.find("style=", list.find('\n')), std::string::npos);
    EXPECT_EQ(Range(Out(), r->FlashPosition(2), r->FlashSize(2)), kBmp);
    EXPECT_EQ(Range(Out(), r->FlashPosition(4), r->FlashSize(4)), "MZ slide viewer");
    EXPECT_EQ(r->Ver, "powerpoint");
}

TEST_F(MkscrTest, SlidesFromFilesKeepTheirOrder) {
    WriteFile(Content("z.jpg"), kJpeg);
    ASSERT_EQ(Run({"slides", Content("z.jpg"), Content("preview.bmp"), "-o", Out(), "--style", "7", "--viewer",
                   Content("PPTVIEW.EXE")}),
              0)
        << err_;
    auto r = Record(Out());
    EXPECT_EQ(r->FlashFileNamesCommaList.Text(), "show.slides,z.jpg,preview.bmp,PPTVIEW.EXE");
    EXPECT_THAT(Range(Out(), r->FlashPosition(0), r->FlashSize(0)),
                HasSubstr("z.jpg style=7\r\npreview.bmp style=7\r\n"));
    EXPECT_EQ(Range(Out(), r->FlashPosition(3), r->FlashSize(3)), "MZ viewer");

    EXPECT_EQ(Run({"slides", Content("one.wav"), "-o", Out("other.scr")}), 1);
    EXPECT_THAT(err_, HasSubstr("not a JPEG or BMP picture"));
    // A presentation by its name, refused by its content before any converter runs.
    EXPECT_EQ(Run({"slides", Content("show.ppt"), "-o", Out("other.scr")}), 1);
    EXPECT_THAT(err_, HasSubstr("'" + Content("show.ppt") + "' is damaged or not a presentation"));
    fs::create_directories(dir_ / "empty");
    EXPECT_EQ(Run({"slides", (dir_ / "empty").string(), "-o", Out("other.scr")}), 1);
    EXPECT_THAT(err_, HasSubstr("no JPEG or BMP pictures"));
}

TEST_F(MkscrTest, InspectPrintsEverything) {
    ASSERT_EQ(Run({"-o", Out(), "--document", Content("show.ppt"), "--sound", Content("one.wav"), "--title", "Demo"}),
              0);
    ASSERT_EQ(Run({"inspect", Out()}), 0) << err_;
    EXPECT_THAT(out_, HasSubstr("Title                    \"Demo\""));
    EXPECT_THAT(out_, HasSubstr("lExitFSCommandQuit       false"));
    EXPECT_THAT(out_, HasSubstr("show.ppt"));
    EXPECT_THAT(out_, HasSubstr("Preview picture  none"));

    ASSERT_EQ(Run({"inspect", "--json", Out()}), 0) << err_;
    auto r = Record(Out());
    EXPECT_THAT(out_, HasSubstr("\"trailer\": {\"a\": "));
    // The hook library is the last file, the record follows it.
    EXPECT_THAT(out_, HasSubstr("\"b\": " + std::to_string(r->HookPosition + r->HookSize) + "}"));
    EXPECT_THAT(out_, HasSubstr("\"TextFont\": {\"Charset\": 1, \"Color\": 2147483656, \"Height\": -11, \"Name\": "
                                "\"MS Sans Serif\", \"Style\": [], \"Pitch\": \"fpDefault\"}"));
    EXPECT_THAT(out_, HasSubstr("\"lMute\": false,"));
    EXPECT_THAT(out_, HasSubstr("\"Interval\": 5000,"));
    EXPECT_THAT(out_, HasSubstr("{\"kind\": \"presentation\", \"name\": \"show.ppt\", \"offset\": " +
                                std::to_string(r->FlashPosition(0)) + ", \"size\": 16}"));
    EXPECT_THAT(out_, HasSubstr("{\"kind\": \"sound\", \"name\": \"one.wav\""));
    EXPECT_THAT(out_, HasSubstr("{\"kind\": \"hook\", \"name\": \"orlscrhook.dll\""));
    EXPECT_THAT(out_, HasSubstr("\"preview\": null"));
}

TEST_F(MkscrTest, InspectReportsTheReadersMessage) {
    ASSERT_EQ(Run({"-o", Out()}), 0);
    const std::string original = ReadFile(Out());
    std::string package = original;
    size_t at = package.find("TSSFileLocations");
    ASSERT_NE(at, std::string::npos);
    package.replace(at, 16, "TSSFileLocationZ");
    WriteFile(Out("unknown.scr"), package);
    EXPECT_EQ(Run({"inspect", Out("unknown.scr")}), 1);
    EXPECT_EQ(err_, "mkscr: " + Out("unknown.scr") + ": Class TSSFileLocationZ not found\n");

    // A record whose title claims more bytes than the file holds.
    std::string cut = original.substr(0, kPlayer.size()) + "TPF0\x10TSSFileLocations\0\x05Title\x0c" +
                      std::string("\xe8\x03\0\0", 4) + "abc";
    cut += original.substr(original.size() - 40, 20);
    char field[kTrailerFieldSize];
    cut += FormatTrailerField(static_cast<int32_t>(kPlayer.size()), field);
    WriteFile(Out("cut.scr"), cut);
    EXPECT_EQ(Run({"inspect", Out("cut.scr")}), 1);
    EXPECT_EQ(err_, "mkscr: " + Out("cut.scr") + ": Stream read error\n");

    WriteFile(Out("short.scr"), "MZ");
    EXPECT_EQ(Run({"inspect", Out("short.scr")}), 1);
    EXPECT_THAT(err_, HasSubstr("shorter than the 40-byte trailer"));

    EXPECT_EQ(Run({"inspect", Out("missing.scr")}), 1);
    EXPECT_THAT(err_, HasSubstr("Cannot open file"));
}

TEST_F(MkscrTest, RefusesAnOutputThatIsOneOfItsInputs) {
    fs::create_directories(dir_ / "pics");
    WriteFile(dir_ / "pics" / "a.jpg", kJpeg);
    fs::create_hard_link(Content("one.wav"), dir_ / "linked.wav");
    fs::create_symlink(dir_ / "bin" / "player.scr", dir_ / "player-link.scr");
    const std::string sound = Content("one.wav");
    const std::string respelt = (dir_ / "content" / "." / ".." / "content" / "one.wav").string();
    struct Case {
        std::vector<std::string> args;
        std::string input;  // the name the message gives for the input
    };
    const std::vector<Case> cases = {
        {{"slides", (dir_ / "pics").string(), "--sound", sound, "-o", sound}, sound},
        {{"-o", respelt, "--sound", sound}, sound},
        {{"-o", (dir_ / "linked.wav").string(), "--sound", sound}, sound},
        {{"-o", (dir_ / "player-link.scr").string()}, (dir_ / "bin" / "player.scr").string()},
        {{"-o", (dir_ / "bin" / "orlscrhook.dll").string()}, (dir_ / "bin" / "orlscrhook.dll").string()},
        {{"-o", Content("preview.jpg"), "--preview", Content("preview.jpg")}, Content("preview.jpg")},
        {{"-o", Content("PPTVIEW.EXE"), "--document", Content("show.ppt"), "--file", Content("PPTVIEW.EXE")},
         Content("PPTVIEW.EXE")},
        {{"slides", (dir_ / "pics" / "a.jpg").string(), "-o", (dir_ / "pics" / "a.jpg").string()},
         (dir_ / "pics" / "a.jpg").string()},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Run(c.args), 1) << c.args.back();
        EXPECT_THAT(err_, HasSubstr("is the same file as the"));
        EXPECT_THAT(err_, HasSubstr("'" + c.input + "'"));
        EXPECT_THAT(err_, HasSubstr("'" + c.args[std::find(c.args.begin(), c.args.end(), "-o") - c.args.begin() + 1] +
                                    "'"));
    }
    EXPECT_EQ(ReadFile(sound), std::string(300, 'w'));
    EXPECT_EQ(ReadFile(dir_ / "bin" / "player.scr"), kPlayer);
    EXPECT_EQ(ReadFile(dir_ / "bin" / "orlscrhook.dll"), kHook);
    EXPECT_EQ(ReadFile(Content("preview.jpg")), kJpeg);
    EXPECT_EQ(ReadFile(dir_ / "pics" / "a.jpg"), kJpeg);
}

TEST_F(MkscrTest, RefusesNamesThePlayerWillNotCreate) {
    for (const char* name : {"aux.wav", "COM1.wav", "con.jpg", "Nul", "...", "tab\there.wav"}) {
        WriteFile(Content(name), "sound");
        EXPECT_EQ(Run({"-o", Out(), "--sound", Content(name)}), 1) << name;
        EXPECT_THAT(err_, HasSubstr("cannot store '" + Content(name) + "'")) << name;
        EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 1) << err_;
        EXPECT_TRUE(TopLevelFiles().empty()) << name;
    }
    WriteFile(Content("lpt1.dll"), "library");
    EXPECT_EQ(Run({"-o", Out(), "--document", Content("show.ppt"), "--file", Content("lpt1.dll")}), 1);
    EXPECT_THAT(err_, HasSubstr("'lpt1.dll'"));
    // Near misses are ordinary names.
    WriteFile(Content("com10.wav"), "sound");
    WriteFile(Content("auxiliary.wav"), "sound");
    EXPECT_EQ(Run({"-o", Out(), "--sound", Content("com10.wav"), "--sound", Content("auxiliary.wav")}), 0) << err_;
}

// Lowers the limit of open files of this process for one scope.
class FileLimit {
  public:
    explicit FileLimit(rlim_t soft) {
        getrlimit(RLIMIT_NOFILE, &saved_);
        rlimit lowered = saved_;
        lowered.rlim_cur = soft;
        setrlimit(RLIMIT_NOFILE, &lowered);
    }
    ~FileLimit() { setrlimit(RLIMIT_NOFILE, &saved_); }

  private:
    rlimit saved_{};
};

TEST_F(MkscrTest, AnyNumberOfInputsWithAFewHandles) {
    fs::create_directories(dir_ / "many");
    std::vector<std::string> args = {"-o", Out()};
    for (int k = 0; k < 1100; ++k) {
        const std::string path = (dir_ / "many" / ("track" + std::to_string(k) + ".wav")).string();
        WriteFile(path, "track " + std::to_string(k));
        args.push_back("--sound");
        args.push_back(path);
    }
    {
        FileLimit limit(32);
        ASSERT_EQ(Run(args), 0) << err_;
    }
    auto r = Record(Out());
    ASSERT_EQ(r->SndCount(), 1100);
    EXPECT_EQ(Range(Out(), r->SndPosition(1099), r->SndSize(1099)), "track 1099");

    // A missing input is still found before anything is written.
    args.back() = (dir_ / "many" / "missing.wav").string();
    fs::remove(Out());
    EXPECT_EQ(Run(args), 1);
    EXPECT_THAT(err_, HasSubstr("missing.wav"));
    EXPECT_TRUE(TopLevelFiles().empty());
}

TEST_F(MkscrTest, ExitListMustSaySomething) {
    EXPECT_EQ(Run({"-o", Out(), "--exit", ""}), 2);
    EXPECT_THAT(err_, HasSubstr("--exit"));
    EXPECT_EQ(Run({"-o", Out(), "--exit", " "}), 2);
    EXPECT_TRUE(TopLevelFiles().empty());

    ASSERT_EQ(Run({"-o", Out(), "--exit", "none"}), 0) << err_;
    EXPECT_THAT(err_, HasSubstr("warning"));
    EXPECT_THAT(err_, HasSubstr("only Ctrl+Alt+Del"));
    ASSERT_EQ(Run({"-o", Out(), "--exit", "move"}), 0);
    EXPECT_EQ(err_, "");
}

TEST_F(MkscrTest, InspectTellsWhatIsNoPackage) {
    EXPECT_EQ(Run({"inspect", (dir_ / "bin" / "player.scr").string()}), 1);
    EXPECT_EQ(err_, "mkscr: " + (dir_ / "bin" / "player.scr").string() +
                        ": not a package: no content is appended to this program\n");
    WriteFile(Content("photo.jpg"), kJpeg + std::string(100, 'j'));
    EXPECT_EQ(Run({"inspect", Content("photo.jpg")}), 1);
    EXPECT_EQ(err_, "mkscr: " + Content("photo.jpg") + ": not a package\n");

    // Without a preview the report says so, in words that read as no error.
    ASSERT_EQ(Run({"-o", Out(), "--document", Content("show.ppt")}), 0);
    ASSERT_EQ(Run({"inspect", Out()}), 0);
    const std::string line = out_.substr(out_.find("Preview picture"));
    EXPECT_EQ(line, "Preview picture  none (the display settings show an empty preview)\n");
}

TEST_F(MkscrTest, SlideDurationIsTheRecordsInterval) {
    fs::create_directories(dir_ / "pics");
    WriteFile(dir_ / "pics" / "a.jpg", kJpeg);
    ASSERT_EQ(Run({"slides", (dir_ / "pics").string(), "-o", Out(), "--duration", "8000"}), 0) << err_;
    EXPECT_EQ(Record(Out())->Interval, 8000);
    ASSERT_EQ(Run({"slides", (dir_ / "pics").string(), "-o", Out(), "--duration", "8000", "--interval", "3"}), 0);
    EXPECT_EQ(Record(Out())->Interval, 3);
    ASSERT_EQ(Run({"slides", (dir_ / "pics").string(), "-o", Out()}), 0);
    EXPECT_EQ(Record(Out())->Interval, 5000);
}

TEST_F(MkscrTest, ProgressOnlyWhenAsked) {
    ASSERT_EQ(Run({"-o", Out(), "--sound", Content("one.wav")}), 0);
    EXPECT_EQ(err_, "");

    std::ostringstream out, err;
    ASSERT_EQ(mkscr::RunMkscr({"-o", Out(), "--sound", Content("one.wav")}, (dir_ / "bin").string(), out, err, true),
              0);
    // One line, rewritten in place, ending with everything stored.
    const std::string shown = err.str();
    EXPECT_EQ(shown.front(), '\r');
    EXPECT_EQ(std::count(shown.begin(), shown.end(), '\n'), 1);
    const int64_t size = static_cast<int64_t>(fs::file_size(Out()));
    EXPECT_THAT(shown, HasSubstr("\rmkscr: stored 3 of 3 files, " + std::to_string(size) + " of " +
                                 std::to_string(size) + " bytes"));
    EXPECT_EQ(shown.back(), '\n');
}

TEST(ProgressText, CountsFilesAndBytes) {
    EXPECT_EQ(mkscr::ProgressText({1, 40, 1234, 5678}), "mkscr: stored 1 of 40 files, 1234 of 5678 bytes");
    EXPECT_EQ(mkscr::ProgressText({0, 1, 0, 12}), "mkscr: stored 0 of 1 file, 0 of 12 bytes");
    EXPECT_EQ(mkscr::ProgressText({3, 7, 3 << 20, 10 << 20}), "mkscr: stored 3 of 7 files, 3.0 of 10.0 MB");
}

TEST_F(MkscrTest, HelpDescribesEveryOption) {
    ASSERT_EQ(Run({"--help"}), 0);
    for (const char* option : {"--output",   "--player",  "--document", "--file",        "--sound",       "--hook",
                               "--no-hook",  "--preview", "--title",    "--author",      "--email",       "--web",
                               "--ver",      "--text",    "--exit",     "--show-cursor", "--music-order", "--mute",
                               "--interval", "--effects", "--viewer",   "--duration",    "--style",       "--json"})
        EXPECT_THAT(out_, HasSubstr(option));
}

TEST_F(MkscrTest, SlidesReportEveryFileAndWriteTheShowLine) {
    const fs::path pics = dir_ / "pics";
    fs::create_directories(pics / "more");
    WriteFile(pics / "10.bmp", kBmp);
    WriteFile(pics / "2.jpg", kJpeg);
    WriteFile(pics / "3 deck.PNG", AsString(test::PngOf(test::PngRecipe{1, 1, PNG_COLOR_TYPE_RGB, 8, {{1, 2, 3}}})));
    WriteFile(pics / "4.gif", kGif);
    WriteFile(pics / "con.bmp", kBmp);
    WriteFile(pics / "cut.jpg", kJpeg.substr(0, 40));
    WriteFile(pics / "deep.jpg", kJpeg12Bit);
    WriteFile(pics / "notes.txt", "not a picture");
    WriteFile(pics / "more" / "1.jpg", kJpeg);
    const std::string p = pics.string() + "/";
    ASSERT_EQ(Run({"slides", pics.string(), "-o", Out(), "--order", "shuffle", "--fit", "cover", "--transition", "1200",
                   "--upscale", "3", "--seed", "42", "--recursive"}),
              0)
        << err_;
    std::istringstream lines(out_);
    std::vector<std::string> report;
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("mkscr: wrote ", 0) != 0)
            report.push_back(line);
    EXPECT_THAT(report,
                ElementsAre("mkscr: stored " + p + "2.jpg", "mkscr: stored " + p + "3 deck.PNG",
                            "mkscr: stored " + p + "4.gif", "mkscr: stored " + p + "10.bmp",
                            "mkscr: stored " + p + "con.bmp as slide-0005.bmp (a name the saver cannot create)",
                            "mkscr: refused " + p +
                                "cut.jpg: The JPEG picture is damaged: the file ends before the frame header",
                            "mkscr: refused " + p + "deep.jpg: 12-bit JPEG is not supported",
                            "mkscr: refused " + p + "notes.txt: not a picture", "mkscr: stored " + p + "more/1.jpg",
                            "mkscr: 6 slides in show.slides, 3 files refused"));
    auto r = Record(Out());
    EXPECT_EQ(r->FlashFileNamesCommaList.Text(),
              "show.slides,2.jpg,\"3 deck.PNG\",4.gif,10.bmp,slide-0005.bmp,1.jpg,PPTVIEW.EXE");
    EXPECT_EQ(Range(Out(), r->FlashPosition(0), r->FlashSize(0)),
              "# Slides in order: image file, then duration=MS and style=N where given\r\n"
              "! order=shuffle fit=cover transition=1200 upscale=3 cursor=hidden seed=42\r\n"
              "2.jpg\r\n\"3 deck.PNG\"\r\n4.gif\r\n10.bmp\r\nslide-0005.bmp\r\n1.jpg\r\n");
    EXPECT_EQ(Range(Out(), r->FlashPosition(5), r->FlashSize(5)), kBmp);
    EXPECT_FALSE(r->lShowMouseCursor);

    // A visible cursor and no other show option: no show line at all.
    ASSERT_EQ(Run({"slides", (pics / "2.jpg").string(), "-o", Out(), "--show-cursor"}), 0) << err_;
    r = Record(Out());
    EXPECT_TRUE(r->lShowMouseCursor);
    EXPECT_EQ(Range(Out(), r->FlashPosition(0), r->FlashSize(0)),
              "# Slides in order: image file, then duration=MS and style=N where given\r\n2.jpg\r\n");
    // --still: animations show their first frame only.
    ASSERT_EQ(Run({"slides", (pics / "4.gif").string(), "-o", Out(), "--show-cursor", "--still"}), 0) << err_;
    r = Record(Out());
    EXPECT_EQ(Range(Out(), r->FlashPosition(0), r->FlashSize(0)),
              "# Slides in order: image file, then duration=MS and style=N where given\r\n! still=yes\r\n4.gif\r\n");

    // A picture named on the command line is shown or the build fails.
    EXPECT_EQ(Run({"slides", (pics / "deep.jpg").string(), "-o", Out("other.scr")}), 1);
    EXPECT_EQ(err_, "mkscr: '" + p + "deep.jpg' cannot be shown: 12-bit JPEG is not supported\n");
}

// An 8-bit run-length BMP of 2 x 2 whose data ends after its first row, with
// no end mark: decodes, but damaged.
std::string CutRunLengthBmp() {
    std::vector<uint8_t> v(54 + 8);
    v[0] = 'B', v[1] = 'M';
    test::Put32(v, 10, static_cast<uint32_t>(v.size()));
    test::Put32(v, 14, 40);
    test::Put32(v, 18, 2);
    test::Put32(v, 22, 2);
    v[26] = 1, v[28] = 8, v[30] = 1;  // one plane, 8 bits, RLE8
    test::Put32(v, 46, 2);
    test::Put32(v, 58, 0xFF0000);
    for (uint8_t b : {2, 1, 0, 0})
        v.push_back(b);
    return AsString(v);
}

TEST_F(MkscrTest, DamagedPicturesAreRefusedOrStoredWithAWarning) {
    const fs::path pics = dir_ / "pics";
    fs::create_directories(pics);
    Bitmap noise(48, 48);
    for (int32_t y = 0; y < 48; ++y)
        for (int32_t x = 0; x < 3 * 48; ++x)
            noise.Row(y)[x] = static_cast<uint8_t>((x * 37 + y * 101) ^ (x * y));
    const std::string jpeg = AsString(test::JpegOf(noise));
    std::string corrupt = jpeg;  // a restart marker where none belongs
    corrupt[jpeg.size() / 2] = '\xFF';
    corrupt[jpeg.size() / 2 + 1] = '\xD3';
    std::string png = AsString(test::PngOf(test::PngRecipe{1, 1, PNG_COLOR_TYPE_RGB, 8, {{1, 2, 3}}}));
    png[png.size() - 1] ^= 1;  // the end chunk's check sum
    WriteFile(pics / "a.jpg", kJpeg);
    WriteFile(pics / "b cut.jpg", jpeg.substr(0, jpeg.size() * 2 / 3));
    WriteFile(pics / "c corrupt.jpg", corrupt);
    WriteFile(pics / "d.png", png);
    WriteFile(pics / "e.gif", kGif.substr(0, kGif.size() - 1));  // no end mark
    WriteFile(pics / "f.bmp", CutRunLengthBmp());
    const std::string p = pics.string() + "/";
    const char* damage[] = {
        "b cut.jpg: The JPEG picture is damaged: Premature end of JPEG file",
        "c corrupt.jpg: The JPEG picture is damaged: Corrupt JPEG data",
        "d.png: The PNG picture is damaged: IEND: CRC error",
        "e.gif: The GIF picture is damaged: ",
        "f.bmp: The BMP picture is damaged: the run-length data ends before the picture does",
    };
    ASSERT_EQ(Run({"slides", pics.string(), "-o", Out()}), 0) << err_;
    for (const char* line : damage) {
        EXPECT_THAT(out_, HasSubstr("mkscr: refused " + p + line)) << out_;
    }
    EXPECT_THAT(out_, HasSubstr("(--allow-damaged stores it)\n"));
    EXPECT_THAT(out_, HasSubstr("mkscr: 1 slide in show.slides, 5 files refused\n"));
    EXPECT_EQ(Record(Out())->FlashCount(), 3);

    ASSERT_EQ(Run({"slides", pics.string(), "-o", Out(), "--allow-damaged"}), 0) << err_;
    for (const char* line : damage) {
        const std::string text(line);
        const size_t colon = text.find(": ");
        EXPECT_THAT(out_, HasSubstr("mkscr: stored " + p + text.substr(0, colon) + " (warning: " +
                                    text.substr(colon + 2)))
            << out_;
    }
    EXPECT_EQ(Record(Out())->FlashCount(), 8);

    // Named on the command line, a damaged picture fails the build.
    EXPECT_EQ(Run({"slides", p + "f.bmp", "-o", Out("other.scr")}), 1);
    EXPECT_THAT(err_, HasSubstr("is refused: The BMP picture is damaged"));
}

TEST_F(MkscrTest, HiddenFilesAndFoldersArePassedOverUnlessAsked) {
    const fs::path pics = dir_ / "pics";
    fs::create_directories(pics / ".thumbnails");
    fs::create_directories(pics / ".picasaoriginals");
    fs::create_directories(pics / "trip");
    WriteFile(pics / "a.jpg", kJpeg);
    WriteFile(pics / ".b.jpg", kJpeg);
    WriteFile(pics / ".thumbnails" / "a.jpg", kJpeg);
    WriteFile(pics / ".picasaoriginals" / "a.jpg", kJpeg);
    WriteFile(pics / "trip" / ".c.jpg", kJpeg);
    WriteFile(pics / "trip" / "d.jpg", kJpeg);
    const std::string p = pics.string();
    ASSERT_EQ(Run({"slides", p, "-o", Out(), "--recursive"}), 0) << err_;
    EXPECT_THAT(out_, HasSubstr("mkscr: passed over 1 hidden file and 2 hidden folders in " + p +
                                " (--hidden takes them)\n"));
    EXPECT_THAT(out_, HasSubstr("mkscr: passed over 1 hidden file in " + p + "/trip (--hidden takes it)\n"));
    EXPECT_EQ(Record(Out())->FlashFileNamesCommaList.Text(), "show.slides,a.jpg,d.jpg,PPTVIEW.EXE");

    // Named, a hidden picture is taken.
    ASSERT_EQ(Run({"slides", p + "/.b.jpg", "-o", Out()}), 0) << err_;
    EXPECT_EQ(Record(Out())->FlashFileNamesCommaList.Text(), "show.slides,.b.jpg,PPTVIEW.EXE");

    ASSERT_EQ(Run({"slides", p, "-o", Out(), "--recursive", "--hidden"}), 0) << err_;
    EXPECT_EQ(out_.find("hidden"), std::string::npos) << out_;
    EXPECT_EQ(Record(Out())->FlashFileNamesCommaList.Text(),
              "show.slides,.b.jpg,a.jpg,a~2.jpg,a~3.jpg,.c.jpg,d.jpg,PPTVIEW.EXE");
}

TEST_F(MkscrTest, SlidesMakeAPreviewFromTheFirstSlideUnlessGivenOne) {
    fs::create_directories(dir_ / "pics");
    WriteFile(dir_ / "pics" / "a.bmp", AsString(EncodeBmp(test::Solid(40, 10, 200, 0, 0))));
    WriteFile(dir_ / "pics" / "b.jpg", kJpeg);
    ASSERT_EQ(Run({"slides", (dir_ / "pics").string(), "-o", Out()}), 0) << err_;
    EXPECT_THAT(out_, HasSubstr("a preview picture made from the first slide)"));
    StdInputFile in(Out());
    const auto picture = ReadPreviewPicture(in);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->className, "TJPEGImage");
    const Bitmap preview = DecodePictureFile(picture->data);
    ASSERT_EQ(preview.Width(), 153);  // what the display settings' preview draws into
    ASSERT_EQ(preview.Height(), 113);
    EXPECT_GT(preview.Row(56)[3 * 76 + 2], 150);  // red in the middle, black bands above and below
    EXPECT_LT(preview.Row(5)[3 * 76 + 2], 30);

    ASSERT_EQ(Run({"slides", (dir_ / "pics").string(), "-o", Out(), "--preview", Content("preview.bmp")}), 0) << err_;
    EXPECT_THAT(out_, HasSubstr("a preview picture)"));
    StdInputFile given(Out());
    EXPECT_EQ(ReadPreviewPicture(given)->data, kBmp);
}

TEST_F(MkscrTest, PicturesBeyondTheBoundAreStoredReducedUnlessOriginalsAreAsked) {
    const fs::path pics = dir_ / "pics";
    fs::create_directories(pics);
    WriteFile(pics / "a.bmp", AsString(EncodeBmp(test::Solid(64, 48, 200, 0, 0))));
    const std::string p = pics.string();
    ASSERT_EQ(Run({"slides", p, "-o", Out(), "--max-size", "32x32"}), 0) << err_;
    EXPECT_THAT(out_, HasSubstr("mkscr: stored " + p + "/a.bmp as a.png (reduced 64x48 to 32x24 as PNG)\n"));
    EXPECT_THAT(out_, HasSubstr("mkscr: 1 picture converted or reduced: "));
    EXPECT_THAT(out_, HasSubstr("bytes saved\n"));
    EXPECT_EQ(Record(Out())->FlashFileNamesCommaList.Text(), "show.slides,a.png,PPTVIEW.EXE");
    EXPECT_THAT(out_, HasSubstr("a preview picture made from the first slide)"));

    ASSERT_EQ(Run({"slides", p, "-o", Out(), "--originals"}), 0) << err_;
    EXPECT_EQ(Record(Out())->FlashFileNamesCommaList.Text(), "show.slides,a.bmp,PPTVIEW.EXE");
    EXPECT_EQ(out_.find("reduced"), std::string::npos) << out_;

    EXPECT_EQ(Run({"slides", p, "-o", Out(), "--max-size", "32"}), 2);
    EXPECT_THAT(err_, HasSubstr("--max-size needs WIDTHxHEIGHT"));
    EXPECT_EQ(Run({"slides", p, "-o", Out(), "--max-size", "32x32", "--originals"}), 2);

    // The memory the pictures share while they are read.
    ASSERT_EQ(Run({"slides", p, "-o", Out(), "--memory", "16"}), 0) << err_;
    EXPECT_EQ(Run({"slides", p, "-o", Out(), "--memory", "8"}), 2);
    EXPECT_THAT(err_, HasSubstr("--memory needs a whole number from 16 to 1048576, not '8'"));
}

TEST_F(MkscrTest, DateOrderTakesTheDateAPhotoWasTakenElseTheFileTime) {
    const fs::path pics = dir_ / "pics";
    fs::create_directories(pics);
    const std::vector<uint8_t> jpeg(kJpeg.begin(), kJpeg.end());
    WriteFile(pics / "a.jpg", AsString(test::WithExif(jpeg, test::ExifBlock(1, "2001:01:01 00:00:00"))));
    WriteFile(pics / "b.jpg", AsString(test::WithExif(jpeg, test::ExifBlock(6, "1999:12:31 23:59:59"))));
    WriteFile(pics / "c.jpg", kJpeg);
    struct utimbuf june2000 = {961070400, 961070400};
    ASSERT_EQ(utime((pics / "c.jpg").c_str(), &june2000), 0);
    ASSERT_EQ(Run({"slides", pics.string(), "-o", Out(), "--order", "date"}), 0) << err_;
    EXPECT_EQ(Record(Out())->FlashFileNamesCommaList.Text(), "show.slides,b.jpg,c.jpg,a.jpg,PPTVIEW.EXE");
    ASSERT_EQ(Run({"slides", pics.string(), "-o", Out()}), 0) << err_;
    EXPECT_EQ(Record(Out())->FlashFileNamesCommaList.Text(), "show.slides,a.jpg,b.jpg,c.jpg,PPTVIEW.EXE");
}

TEST_F(MkscrTest, SlideOptionsAreCheckedAndBelongToSlides) {
    WriteFile(Content("a.jpg"), kJpeg);
    const std::vector<std::vector<std::string>> cases = {
        {"--order", "random"}, {"--fit", "stretch"},     {"--upscale", "0"}, {"--transition", "fast"},
        {"--seed", "-1"},      {"--seed", "4294967296"}, {"--seed", "12x"},  {"--recursive=yes"},
    };
    for (const auto& options : cases) {
        std::vector<std::string> args{"slides", Content("a.jpg"), "-o", Out()};
        args.insert(args.end(), options.begin(), options.end());
        EXPECT_EQ(Run(args), 2) << options[0];
        EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 1) << err_;
    }
    for (const char* option :
         {"--order=date", "--fit=cover", "--upscale=1", "--transition=9", "--seed=1", "--recursive"}) {
        EXPECT_EQ(Run({"-o", Out(), option}), 2) << option;
        EXPECT_THAT(err_, HasSubstr("belongs to mkscr slides"));
    }
    EXPECT_TRUE(TopLevelFiles().empty());
    ASSERT_EQ(Run({"slides", Content("a.jpg"), "-o", Out(), "--seed", "4294967295", "--order", "date"}), 0) << err_;
}

TEST_F(MkscrTest, CaptionClockAndMotionGoOnTheShowLine) {
    WriteFile(Content("a.jpg"), kJpeg);
    auto show_line = [&] {
        auto r = Record(Out());
        const std::string list = Range(Out(), r->FlashPosition(0), r->FlashSize(0));
        const size_t start = list.find("\r\n!");
        return start == std::string::npos ? std::string() : list.substr(start + 2, list.find("\r\n", start + 2) - start - 2);
    };
    // --clock takes "date" or "time" only when one follows; else it means the time.
    ASSERT_EQ(Run({"slides", "--clock", Content("a.jpg"), "-o", Out(), "--show-cursor"}), 0) << err_;
    EXPECT_EQ(show_line(), "! clock=time");
    ASSERT_EQ(Run({"slides", Content("a.jpg"), "-o", Out(), "--caption", "date", "--clock", "date", "--motion",
                   "--show-cursor"}),
              0)
        << err_;
    EXPECT_EQ(show_line(), "! motion=on caption=date clock=date");
    ASSERT_EQ(Run({"inspect", Out()}), 0) << err_;
    EXPECT_THAT(out_, HasSubstr("\nSlide show  1 slides; caption date (0 of their own), clock date, motion on (0 set "
                                "their own)\n"));
    ASSERT_EQ(Run({"inspect", Out(), "--json"}), 0) << err_;
    EXPECT_THAT(out_, HasSubstr(",\n  \"slides\": {\"count\": 1, \"caption\": \"date\", \"clock\": \"date\", "
                                "\"motion\": true, \"ownCaptions\": 0, \"ownMotion\": 0}\n}\n"));
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--caption", "title"}, {"--clock=seconds"}, {"--motion=yes"}}) {
        std::vector<std::string> args{"slides", Content("a.jpg"), "-o", Out()};
        args.insert(args.end(), bad.begin(), bad.end());
        EXPECT_EQ(Run(args), 2) << bad[0];
    }
    EXPECT_EQ(Run({"-o", Out(), "--motion"}), 2);
    EXPECT_THAT(err_, HasSubstr("belongs to mkscr slides"));
}

TEST_F(MkscrTest, SoundsThatAreNotWavMidiOrMp3GetAWarningNotAFailure) {
    WriteFile(Content("tune.ogg"), std::string("OggS\0\x02", 6) + std::string(100, 'o'));
    WriteFile(Content("a.jpg"), kJpeg);
    const std::string warning = "mkscr: warning: '" + Content("tune.ogg") +
                                "' is not a WAV, MIDI or MP3 file; the saver may not be able to play it\n";
    WriteFile(Content("tune.wav"), kWav);
    ASSERT_EQ(Run({"-o", Out(), "--sound", Content("tune.wav"), "--sound", Content("tune.ogg"), "--sound",
                   Content("two tracks.mid")}),
              0);
    EXPECT_EQ(out_.substr(0, out_.find('\n') + 1), warning);
    EXPECT_EQ(out_.rfind("mkscr: warning: "), 0u) << out_;  // WAV and MIDI pass
    EXPECT_EQ(err_, "");
    EXPECT_EQ(Record(Out())->SndCount(), 3);
    ASSERT_EQ(Run({"slides", Content("a.jpg"), "-o", Out(), "--sound", Content("tune.ogg")}), 0);
    EXPECT_THAT(out_, HasSubstr(warning));
}

TEST_F(MkscrTest, DamagedSoundsGetAWarningThatNamesTheFault) {
    std::string format = kWav;
    format[20] = '\x09';  // format 9: not one the wave device plays
    std::string channels = kWav;
    channels[22] = 0;
    const std::string frame("\xFF\xFB\x90\x00", 4);  // MPEG 1 layer III, 128 kbit/s, 44.1 kHz: 417 bytes
    const std::string frames = frame + std::string(413, '\0') + frame + std::string(413, '\0');
    const std::vector<std::pair<std::string, std::string>> cases = {
        {kWav.substr(0, 40), "damaged WAV file (its RIFF header says 52 bytes, the file holds 40)"},
        {kWav.substr(0, 40) + std::string("\x20", 1) + kWav.substr(41),
         "damaged WAV file (the 'data' chunk runs past the end of the file)"},
        {format, "damaged WAV file (format 9 is not one the wave device plays)"},
        {channels, "damaged WAV file (its format chunk describes no playable sound)"},
        {kWav.substr(0, 12) + kWav.substr(36) + std::string("\0", 1) + kWav.substr(12, 24) , "damaged WAV file (the data comes before any format chunk)"},
        {"ID3\x03" + std::string(6, '\0') + std::string(900, 'x'), "damaged MP3 file (no valid MPEG audio frame)"},
        {frame + std::string(300, '\0'), "damaged MP3 file (no valid MPEG audio frame)"},
        {"MThd" + std::string("\0\0\0\x06\0\x05\0\x01\0\x60", 10), "damaged MIDI file (its header chunk is not valid)"},
        {kMidi.substr(0, 10), "damaged MIDI file (no complete header chunk)"},
    };
    for (const auto& [bytes, fault] : cases) {
        WriteFile(Content("tune"), bytes);
        ASSERT_EQ(Run({"-o", Out(), "--sound", Content("tune")}), 0) << err_;
        EXPECT_EQ(out_.substr(0, out_.find('\n') + 1),
                  "mkscr: warning: '" + Content("tune") + "' is a " + fault + "; the saver may not be able to play it\n");
        EXPECT_EQ(Record(Out())->SndCount(), 1);
    }
    for (const std::string& good : {kWav, kMidi, frames, "ID3\x03" + std::string(6, '\0') + frames}) {
        WriteFile(Content("tune"), good);
        ASSERT_EQ(Run({"-o", Out(), "--sound", Content("tune")}), 0) << err_;
        EXPECT_EQ(out_.find("warning"), std::string::npos) << out_;
    }
}

TEST_F(MkscrTest, HelpDescribesTheSlideOptions) {
    ASSERT_EQ(Run({"--help"}), 0);
    for (const char* option : {"--recursive", "--order", "--fit", "--transition", "--upscale", "--seed",
                               "natural name order", "not a picture"})
        EXPECT_THAT(out_, HasSubstr(option));
}

TEST_F(MkscrTest, EveryOptionOfTheTableIsListedCheckedAndTakenOnlyByItsCommands) {
    ASSERT_EQ(Run({"--help"}), 0);
    const std::string help = out_;
    WriteFile(Content("a.jpg"), kJpeg);
    const std::vector<std::pair<unsigned, std::vector<std::string>>> commands = {
        {mkscr::kBuildCommand, {"-o", Out()}},
        {mkscr::kSlidesCommand, {"slides", Content("a.jpg"), "-o", Out()}},
        {mkscr::kInspectCommand, {"inspect", Out()}},
    };
    for (const CommandOption& option : mkscr::MkscrOptions()) {
        const std::string name = std::string("--") + option.name;
        if (*option.help) {
            EXPECT_THAT(help, HasSubstr((option.alias ? std::string("  -") + option.alias + ", " : "  ") + name));
        }
        for (const auto& [command, start] : commands) {
            if (option.commands & command)
                continue;
            std::vector<std::string> args = start;
            args.push_back(name);
            if (option.TakesValue())
                args.push_back("1");
            EXPECT_EQ(Run(args), 2) << name << " " << command;
            EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 1) << err_;
        }
        if (option.TakesValue() && name == "--clock") {
            EXPECT_EQ(Run({"slides", name}), 2);  // alone it means the time
            EXPECT_EQ(err_, "mkscr: mkscr slides needs a folder or pictures (see mkscr --help)\n");
        } else if (option.TakesValue()) {
            EXPECT_EQ(Run({"slides", name}), 2);
            EXPECT_EQ(err_, "mkscr: the option " + name + " needs a value\n");
        } else {
            EXPECT_EQ(Run({"slides", name + "=1"}), 2);
            EXPECT_EQ(err_, "mkscr: the option " + name + " takes no value\n");
        }
        if (option.TakesValue() && !option.repeatable) {
            EXPECT_EQ(Run({"slides", name, "1", name, "1"}), 2);
            EXPECT_EQ(err_, "mkscr: the option " + name + " is given more than once\n");
        }
    }
    EXPECT_TRUE(TopLevelFiles().empty());
}

}  // namespace
}  // namespace orlscr
