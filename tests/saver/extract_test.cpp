#include "saver/extract.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "package/std_input_file.h"
#include "support/expect_error.h"

namespace orlscr {
namespace {

namespace fs = std::filesystem;

// A package file on disk: 1000 bytes of "image", then the entries.
class ExtractTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("orlscr_extract_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_ / "temp");
        fs::create_directories(root_ / "sys");
        tempDir_ = (root_ / "temp").string() + "\\";  // as the platform reports it
        sysDir_ = (root_ / "sys").string();

        for (int i = 0; i < 1000; ++i)
            content_.push_back(static_cast<char>('a' + i % 26));
        packagePath_ = (root_ / "package.scr").string();
        std::ofstream(packagePath_, std::ios::binary) << content_;
        package_ = std::make_unique<StdInputFile>(packagePath_);
    }
    void TearDown() override {
        package_.reset();
        fs::remove_all(root_);
    }

    std::string Read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::string Bytes(int offset, int size) { return content_.substr(offset, size); }

    fs::path root_;
    std::string tempDir_, sysDir_, packagePath_, content_;
    std::unique_ptr<InputFile> package_;
    StdTargetFiles files_;
    TSSFileLocations settings_;
};

// Remembers the largest piece read at once.
class PieceCountingFile : public InputFile {
  public:
    explicit PieceCountingFile(InputFile& inner) : inner_(inner) {}
    int64_t Size() override { return inner_.Size(); }
    void Seek(int64_t position) override { inner_.Seek(position); }
    size_t Read(void* buffer, size_t count) override {
        largest = std::max(largest, count);
        ++reads;
        return inner_.Read(buffer, count);
    }
    size_t largest = 0;
    int reads = 0;

  private:
    InputFile& inner_;
};

TEST_F(ExtractTest, CopiesRangesThroughAFixedBuffer) {
    // Larger than one buffer, so the copy takes several pieces.
    std::string big(kEmbeddedCopyBuffer * 2 + 17, 'x');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7);
    std::ofstream((root_ / "big.bin").string(), std::ios::binary) << big;
    StdInputFile source((root_ / "big.bin").string());
    PieceCountingFile counting(source);

    ExtractEmbeddedFile(counting, 5, static_cast<int64_t>(big.size()) - 5, (root_ / "out.bin").string(), files_);
    EXPECT_EQ(Read(root_ / "out.bin"), big.substr(5));
    EXPECT_EQ(counting.largest, static_cast<size_t>(kEmbeddedCopyBuffer));
    EXPECT_EQ(counting.reads, 3);
}

TEST_F(ExtractTest, WritesEveryKindWhereItBelongs) {
    settings_.SndCommaList.SetText("1000,10");
    settings_.SndFileNamesCommaList.SetText("one.wav,two.wav");
    settings_.SndSizesCommaList.SetText("0,20");
    settings_.FlashCommaList.SetText("100,200");
    settings_.FlashFileNamesCommaList.SetText("\"my show.slides\",PPTVIEW.EXE");
    settings_.FlashSizesCommaList.SetText("30,40");
    settings_.HookPosition = 500;
    settings_.HookSize = 50;

    std::vector<std::string> written;
    WriteSoundFiles(settings_, *package_, tempDir_, files_, written, NoLeadBytes);
    WritePresentationFiles(settings_, *package_, tempDir_, files_, NoLeadBytes);
    WriteHookLibrary(settings_, *package_, sysDir_, files_, NoLeadBytes);

    EXPECT_EQ(Read(root_ / "temp" / "one.wav"), "");  // size 0: an empty file
    EXPECT_TRUE(fs::exists(root_ / "temp" / "one.wav"));
    EXPECT_EQ(Read(root_ / "temp" / "two.wav"), Bytes(10, 20));
    EXPECT_EQ(Read(root_ / "temp" / "my show.slides"), Bytes(100, 30));
    EXPECT_EQ(Read(root_ / "temp" / "PPTVIEW.EXE"), Bytes(200, 40));
    EXPECT_EQ(Read(root_ / "sys" / "orlscrhook.dll"), Bytes(500, 50));
    EXPECT_EQ(written, (std::vector<std::string>{tempDir_ + "one.wav", tempDir_ + "two.wav"}));

    // At the end only the sound tracks go.
    DeleteFiles(written, files_);
    EXPECT_FALSE(fs::exists(root_ / "temp" / "one.wav"));
    EXPECT_FALSE(fs::exists(root_ / "temp" / "two.wav"));
    EXPECT_TRUE(fs::exists(root_ / "temp" / "PPTVIEW.EXE"));
    EXPECT_TRUE(fs::exists(root_ / "sys" / "orlscrhook.dll"));
}

TEST_F(ExtractTest, OverwritesAFileOfAnEarlierRun) {
    std::ofstream((root_ / "temp" / "doc.slides").string(), std::ios::binary) << std::string(500, 'Z');
    settings_.FlashCommaList.SetText("0");
    settings_.FlashFileNamesCommaList.SetText("doc.slides");
    settings_.FlashSizesCommaList.SetText("5");
    WritePresentationFiles(settings_, *package_, tempDir_, files_, NoLeadBytes);
    EXPECT_EQ(Read(root_ / "temp" / "doc.slides"), "abcde");
}

TEST_F(ExtractTest, ShortPackageLeavesThePartialFile) {
    settings_.SndCommaList.SetText("990");
    settings_.SndFileNamesCommaList.SetText("cut.wav");
    settings_.SndSizesCommaList.SetText("100");
    std::vector<std::string> written;
    EXPECT_ERROR_MSG(WriteSoundFiles(settings_, *package_, tempDir_, files_, written, NoLeadBytes), "Stream read error");
    EXPECT_TRUE(fs::exists(root_ / "temp" / "cut.wav"));
    EXPECT_EQ(written.size(), 1u);  // still deleted at the end of the run

    // Presentation files and the hook library pass copy errors on as well.
    TSSFileLocations flash;
    flash.FlashCommaList.SetText("2000");
    flash.FlashFileNamesCommaList.SetText("far.bin");
    flash.FlashSizesCommaList.SetText("1");
    EXPECT_ERROR_MSG(WritePresentationFiles(flash, *package_, tempDir_, files_, NoLeadBytes), "Stream read error");
    TSSFileLocations hook;
    hook.HookPosition = -5;
    hook.HookSize = 10;
    EXPECT_ERROR_MSG(WriteHookLibrary(hook, *package_, sysDir_, files_, NoLeadBytes), "Stream read error");
}

TEST_F(ExtractTest, MissingListItems) {
    // A presentation entry without a name is skipped; the rest are written.
    settings_.FlashCommaList.SetText("0,10,20");
    settings_.FlashFileNamesCommaList.SetText("a.bin");
    settings_.FlashSizesCommaList.SetText("1,1,1");
    WritePresentationFiles(settings_, *package_, tempDir_, files_, NoLeadBytes);
    EXPECT_EQ(Read(root_ / "temp" / "a.bin"), "a");

    // A sound entry without a name or a size ends the start-up.
    TSSFileLocations sound;
    sound.SndCommaList.SetText("0,10");
    sound.SndFileNamesCommaList.SetText("x.wav,y.wav");
    sound.SndSizesCommaList.SetText("1");
    std::vector<std::string> written;
    EXPECT_ERROR_MSG(WriteSoundFiles(sound, *package_, tempDir_, files_, written, NoLeadBytes), "Index is out of bounds");
    sound.SndFileNamesCommaList.SetText("x.wav");
    sound.SndSizesCommaList.SetText("1,1");
    EXPECT_ERROR_MSG(WriteSoundFiles(sound, *package_, tempDir_, files_, written, NoLeadBytes), "Index is out of bounds");
}

TEST_F(ExtractTest, NamesWithAFolderPartAreNeverWrittenOutsideTheFolder) {
    fs::create_directories(root_ / "temp" / "a");
    settings_.FlashCommaList.SetText("0,0,0,0,0,0,0,0,0");
    settings_.FlashFileNamesCommaList.SetText("..\\..\\x.exe,C:\\x,a/b,C:,.,..,\"\",NUL,ok.bin");
    settings_.FlashSizesCommaList.SetText("3,3,3,3,3,3,3,3,3");
    WritePresentationFiles(settings_, *package_, tempDir_, files_, NoLeadBytes);
    EXPECT_EQ(Read(root_ / "temp" / "ok.bin"), "abc");
    // The only file written is the plain one (and the folder made above).
    int entries = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root_))
        entries += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(entries, 2);  // package.scr and ok.bin

    // For sound tracks such a name ends the start-up like any uncreatable file.
    TSSFileLocations sound;
    sound.SndCommaList.SetText("0");
    sound.SndFileNamesCommaList.SetText("..\\evil.wav");
    sound.SndSizesCommaList.SetText("1");
    std::vector<std::string> written;
    EXPECT_ERROR_MSG(WriteSoundFiles(sound, *package_, tempDir_, files_, written, NoLeadBytes),
                     "Cannot create file " + tempDir_ + "..\\evil.wav");
    EXPECT_TRUE(written.empty());
}

TEST_F(ExtractTest, UncreatableTargetsFollowThePolicyOfTheirKind) {
    fs::create_directories(root_ / "temp" / "taken");  // a folder where a file should go
    settings_.FlashCommaList.SetText("0,1");
    settings_.FlashFileNamesCommaList.SetText("taken,next.bin");
    settings_.FlashSizesCommaList.SetText("1,1");
    WritePresentationFiles(settings_, *package_, tempDir_, files_, NoLeadBytes);
    EXPECT_EQ(Read(root_ / "temp" / "next.bin"), "b");

    TSSFileLocations hook;
    hook.HookSize = 4;
    WriteHookLibrary(hook, *package_, (root_ / "missing").string(), files_, NoLeadBytes);  // skipped quietly

    TSSFileLocations sound;
    sound.SndCommaList.SetText("0");
    sound.SndFileNamesCommaList.SetText("taken");
    sound.SndSizesCommaList.SetText("1");
    std::vector<std::string> written;
    EXPECT_ERROR_MSG(WriteSoundFiles(sound, *package_, tempDir_, files_, written, NoLeadBytes),
                     "Cannot create file " + tempDir_ + "taken");
}

TEST_F(ExtractTest, PackageWithoutHookLibraryKeepsTheOneThere) {
    std::ofstream((root_ / "sys" / "orlscrhook.dll").string(), std::ios::binary) << "working";
    WriteHookLibrary(settings_, *package_, sysDir_, files_, NoLeadBytes);  // HookSize 0
    EXPECT_EQ(Read(root_ / "sys" / "orlscrhook.dll"), "working");
}

TEST_F(ExtractTest, HookLibraryIsReplacedOnlyByACompleteCopy) {
    std::ofstream((root_ / "sys" / "orlscrhook.dll").string(), std::ios::binary) << "working";
    TSSFileLocations hook;
    hook.HookPosition = 990;
    hook.HookSize = 100;  // runs past the end of the package
    EXPECT_ERROR_MSG(WriteHookLibrary(hook, *package_, sysDir_, files_, NoLeadBytes), "Stream read error");
    EXPECT_EQ(Read(root_ / "sys" / "orlscrhook.dll"), "working");
    EXPECT_EQ(std::distance(fs::directory_iterator(root_ / "sys"), fs::directory_iterator()), 1);  // nothing partial

    hook.HookPosition = 10;
    hook.HookSize = 5;
    EXPECT_TRUE(WriteHookLibrary(hook, *package_, sysDir_, files_, NoLeadBytes));
    EXPECT_EQ(Read(root_ / "sys" / "orlscrhook.dll"), Bytes(10, 5));
    EXPECT_EQ(std::distance(fs::directory_iterator(root_ / "sys"), fs::directory_iterator()), 1);
}

TEST_F(ExtractTest, HookLibraryPassesOverAFolderWhereItCannotGo) {
    fs::create_directories(root_ / "sys" / "orlscrhook.dll");  // something of its name in the way
    TSSFileLocations hook;
    hook.HookSize = 4;
    EXPECT_FALSE(WriteHookLibrary(hook, *package_, sysDir_, files_, NoLeadBytes));
    EXPECT_TRUE(fs::is_directory(root_ / "sys" / "orlscrhook.dll"));
    EXPECT_EQ(std::distance(fs::directory_iterator(root_ / "sys"), fs::directory_iterator()), 1);
    EXPECT_FALSE(WriteHookLibrary(hook, *package_, (root_ / "missing").string(), files_, NoLeadBytes));
    EXPECT_TRUE(WriteHookLibrary(hook, *package_, tempDir_, files_, NoLeadBytes));
    EXPECT_EQ(Read(root_ / "temp" / "orlscrhook.dll"), "abcd");
}

// The library in place cannot be replaced, as when another run has it loaded.
class LibraryInUseFiles : public StdTargetFiles {
  public:
    bool Replace(const std::string&, const std::string&) override { return false; }
};

TEST_F(ExtractTest, HookLibraryInUseIsTakenWhenItHoldsTheSameBytes) {
    LibraryInUseFiles inUse;
    TSSFileLocations hook;
    hook.HookPosition = 10;
    hook.HookSize = 5;
    std::ofstream((root_ / "sys" / "orlscrhook.dll").string(), std::ios::binary) << Bytes(10, 5);
    EXPECT_TRUE(WriteHookLibrary(hook, *package_, sysDir_, inUse, NoLeadBytes));
    EXPECT_EQ(std::distance(fs::directory_iterator(root_ / "sys"), fs::directory_iterator()), 1);

    // Another library, or the same one with a byte more, is not.
    for (const std::string& other : {Bytes(11, 5), Bytes(10, 6)}) {
        std::ofstream((root_ / "sys" / "orlscrhook.dll").string(), std::ios::binary) << other;
        EXPECT_FALSE(WriteHookLibrary(hook, *package_, sysDir_, inUse, NoLeadBytes));
        EXPECT_EQ(Read(root_ / "sys" / "orlscrhook.dll"), other);
        EXPECT_EQ(std::distance(fs::directory_iterator(root_ / "sys"), fs::directory_iterator()), 1);
    }
}

TEST(PlainFileName, TellsNamesThatStayInTheirFolder) {
    for (const char* good : {"screen.ppt", "PPTVIEW.EXE", "my show.slides", "a..b", ".hidden", "CONSOLE.TXT", "COM10"})
        EXPECT_TRUE(IsPlainFileName(good)) << good;
    for (const char* bad : {"", ".", "..", "...", " . ", "a\\b", "a/b", "C:", "C:x", "x:stream", "nul", "Con.txt",
                            "COM1", "lpt9.dat", "tab\tname"})
        EXPECT_FALSE(IsPlainFileName(bad)) << bad;
    // A trail byte that looks like a backslash belongs to its character.
    const std::string dbcs = std::string("a\x81\x5C") + "b";
    EXPECT_FALSE(IsPlainFileName(dbcs));
    EXPECT_TRUE(IsPlainFileName(dbcs, [](unsigned char c) { return c >= 0x81 && c <= 0x9F; }));
}

}  // namespace
}  // namespace orlscr
