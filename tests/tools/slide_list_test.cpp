#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "builder/slide_list.h"
#include "support/expect_error.h"
#include "support/temp_folder.h"
#include "support/test_pictures.h"
#include "tools/slideview/command_line.h"
#include "tools/slideview/slide_show.h"

namespace orlscr {
namespace {

using testing::TempFolder;
using testing::SolidColour;
using testing::PixelAt;

namespace fs = std::filesystem;

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
            slides.back().fileName = name;
        }
        return slides;
    }

    // Loads a 1 x 1 picture whose blue value is the slide's place in the list,
    // and fails for the names in `broken_`.
    SlideSequence::Loader Loader() {
        return [this](const Slide& slide) {
            loads_.push_back(slide.fileName);
            for (const std::string& broken : broken_)
                if (slide.fileName == broken)
                    throw Error(broken + ": damaged");
            return SolidColour(1, 1, static_cast<uint8_t>(slide.fileName[0]), 0, 0);
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
        const std::optional<size_t> upcoming = show.Upcoming();
        std::optional<size_t> index = show.Advance(Loader(), picture);
        ASSERT_TRUE(index);
        if (i >= 3) {  // the broken ones are known by then
            EXPECT_EQ(upcoming, index);
        }
        EXPECT_EQ(PixelAt(picture, 0, 0)[0], show.Slides()[*index].fileName[0]);
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
    slide.options.style = 0;
    EXPECT_EQ(ChooseTransitionStyle(slide, 57, random), 0);
    slide.options.style = 57;
    EXPECT_EQ(ChooseTransitionStyle(slide, 57, random), 57);
    EXPECT_EQ(random.State(), 0u);  // nothing drawn for a slide with its own style

    slide.options.style = 90;  // not built: drawn instead
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
