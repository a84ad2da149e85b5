#include "builder/slide_selection.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <utime.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>

#include "support/expect_error.h"
#include "builder/natural_order.h"
#include "builder/sound_check.h"

namespace orlscr::mkscr {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

TEST(NaturalOrder, NumbersByValueLettersWithoutCase) {
    std::vector<std::string> names{"img10.jpg", "b.jpg", "10.jpg", "IMG9.jpg", "2.jpg",  "a.jpg",
                                   "1.jpg",     "A.jpg", "01.jpg", "photo 10", "photo 2"};
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) { return NaturalLess(a, b); });
    EXPECT_THAT(names, ElementsAre("01.jpg", "1.jpg", "2.jpg", "10.jpg", "A.jpg", "a.jpg", "b.jpg", "IMG9.jpg",
                                   "img10.jpg", "photo 2", "photo 10"));
    // Runs longer than any integer, and a name that is the start of another.
    EXPECT_TRUE(NaturalLess("x99999999999999999999998", "x99999999999999999999999"));
    EXPECT_TRUE(NaturalLess("x9", "x00000000000000000000010"));
    EXPECT_TRUE(NaturalLess("a", "a1"));
    EXPECT_FALSE(NaturalLess("a1", "a1"));
}

// A folder of empty files; what each "is" comes from a fake decoder.
class SelectSlidesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::random_device random;
        dir_ = fs::temp_directory_path() / ("slides_test_" + std::to_string(random()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Add(const std::string& relative, SlidePictureCheck check = {"", "jpg", std::nullopt}) {
        const fs::path path = dir_ / relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path).close();
        checks_[path.string()] = check;
        return path.string();
    }
    std::string Path(const std::string& relative) const { return (dir_ / relative).string(); }

    SlideSelection Select(SlideSearch search = {}, std::vector<std::string> arguments = {}) {
        if (arguments.empty())
            arguments.push_back(dir_.string());
        return SelectSlides(arguments, search, [this](const std::string& path) { return checks_.at(path); });
    }

    static std::vector<std::string> Stored(const SlideSelection& selection) {
        std::vector<std::string> names;
        for (const SelectedSlide& selected : selection.slides)
            names.push_back(selected.slide.fileName);
        return names;
    }

    fs::path dir_;
    std::map<std::string, SlidePictureCheck> checks_;
};

TEST_F(SelectSlidesTest, ReportsEveryFileStoredOrRefusedInNaturalOrder) {
    Add("10.jpg");
    Add("2.png", {"", "png", std::nullopt});
    Add("1.JPG");
    Add("notes.txt", {kNotAPicture, "", std::nullopt});
    Add("deep.jpg", {"12-bit JPEG is not supported", "jpg", std::nullopt});
    Add("sub/3.jpg");

    SlideSearch search;
    search.options.durationMs = 3000;
    const SlideSelection flat = Select(search);
    EXPECT_THAT(flat.report,
                ElementsAre("stored " + Path("1.JPG"), "stored " + Path("2.png"), "stored " + Path("10.jpg"),
                            "refused " + Path("deep.jpg") + ": 12-bit JPEG is not supported",
                            "refused " + Path("notes.txt") + ": not a picture",
                            "passed over the folder " + Path("sub") + " (--recursive takes its pictures too)"));
    EXPECT_THAT(Stored(flat), ElementsAre("1.JPG", "2.png", "10.jpg"));
    EXPECT_EQ(flat.refused, 2);
    EXPECT_EQ(flat.slides[0].path, Path("1.JPG"));
    EXPECT_EQ(flat.slides[0].slide.options.durationMs, 3000);

    search.recursive = true;
    const SlideSelection deep = Select(search);
    EXPECT_EQ(deep.report.back(), "stored " + Path("sub/3.jpg"));
    EXPECT_THAT(Stored(deep), ElementsAre("1.JPG", "2.png", "10.jpg", "3.jpg"));
}

TEST_F(SelectSlidesTest, NamesThePlayerCannotCreateOrThatRepeatGetGeneratedOnes) {
    Add("1.jpg");
    Add("a/1.JPG");
    Add("con.jpg");
    Add("\xE6\x97\xA5\xE6\x9C\xAC.png", {"", "png", std::nullopt});  // outside Windows-1252
    Add("caf\xC3\xA9 \xE2\x82\xAC.jpg");                             // inside it
    Add("tab\there.jpg");
    Add("Show.Slides");
    Add("one.wav");
    SlideSearch search;
    search.recursive = true;
    search.reservedNames = {"ONE.WAV"};
    const SlideSelection selection = Select(search);
    EXPECT_THAT(Stored(selection), ElementsAre("1.jpg", "caf\xE9 \x80.jpg", "slide-0003.jpg", "one~2.wav",
                                               "Show~2.Slides", "slide-0006.jpg", "slide-0007.png", "1~2.JPG"));
    EXPECT_THAT(
        selection.report,
        ElementsAre("stored " + Path("1.jpg"), "stored " + Path("caf\xC3\xA9 \xE2\x82\xAC.jpg"),
                    "stored " + Path("con.jpg") + " as slide-0003.jpg (a name the saver cannot create)",
                    "stored " + Path("one.wav") + " as one~2.wav (an earlier file has that name)",
                    "stored " + Path("Show.Slides") + " as Show~2.Slides (an earlier file has that name)",
                    "stored " + Path("tab\there.jpg") + " as slide-0006.jpg (a name the saver cannot create)",
                    "stored " + Path("\xE6\x97\xA5\xE6\x9C\xAC.png") + " as slide-0007.png (name outside Windows-1252)",
                    "stored " + Path("a/1.JPG") + " as 1~2.JPG (an earlier file has that name)"));
}

TEST_F(SelectSlidesTest, DateOrderTakesTheDateTakenElseTheFileTime) {
    Add("a.jpg", {"", "jpg", "2020:01:01 10:00:00"});
    const std::string b = Add("b.jpg");
    Add("c.jpg", {"", "jpg", "2018:05:05 08:00:00"});
    Add("d.jpg", {"", "jpg", "2020:01:01 10:00:00"});
    struct utimbuf times = {1560000000, 1560000000};  // June 2019
    ASSERT_EQ(utime(b.c_str(), &times), 0);

    SlideSearch search;
    search.order = PictureOrder::Date;
    const SlideSelection selection = Select(search);
    EXPECT_THAT(Stored(selection), ElementsAre("c.jpg", "b.jpg", "a.jpg", "d.jpg"));
    // The report stays in name order.
    EXPECT_EQ(selection.report.front(), "stored " + Path("a.jpg"));

    search.order = PictureOrder::Name;  // also for a show the viewer shuffles
    EXPECT_THAT(Stored(Select(search)), ElementsAre("a.jpg", "b.jpg", "c.jpg", "d.jpg"));
}

TEST_F(SelectSlidesTest, APictureGivenByNameMustBeShownAndSomethingMustBeFound) {
    const std::string text = Add("notes.txt", {kNotAPicture, "", std::nullopt});
    const std::string deep = Add("deep.jpg", {"12-bit JPEG is not supported", "jpg", std::nullopt});
    const std::string good = Add("z.jpg");
    EXPECT_ERROR_MSG(Select({}, {good, text}), "'" + text + "' is not a JPEG or BMP picture (nor PNG or GIF)");
    EXPECT_ERROR_MSG(Select({}, {deep}), "'" + deep + "' cannot be shown: 12-bit JPEG is not supported");
    EXPECT_THAT(Stored(Select({}, {good, Path("z.jpg")})), ElementsAre("z.jpg", "z~2.jpg"));

    fs::remove(good);
    checks_.erase(good);
    EXPECT_ERROR_MSG(Select(), "no JPEG or BMP pictures (nor PNG or GIF) found for the slides");
}

TEST(SoundKind, WavMidiAndMp3ByTheirFirstBytes) {
    using namespace std::string_literals;
    EXPECT_STREQ(SoundKind("RIFF\x24\0\0\0WAVEfmt "s), "WAV");
    EXPECT_STREQ(SoundKind("MThd\0\0\0\x06"s), "MIDI");
    EXPECT_STREQ(SoundKind("RIFF\x24\0\0\0RMIDdata"s), "MIDI");
    EXPECT_STREQ(SoundKind("ID3\x03\0\0\0\0"s), "MP3");
    EXPECT_STREQ(SoundKind("\xFF\xFB\x90\x64"s), "MP3");  // MPEG-1 layer III, 128 kbit/s, 44.1 kHz
    EXPECT_STREQ(SoundKind("\xFF\xF3\x48\xC4"s), "MP3");  // MPEG-2 layer III
    for (const std::string& other : {"OggS\0\x02\0\0"s, "fLaC\0\0\0\x22"s, "RIFF\x24\0\0\0AVI "s, "RIFF"s, ""s,
                                     "\xFF\xFF\xFF\xFF"s,   // reserved layer bits
                                     "\xFF\xFB\xF0\x00"s,   // bit rate index 15
                                     "\xFF\xFB\x9C\x00"s})  // sample rate index 3
        EXPECT_EQ(SoundKind(other), nullptr) << other;
}

}  // namespace
}  // namespace orlscr::mkscr
