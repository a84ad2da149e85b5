#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>

#include "builder/package_report.h"
#include "picture/decode.h"
#include "support/temp_folder.h"
#include "support/test_pictures.h"
#include "tools/studio/project_file.h"
#include "tools/studio/studio_build.h"
#include "tools/studio/studio_model.h"

namespace orlscr::studio {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

const std::string kBmp = [] {
    const std::vector<uint8_t> bytes = EncodeBmp(orlscr::testing::Solid(4, 4, 200));
    return std::string(bytes.begin(), bytes.end());
}();

std::vector<std::string> Names(const StudioProject& p) {
    std::vector<std::string> names;
    for (const StudioSlide& slide : p.slides)
        names.push_back(FileNameOf(slide.path));
    return names;
}

class StudioTest : public ::testing::Test {
  protected:
    std::string Picture(const std::string& name) { return folder_.Write(name, kBmp); }
    orlscr::testing::TempFolder folder_;
};

TEST_F(StudioTest, AddedFilesAreCheckedAndRefusalsKeptWithTheirReason) {
    StudioProject p;
    AddPictures(p, {Picture("a.bmp"), folder_.Write("notes.txt", "hello"), folder_.Path("gone.jpg"),
                    folder_.Write("cut.bmp", kBmp.substr(0, 80)), folder_.Write("Talk.PPTX", "rendered at build")});
    ASSERT_EQ(p.slides.size(), 5u);
    EXPECT_EQ(p.slides[0].refusal, "");
    EXPECT_EQ(p.slides[0].extension, "bmp");
    EXPECT_EQ(p.slides[1].refusal, kNotAPicture);
    EXPECT_EQ(p.slides[2].refusal, kMissingPicture);
    EXPECT_NE(p.slides[3].refusal, "");  // damaged: refused with the damage named
    EXPECT_EQ(p.slides[4].refusal, "");     // a presentation: its slides are rendered by the build
    EXPECT_EQ(p.slides[4].extension, "pptx");
    EXPECT_EQ(ShownSlides(p).size(), 2u);
}

TEST_F(StudioTest, FolderIsListedInNaturalOrderWithoutHiddenFiles) {
    std::filesystem::create_directories(folder_.Path("sub"));
    for (const char* name : {"10.bmp", "2.bmp", "B1.bmp", ".hidden.bmp", "sub/1.bmp"})
        Picture(name);
    std::vector<std::string> flat = FilesOfFolder(folder_.Path(""), false);
    StudioProject p;
    AddPictures(p, flat);
    EXPECT_THAT(Names(p), ElementsAre("2.bmp", "10.bmp", "B1.bmp"));
    EXPECT_EQ(FilesOfFolder(folder_.Path(""), true).size(), 4u);
}

TEST_F(StudioTest, RemovingAndMovingKeepTheRestInOrder) {
    StudioProject p;
    for (const char* n : {"a", "b", "c", "d", "e"})
        p.slides.push_back(StudioSlide{n, {}, "", "jpg"});
    EXPECT_THAT(MoveSlides(p, {1, 2}, +1), ElementsAre(2u, 3u));
    EXPECT_THAT(Names(p), ElementsAre("a", "d", "b", "c", "e"));
    EXPECT_THAT(MoveSlides(p, {0}, -1), ElementsAre(0u));  // already first: stays
    EXPECT_THAT(MoveSlides(p, {4}, +1), ElementsAre(4u));
    EXPECT_THAT(MoveSlidesTo(p, {3, 0}, 5), ElementsAre(3u, 4u));
    EXPECT_THAT(Names(p), ElementsAre("d", "b", "e", "a", "c"));
    RemoveSlides(p, {4, 0, 0, 9});
    EXPECT_THAT(Names(p), ElementsAre("b", "e", "a"));
}

TEST_F(StudioTest, OptionsMapToTheBuildersOptionNames) {
    StudioProject p;
    p.slides = {{"/p/10.jpg", {}, "", "jpg"}, {"/p/bad.jpg", {}, "not a picture", ""}, {"/p/9.jpg", {}, "", "jpg"}};
    p.order = ShowOrder::kNatural;
    p.show.fit = SlideFit::kCover;
    p.show.durationMs = 7000;
    p.show.style = 12;
    p.exitOnMove = false;
    p.exitOnClick = true;
    p.title = "Summer";
    p.musicOrder = MusicOrder::kRandomOnce;
    p.music = {{"/m/a.mp3", ""}};
    const CommandLine o = BuildOptions(p, "/out/s.scr");
    EXPECT_THAT(o.positional, ElementsAre("/p/9.jpg", "/p/10.jpg"));
    EXPECT_EQ(o.Last("order"), "name");
    EXPECT_EQ(o.Last("fit"), "cover");
    EXPECT_EQ(o.Last("duration"), "7000");
    EXPECT_EQ(o.Last("style"), "12");
    EXPECT_FALSE(o.Given("transition"));
    EXPECT_EQ(o.Last("exit"), "click,key");
    EXPECT_EQ(o.Last("title"), "Summer");
    EXPECT_EQ(o.Last("music-order"), "random-once");
    EXPECT_THAT(o.All("sound"), ElementsAre("/m/a.mp3"));
    p.exitOnClick = p.exitOnKey = false;
    p.order = ShowOrder::kShuffle;
    EXPECT_EQ(BuildOptions(p, "x").Last("exit"), "none");
    EXPECT_EQ(BuildOptions(p, "x").Last("order"), "shuffle");
}

TEST_F(StudioTest, ProjectFileReadsBackEqualAndKeepsMissingPictures) {
    StudioProject p;
    AddPictures(p, {Picture("one.bmp"), Picture("two words.bmp"), folder_.Path("moved.jpg")});
    p.slides[1].options.durationMs = 8000;
    p.slides[1].options.style = 5;
    p.show.transitionMs = 0;
    p.show.fit = SlideFit::kContain;
    p.order = ShowOrder::kDateTaken;
    AddMusic(p, {folder_.Write("song.wav", "not a wave")});
    p.musicOrder = MusicOrder::kRandom;
    p.mute = true;
    p.exitOnKey = false;
    p.showCursor = true;
    p.title = "Caf\xc3\xa9 d\xc3\xa9mo";
    p.author = "A. Person";
    p.email = "a@b.c";
    p.web = "https://x.example";
    p.previewPicture = folder_.Path("one.bmp");
    ASSERT_NE(p.music[0].warning, "");

    const std::string text = WriteProject(p);
    EXPECT_TRUE(LooksLikeProject(text));
    const ReadProjectResult back = ParseProject(text);
    EXPECT_THAT(back.problems, ElementsAre());
    EXPECT_EQ(back.project, p);
    EXPECT_EQ(back.project.slides[2].refusal, kMissingPicture);
    EXPECT_EQ(back.project.slides[2].path, folder_.Path("moved.jpg"));

    // Defaults read back as defaults.
    EXPECT_EQ(ParseProject(WriteProject(StudioProject{})).project, StudioProject{});
}

TEST_F(StudioTest, ProjectLinesThatCannotBeUsedAreNamed) {
    const ReadProjectResult r =
        ParseProject("# orlscr studio project\n\"" + Picture("a.bmp") +
                     "\" duration=0 speed=3\n\"unclosed\nplain.jpg\n@order sideways\n@colour red\n@exit move,wiggle\n");
    ASSERT_EQ(r.project.slides.size(), 1u);
    EXPECT_FALSE(r.project.slides[0].options.durationMs);
    EXPECT_EQ(r.problems.size(), 7u);
    EXPECT_THAT(r.problems.front(), HasSubstr("line 2: "));
    EXPECT_TRUE(r.project.exitOnMove);
    EXPECT_FALSE(r.project.exitOnKey);
}

TEST_F(StudioTest, BuildStoresTheShownSlidesWithTheirOwnOptionsAndCancelLeavesNoFile) {
    const std::string programs = folder_.Path("programs");
    std::filesystem::create_directories(programs);
    folder_.Write("programs/player.scr", "MZ" + std::string(500, 'p'));
    folder_.Write("programs/slideview.exe", "MZ viewer");
    StudioProject p;
    AddPictures(p, {Picture("b.bmp"), folder_.Write("junk.bmp", "junk"), Picture("a.bmp")});
    p.slides[2].options.durationMs = 9000;
    p.title = "Show";
    std::atomic<bool> cancel{false};
    // The build has no hook library unless one lies beside it.
    folder_.Write("programs/orlscrhook.dll", "MZ hook");
    const std::string out = folder_.Path("s.scr");
    const BuildOutcome built = BuildProject(p, out, programs, cancel);
    ASSERT_TRUE(built.ok) << built.error;
    EXPECT_THAT(built.report, ::testing::Contains(HasSubstr("wrote " + out)));
    std::ostringstream json, err;
    ASSERT_EQ(mkscr::Inspect(out, true, json, err), 0) << err.str();
    EXPECT_THAT(json.str(), HasSubstr("show.slides"));
    EXPECT_THAT(json.str(), HasSubstr("\"Title\": \"Show\""));
    std::ifstream file(out, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_THAT(bytes, HasSubstr("b.bmp\r\na.bmp duration=9000\r\n"));

    // Pictures not checked yet are checked by the build; a refused one is not stored.
    StudioProject pending;
    pending.slides = {UncheckedSlide(folder_.Path("a.bmp")), UncheckedSlide(folder_.Path("junk.bmp"))};
    const BuildOutcome checkedFirst = BuildProject(pending, folder_.Path("p.scr"), programs, cancel);
    ASSERT_TRUE(checkedFirst.ok) << checkedFirst.error;
    EXPECT_THAT(checkedFirst.report, ::testing::Contains(HasSubstr("1 slide in show.slides")));

    const std::string cancelled = folder_.Path("c.scr");
    cancel = true;
    const BuildOutcome stopped = BuildProject(p, cancelled, programs, cancel);
    EXPECT_FALSE(stopped.ok);
    EXPECT_TRUE(stopped.cancelled);
    EXPECT_FALSE(std::filesystem::exists(cancelled));
}

}  // namespace
}  // namespace orlscr::studio
