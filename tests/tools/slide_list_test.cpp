#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/expect_error.h"
#include "tools/slideview/command_line.h"
#include "tools/slideview/slide_list.h"
#include "tools/slideview/slide_show.h"

namespace orlscr {
namespace {

namespace fs = std::filesystem;

// A folder of its own under the system's temporary folder, removed at the end.
class TempFolder {
  public:
    TempFolder() {
        path_ = fs::temp_directory_path() /
                ("slideview_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TempFolder() { fs::remove_all(path_); }

    std::string Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(path_ / name, std::ios::binary) << bytes;
        return (path_ / name).string();
    }
    std::string Path(const std::string& name) const { return (path_ / name).string(); }

  private:
    fs::path path_;
};

Bitmap Solid(int32_t width, int32_t height, uint8_t b, uint8_t g, uint8_t r) {
    Bitmap bitmap(width, height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            bitmap.Row(y)[x * 3] = b;
            bitmap.Row(y)[x * 3 + 1] = g;
            bitmap.Row(y)[x * 3 + 2] = r;
        }
    return bitmap;
}

std::vector<int> Pixel(const Bitmap& bitmap, int32_t x, int32_t y) {
    const uint8_t* p = bitmap.Row(y) + x * 3;
    return {p[0], p[1], p[2]};
}

// ---------------------------------------------------------------------------
// The slide list text

TEST(SlideListParse, ReadsNamesOptionsAndDefaults) {
    SlideList list = ParseSlideList(
        "\xEF\xBB\xBF# opening comment\r\n"
        "\r\n"
        "title.jpg\r\n"
        "   # indented comment\n"
        "\t\"second slide.bmp\"   duration=8000\tSTYLE=5  \r"
        "third.jpg style=0 Duration=1\n"
        "last.bmp duration=86400000 style=127");
    EXPECT_TRUE(list.problems.empty());
    ASSERT_EQ(list.slides.size(), 4u);

    EXPECT_EQ(list.slides[0].file_name, "title.jpg");
    EXPECT_EQ(list.slides[0].duration_ms, 5000);
    EXPECT_FALSE(list.slides[0].style.has_value());
    EXPECT_EQ(list.slides[0].line, 3);

    EXPECT_EQ(list.slides[1].file_name, "second slide.bmp");
    EXPECT_EQ(list.slides[1].duration_ms, 8000);
    EXPECT_EQ(list.slides[1].style, 5);
    EXPECT_EQ(list.slides[1].line, 5);

    EXPECT_EQ(list.slides[2].style, 0);
    EXPECT_EQ(list.slides[2].duration_ms, 1);
    EXPECT_EQ(list.slides[2].line, 6);

    EXPECT_EQ(list.slides[3].duration_ms, 86400000);
    EXPECT_EQ(list.slides[3].style, 127);
}

TEST(SlideListParse, UnquotedNameWithBlanksRunsUpToTheFirstOption) {
    SlideList list = ParseSlideList("my  holiday photo.jpg duration=3000\nx=y.jpg\n\"#1.jpg\"");
    EXPECT_TRUE(list.problems.empty());
    ASSERT_EQ(list.slides.size(), 3u);
    EXPECT_EQ(list.slides[0].file_name, "my  holiday photo.jpg");
    EXPECT_EQ(list.slides[0].duration_ms, 3000);
    EXPECT_EQ(list.slides[1].file_name, "x=y.jpg");  // the first word is always the name
    EXPECT_EQ(list.slides[2].file_name, "#1.jpg");
}

TEST(SlideListParse, UnusableOptionIsReportedAndTheSlideKeepsItsDefault) {
    SlideList list = ParseSlideList(
        "a.jpg duration=0 style=128\n"
        "b.jpg duration=fast style=-1 speed=2 duration\n"
        "c.jpg duration=99999999999 style=7 stray");
    ASSERT_EQ(list.slides.size(), 3u);
    EXPECT_EQ(list.slides[0].duration_ms, 5000);
    EXPECT_FALSE(list.slides[0].style.has_value());
    EXPECT_EQ(list.slides[1].duration_ms, 5000);
    EXPECT_EQ(list.slides[2].style, 7);
    EXPECT_EQ(list.problems, (std::vector<std::string>{
                                 "line 1: duration must be a number of milliseconds from 1 to 86400000: \"duration=0\"",
                                 "line 1: style must be a number from 0 to 127: \"style=128\"",
                                 "line 2: duration must be a number of milliseconds from 1 to 86400000: "
                                 "\"duration=fast\"",
                                 "line 2: style must be a number from 0 to 127: \"style=-1\"",
                                 "line 2: unknown option \"speed=2\"",
                                 "line 2: unknown option \"duration\"",
                                 "line 3: duration must be a number of milliseconds from 1 to 86400000: "
                                 "\"duration=99999999999\"",
                                 "line 3: unknown option \"stray\"",
                             }));
}

TEST(SlideListParse, LineThatNamesNoSlideIsSkippedAndTheRestStillCounts) {
    const std::string overlong(kMaxSlideListLine + 1, 'a');
    SlideList list = ParseSlideList(
        "\"open.jpg duration=10\n"
        "\"\" style=3\n"
        "..\\secret.bmp\n"
        "C:x.jpg\n"
        "sub/a.jpg\n"
        "..\n"
        "bad\x01name.jpg\n" +
        overlong + "\n" + std::string(kMaxSlideListLine, 'b') + "\ngood.jpg");
    ASSERT_EQ(list.slides.size(), 2u);
    EXPECT_EQ(list.slides[0].file_name, std::string(kMaxSlideListLine, 'b'));
    EXPECT_EQ(list.slides[1].file_name, "good.jpg");
    EXPECT_EQ(list.slides[1].line, 10);
    EXPECT_EQ(list.problems, (std::vector<std::string>{
                                 "line 1: the closing quote of the slide name is missing",
                                 "line 2: the slide name is empty",
                                 "line 3: \"..\\secret.bmp\" names a folder; a slide must lie beside the slide list",
                                 "line 4: \"C:x.jpg\" names a folder; a slide must lie beside the slide list",
                                 "line 5: \"sub/a.jpg\" names a folder; a slide must lie beside the slide list",
                                 "line 6: \"..\" names a folder; a slide must lie beside the slide list",
                                 "line 7: the slide name holds a control character",
                                 "line 8: longer than 1024 characters",
                             }));
}

TEST(SlideListParse, SlideOptionsFitTransitionAndUpscale) {
    SlideList list = ParseSlideList(
        "a.jpg fit=cover transition=250 upscale=1\r\n"
        "b.jpg FIT=Contain TRANSITION=0 Upscale=3\r\n"
        "c.jpg\r\n");
    EXPECT_TRUE(list.problems.empty());
    ASSERT_EQ(list.slides.size(), 3u);
    EXPECT_EQ(list.slides[0].fit, SlideFit::kCover);
    EXPECT_EQ(list.slides[0].transition_ms, 250);
    EXPECT_EQ(list.slides[0].upscale, 1);
    EXPECT_EQ(list.slides[1].fit, SlideFit::kContain);
    EXPECT_EQ(list.slides[1].transition_ms, 0);
    EXPECT_EQ(list.slides[1].upscale, 3);
    EXPECT_EQ(list.slides[2].fit, SlideFit::kContain);
    EXPECT_EQ(list.slides[2].transition_ms, 1000);
    EXPECT_EQ(list.slides[2].upscale, 2);
    EXPECT_EQ(list.show.order, SlideOrder::kList);
    EXPECT_FALSE(list.show.seed.has_value());
    EXPECT_FALSE(list.show.hide_cursor);
}

TEST(SlideListParse, ShowLinesSetDefaultsForEverySlideAndTheShowOptions) {
    // As mkscr writes it, and a second show line further down that overrides
    // one key and counts for the slides above it too.
    SlideList list = ParseSlideList(
        "# slides made by mkscr\r\n"
        "! order=shuffle fit=cover transition=1200 upscale=4 cursor=hidden seed=42 duration=7000 style=9\r\n"
        "a.jpg\r\n"
        "b.jpg fit=contain style=3 duration=100 transition=50 upscale=1\r\n"
        "\"!bang.jpg\"\r\n"
        "  !transition=300 SEED=4294967295 Cursor=Shown ORDER=List\r\n");
    EXPECT_TRUE(list.problems.empty()) << list.problems.front();
    ASSERT_EQ(list.slides.size(), 3u);
    const Slide& a = list.slides[0];
    EXPECT_EQ(a.fit, SlideFit::kCover);
    EXPECT_EQ(a.transition_ms, 300);
    EXPECT_EQ(a.upscale, 4);
    EXPECT_EQ(a.duration_ms, 7000);
    EXPECT_EQ(a.style, 9);
    EXPECT_EQ(a.line, 3);
    const Slide& b = list.slides[1];  // its own options win
    EXPECT_EQ(b.fit, SlideFit::kContain);
    EXPECT_EQ(b.style, 3);
    EXPECT_EQ(b.duration_ms, 100);
    EXPECT_EQ(b.transition_ms, 50);
    EXPECT_EQ(b.upscale, 1);
    EXPECT_EQ(list.slides[2].file_name, "!bang.jpg");
    EXPECT_EQ(list.slides[2].transition_ms, 300);
    EXPECT_EQ(list.show.order, SlideOrder::kList);
    EXPECT_EQ(list.show.seed, 4294967295u);
    EXPECT_FALSE(list.show.hide_cursor);

    SlideList hidden = ParseSlideList("!cursor=hidden order=shuffle seed=0\nx.jpg\n!\n");
    EXPECT_TRUE(hidden.problems.empty());
    EXPECT_TRUE(hidden.show.hide_cursor);
    EXPECT_EQ(hidden.show.order, SlideOrder::kShuffle);
    EXPECT_EQ(hidden.show.seed, 0u);
}

TEST(SlideListParse, BadShowAndSlideOptionsAreProblemsOfTheirLineOnly) {
    SlideList list = ParseSlideList(
        "! order=random seed=-1 seed=4294967296 cursor=off fit=stretch transition=-5 upscale=0 speed=2 shuffle\n"
        "a.jpg fit= upscale=1.5 transition=86400001 order=shuffle seed=1 cursor=hidden\n"
        "! fit=cover seed=7\n");
    ASSERT_EQ(list.slides.size(), 1u);
    EXPECT_EQ(list.slides[0].fit, SlideFit::kCover);  // the good key of the last line still counts
    EXPECT_EQ(list.slides[0].upscale, 2);
    EXPECT_EQ(list.slides[0].transition_ms, 1000);
    EXPECT_EQ(list.show.order, SlideOrder::kList);
    EXPECT_EQ(list.show.seed, 7u);
    EXPECT_FALSE(list.show.hide_cursor);
    EXPECT_EQ(list.problems,
              (std::vector<std::string>{
                  "line 1: order must be list or shuffle: \"order=random\"",
                  "line 1: seed must be a number from 0 to 4294967295: \"seed=-1\"",
                  "line 1: seed must be a number from 0 to 4294967295: \"seed=4294967296\"",
                  "line 1: cursor must be shown or hidden: \"cursor=off\"",
                  "line 1: fit must be contain or cover: \"fit=stretch\"",
                  "line 1: transition must be a number of milliseconds from 0 to 86400000: \"transition=-5\"",
                  "line 1: upscale must be a whole number of at least 1: \"upscale=0\"",
                  "line 1: unknown option \"speed=2\"",
                  "line 1: unknown option \"shuffle\"",
                  "line 2: fit must be contain or cover: \"fit=\"",
                  "line 2: upscale must be a whole number of at least 1: \"upscale=1.5\"",
                  "line 2: transition must be a number of milliseconds from 0 to 86400000: \"transition=86400001\"",
                  "line 2: \"order=shuffle\" counts for the whole show; it belongs on a line that starts with !",
                  "line 2: \"seed=1\" counts for the whole show; it belongs on a line that starts with !",
                  "line 2: \"cursor=hidden\" counts for the whole show; it belongs on a line that starts with !",
              }));
}

TEST(SlideListRead, FileThatCannotBeShownSaysWhy) {
    TempFolder folder;
    EXPECT_ERROR_MSG(ReadSlideList(folder.Path("missing.slides")),
                     "the file cannot be opened (No such file or directory)");
    EXPECT_ERROR_MSG(ReadSlideList(folder.Write("empty.slides", "")), "the file is empty");
    EXPECT_ERROR_MSG(ReadSlideList(folder.Write("notes.slides", "# nothing yet\n\n   \n")), "it names no slide");
    EXPECT_ERROR_MSG(ReadSlideList(folder.Write("bad.slides", "# two bad lines\n\"open.jpg\nx/y.jpg\n")),
                     "it names no usable slide (line 2: the closing quote of the slide name is missing)");
    EXPECT_ERROR_MSG(ReadSlideList(folder.Write("huge.slides", std::string(kMaxSlideListBytes + 1, '#'))),
                     "the file is larger than 1 MB, too large for a slide list");
}

// ---------------------------------------------------------------------------
// The command line

TEST(SlideViewCommandLine, FindsTheDocumentInEveryFormCallersUse) {
    // As the saver starts the viewer.
    EXPECT_EQ(DocumentFromCommandLine("C:\\TEMP\\PPTVIEW.EXE \"C:\\TEMP\\show.slides\" "), "C:\\TEMP\\show.slides");
    // An unquoted program path with blanks, a document with blanks.
    EXPECT_EQ(DocumentFromCommandLine("C:\\Documents and Settings\\me\\Temp\\PPTVIEW.EXE "
                                      "\"C:\\Documents and Settings\\me\\Temp\\my show.slides\" "),
              "C:\\Documents and Settings\\me\\Temp\\my show.slides");
    // A quoted program, extra blanks and tabs.
    EXPECT_EQ(DocumentFromCommandLine("  \"C:\\a b\\slideview.exe\"  \t \"D:\\x.slides\"   "), "D:\\x.slides");
    // Unquoted documents keep their inner blanks.
    EXPECT_EQ(DocumentFromCommandLine("slideview.exe   D:\\my slides\\x.slides  "), "D:\\my slides\\x.slides");
    EXPECT_EQ(DocumentFromCommandLine("viewer D:\\x.slides"), "D:\\x.slides");
    // An unterminated quote runs to the end; what follows a closed one is ignored.
    EXPECT_EQ(DocumentFromCommandLine("v.exe \"D:\\x.slides "), "D:\\x.slides");
    EXPECT_EQ(DocumentFromCommandLine("v.exe \"D:\\x.slides\" /extra"), "D:\\x.slides");
}

TEST(SlideViewCommandLine, NoDocumentGivesAnEmptyPath) {
    EXPECT_EQ(DocumentFromCommandLine(""), "");
    EXPECT_EQ(DocumentFromCommandLine("C:\\TEMP\\PPTVIEW.EXE   "), "");
    EXPECT_EQ(DocumentFromCommandLine("\"C:\\a b\\slideview.exe\""), "");
    EXPECT_EQ(DocumentFromCommandLine("v.exe \"\" "), "");
}

TEST(SlideViewCommandLine, SlidesLieBesideTheList) {
    EXPECT_EQ(SlidePath("C:\\TEMP\\show.slides", "a.jpg"), "C:\\TEMP\\a.jpg");
    EXPECT_EQ(SlidePath("show.slides", "a.jpg"), "a.jpg");
    EXPECT_EQ(SlidePath("D:show.slides", "a.jpg"), "D:a.jpg");
}

// ---------------------------------------------------------------------------
// The running order

class SlideSequenceTest : public ::testing::Test {
  protected:
    static std::vector<Slide> Slides(std::initializer_list<const char*> names) {
        std::vector<Slide> slides;
        for (const char* name : names) {
            slides.emplace_back();
            slides.back().file_name = name;
        }
        return slides;
    }

    // Loads a 1 x 1 picture whose blue value is the slide's place in the list,
    // and fails for the names in `broken_`.
    SlideSequence::Loader Loader() {
        return [this](const Slide& slide) {
            loads_.push_back(slide.file_name);
            for (const std::string& broken : broken_)
                if (slide.file_name == broken)
                    throw Error(broken + ": damaged");
            return Solid(1, 1, static_cast<uint8_t>(slide.file_name[0]), 0, 0);
        };
    }

    std::vector<std::string> broken_;
    std::vector<std::string> loads_;
};

TEST_F(SlideSequenceTest, LoopsAndLeavesOutSlidesThatFailForGood) {
    SlideSequence show(Slides({"a", "b", "c", "d"}));
    broken_ = {"b", "d"};
    Bitmap picture;
    std::vector<size_t> order;
    for (int i = 0; i < 5; ++i) {
        std::optional<size_t> index = show.Advance(Loader(), picture);
        ASSERT_TRUE(index);
        EXPECT_EQ(Pixel(picture, 0, 0)[0], show.Slides()[*index].file_name[0]);
        order.push_back(*index);
    }
    EXPECT_EQ(order, (std::vector<size_t>{0, 2, 0, 2, 0}));
    // Each broken slide was tried once only.
    EXPECT_EQ(loads_, (std::vector<std::string>{"a", "b", "c", "d", "a", "c", "a"}));
}

TEST_F(SlideSequenceTest, OneUsableSlideStaysWithoutReloading) {
    SlideSequence show(Slides({"a", "b"}));
    broken_ = {"b"};
    Bitmap picture;
    EXPECT_EQ(show.Advance(Loader(), picture), 0u);
    picture = Bitmap();
    EXPECT_EQ(show.Advance(Loader(), picture), 0u);
    EXPECT_EQ(show.Advance(Loader(), picture), 0u);
    EXPECT_TRUE(picture.IsEmpty());  // left alone
    EXPECT_EQ(loads_, (std::vector<std::string>{"a", "b"}));
}

TEST_F(SlideSequenceTest, NothingToShowSaysWhy) {
    Bitmap picture;
    SlideSequence none(Slides({"x", "y"}));
    broken_ = {"x", "y"};
    EXPECT_FALSE(none.Advance(Loader(), picture));
    EXPECT_EQ(none.Reason(), "none of its 2 slides can be shown (x: damaged)");
    EXPECT_FALSE(none.Advance(Loader(), picture));

    SlideSequence one(Slides({"x"}));
    EXPECT_FALSE(one.Advance(Loader(), picture));
    EXPECT_EQ(one.Reason(), "its slide cannot be shown (x: damaged)");
}

TEST(SlideTransition, OwnStyleWhenItExistsElseADrawThatIsNeverStyleZero) {
    RandomGenerator random;
    Slide slide;
    slide.style = 0;
    EXPECT_EQ(ChooseTransitionStyle(slide, 57, random), 0);
    slide.style = 57;
    EXPECT_EQ(ChooseTransitionStyle(slide, 57, random), 57);
    EXPECT_EQ(random.State(), 0u);  // nothing drawn for a slide with its own style

    slide.style = 90;  // not built: drawn instead
    std::vector<bool> seen(58, false);
    for (int i = 0; i < 2000; ++i) {
        int32_t style = ChooseTransitionStyle(slide, 57, random);
        ASSERT_GE(style, 1);
        ASSERT_LE(style, 57);
        seen[style] = true;
    }
    EXPECT_EQ(std::count(seen.begin() + 1, seen.end(), true), 57);
    EXPECT_EQ(ChooseTransitionStyle(Slide{}, 0, random), 0);
}

}  // namespace
}  // namespace orlscr
