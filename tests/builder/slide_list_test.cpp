#include "builder/slide_list.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "support/expect_error.h"
#include "support/temp_folder.h"

namespace orlscr {
namespace {

using testing::TempFolder;

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------
// Reading

TEST(SlideListParse, ReadsNamesOptionsAndDefaults) {
    SlideList list = ParseSlideList(
        "\xEF\xBB\xBF# opening comment\r\n"
        "\r\n"
        "title.jpg\r\n"
        "   # indented comment\n"
        "\t\"second slide.bmp\"   duration=8000\tSTYLE=5  \r"
        "third.jpg style=0 Duration=1\n"
        "last.bmp duration=86400000 style=127");
    const std::vector<Slide> slides = ResolvedSlides(list);
    EXPECT_TRUE(list.problems.empty());
    ASSERT_EQ(slides.size(), 4u);

    EXPECT_EQ(slides[0].fileName, "title.jpg");
    EXPECT_EQ(slides[0].options.durationMs, 5000);
    EXPECT_FALSE(slides[0].options.style.has_value());
    EXPECT_EQ(slides[0].line, 3);

    EXPECT_EQ(slides[1].fileName, "second slide.bmp");
    EXPECT_EQ(slides[1].options.durationMs, 8000);
    EXPECT_EQ(slides[1].options.style, 5);
    EXPECT_EQ(slides[1].line, 5);

    EXPECT_EQ(slides[2].options.style, 0);
    EXPECT_EQ(slides[2].options.durationMs, 1);
    EXPECT_EQ(slides[2].line, 6);

    EXPECT_EQ(slides[3].options.durationMs, 86400000);
    EXPECT_EQ(slides[3].options.style, 127);
}

TEST(SlideListParse, UnquotedNameWithBlanksRunsUpToTheFirstOption) {
    SlideList list = ParseSlideList("my  holiday photo.jpg duration=3000\nx=y.jpg\n\"#1.jpg\"");
    const std::vector<Slide> slides = ResolvedSlides(list);
    EXPECT_TRUE(list.problems.empty());
    ASSERT_EQ(slides.size(), 3u);
    EXPECT_EQ(slides[0].fileName, "my  holiday photo.jpg");
    EXPECT_EQ(slides[0].options.durationMs, 3000);
    EXPECT_EQ(slides[1].fileName, "x=y.jpg");  // the first word is always the name
    EXPECT_EQ(slides[2].fileName, "#1.jpg");
}

TEST(SlideListParse, UnusableOptionIsReportedAndTheSlideKeepsItsDefault) {
    SlideList list = ParseSlideList(
        "a.jpg duration=0 style=128\n"
        "b.jpg duration=fast style=-1 speed=2 duration\n"
        "c.jpg duration=99999999999 style=7 stray");
    const std::vector<Slide> slides = ResolvedSlides(list);
    ASSERT_EQ(slides.size(), 3u);
    EXPECT_EQ(slides[0].options.durationMs, 5000);
    EXPECT_FALSE(slides[0].options.style.has_value());
    EXPECT_EQ(slides[1].options.durationMs, 5000);
    EXPECT_EQ(slides[2].options.style, 7);
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
    const std::vector<Slide> slides = ResolvedSlides(list);
    ASSERT_EQ(slides.size(), 2u);
    EXPECT_EQ(slides[0].fileName, std::string(kMaxSlideListLine, 'b'));
    EXPECT_EQ(slides[1].fileName, "good.jpg");
    EXPECT_EQ(slides[1].line, 10);
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
    const std::vector<Slide> slides = ResolvedSlides(list);
    EXPECT_TRUE(list.problems.empty());
    ASSERT_EQ(slides.size(), 3u);
    EXPECT_EQ(slides[0].options.fit, SlideFit::kCover);
    EXPECT_EQ(slides[0].options.transitionMs, 250);
    EXPECT_EQ(slides[0].options.upscale, 1);
    EXPECT_EQ(slides[1].options.fit, SlideFit::kContain);
    EXPECT_EQ(slides[1].options.transitionMs, 0);
    EXPECT_EQ(slides[1].options.upscale, 3);
    EXPECT_EQ(slides[2].options.fit, SlideFit::kContain);
    EXPECT_EQ(slides[2].options.transitionMs, 1000);
    EXPECT_EQ(slides[2].options.upscale, 2);
    EXPECT_EQ(list.show.order, SlideOrder::kList);
    EXPECT_FALSE(list.show.seed.has_value());
    EXPECT_FALSE(list.show.hideCursor);
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
    const std::vector<Slide> slides = ResolvedSlides(list);
    EXPECT_TRUE(list.problems.empty()) << list.problems.front();
    ASSERT_EQ(slides.size(), 3u);
    const Slide& a = slides[0];
    EXPECT_EQ(a.options.fit, SlideFit::kCover);
    EXPECT_EQ(a.options.transitionMs, 300);
    EXPECT_EQ(a.options.upscale, 4);
    EXPECT_EQ(a.options.durationMs, 7000);
    EXPECT_EQ(a.options.style, 9);
    EXPECT_EQ(a.line, 3);
    const Slide& b = slides[1];  // its own options win
    EXPECT_EQ(b.options.fit, SlideFit::kContain);
    EXPECT_EQ(b.options.style, 3);
    EXPECT_EQ(b.options.durationMs, 100);
    EXPECT_EQ(b.options.transitionMs, 50);
    EXPECT_EQ(b.options.upscale, 1);
    EXPECT_EQ(slides[2].fileName, "!bang.jpg");
    EXPECT_EQ(slides[2].options.transitionMs, 300);
    EXPECT_EQ(list.show.order, SlideOrder::kList);
    EXPECT_EQ(list.show.seed, 4294967295u);
    EXPECT_FALSE(list.show.hideCursor);

    SlideList hidden = ParseSlideList("!cursor=hidden order=shuffle seed=0\nx.jpg\n!\n");
    EXPECT_TRUE(hidden.problems.empty());
    EXPECT_TRUE(hidden.show.hideCursor);
    EXPECT_EQ(hidden.show.order, SlideOrder::kShuffle);
    EXPECT_EQ(hidden.show.seed, 0u);
}

TEST(SlideListParse, BadShowAndSlideOptionsAreProblemsOfTheirLineOnly) {
    SlideList list = ParseSlideList(
        "! order=random seed=-1 seed=4294967296 cursor=off fit=stretch transition=-5 upscale=0 speed=2 shuffle\n"
        "a.jpg fit= upscale=1.5 transition=86400001 order=shuffle seed=1 cursor=hidden\n"
        "! fit=cover seed=7\n");
    const std::vector<Slide> slides = ResolvedSlides(list);
    ASSERT_EQ(slides.size(), 1u);
    EXPECT_EQ(slides[0].options.fit, SlideFit::kCover);  // the good key of the last line still counts
    EXPECT_EQ(slides[0].options.upscale, 2);
    EXPECT_EQ(slides[0].options.transitionMs, 1000);
    EXPECT_EQ(list.show.order, SlideOrder::kList);
    EXPECT_EQ(list.show.seed, 7u);
    EXPECT_FALSE(list.show.hideCursor);
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
// Writing, and reading back what was written

TEST(SlideListWrite, ShowLineHoldsOnlyTheOptionsSet) {
    std::vector<Slide> slides(2);
    slides[0].fileName = "a.jpg";
    slides[0].options.durationMs = 4000;
    slides[0].options.style = 7;
    slides[1].fileName = "!b.jpg";
    ShowOptions show;
    show.order = SlideOrder::kShuffle;
    show.defaults.fit = SlideFit::kCover;
    show.defaults.transitionMs = 1200;
    show.defaults.upscale = 3;
    show.hideCursor = true;
    show.seed = 4294967295u;
    EXPECT_EQ(WriteSlideList(slides, show),
              "# Slides in order: image file, then duration=MS and style=N where given\r\n"
              "! order=shuffle fit=cover transition=1200 upscale=3 cursor=hidden seed=4294967295\r\n"
              "a.jpg duration=4000 style=7\r\n"
              "\"!b.jpg\"\r\n");
    EXPECT_EQ(WriteSlideList(slides),
              "# Slides in order: image file, then duration=MS and style=N where given\r\n"
              "a.jpg duration=4000 style=7\r\n"
              "\"!b.jpg\"\r\n");
    ShowOptions cursor;
    cursor.hideCursor = true;
    EXPECT_THAT(WriteSlideList(slides, cursor), ::testing::HasSubstr("given\r\n! cursor=hidden\r\na.jpg"));
}

TEST(SlideListWrite, WhatTheListCannotHoldIsRefusedNotWrittenToBeLost) {
    auto write = [](const std::string& name, SlideOptions options = {}) {
        return WriteSlideList({Slide{name, options, 0}});
    };
    for (const std::string name : {"", "say \"hi\".jpg", "\"x.jpg", "tab\there.jpg", "bell\a.jpg", "line\r\nbreak.jpg",
                                   "sub/a.jpg", "..\\a.jpg", "C:a.jpg", ".", ".."})
        EXPECT_ERROR_MSG(write(name), "the image name '" + name + "' cannot be written in a slide list");
    EXPECT_ERROR_MSG(write(std::string(kMaxSlideListLine - 10, 'n') + ".jpg", {.durationMs = 5000}),
                     "the line of the image '" + std::string(kMaxSlideListLine - 10, 'n') +
                         ".jpg' is longer than the 1024 characters a slide list line holds");
    EXPECT_ERROR_MSG(write("a.jpg", {.style = 128}), "the slide option style=128 of 'a.jpg' is outside 0 to 127");
    EXPECT_ERROR_MSG(write("a.jpg", {.upscale = 0}),
                     "the slide option upscale=0 of 'a.jpg' is outside 1 to 2147483647");
    ShowOptions show;
    show.defaults.durationMs = 0;
    EXPECT_ERROR_MSG(WriteSlideList({}, show), "the slide option duration=0 of the show is outside 1 to 86400000");
}

// The slides as they were given, whatever lines they were found on.
std::vector<Slide> WithoutLines(std::vector<Slide> slides) {
    for (Slide& slide : slides)
        slide.line = 0;
    return slides;
}

void ExpectReadBackAsWritten(const std::vector<Slide>& slides, const ShowOptions& show) {
    const std::string text = WriteSlideList(slides, show);
    const SlideList list = ParseSlideList(text);
    EXPECT_THAT(list.problems, ::testing::IsEmpty()) << text;
    EXPECT_EQ(WithoutLines(list.slides), slides) << text;
    EXPECT_EQ(list.show, show) << text;
}

TEST(SlideListRoundTrip, NamesThatNeedQuotesAndEveryOption) {
    std::vector<Slide> slides;
    for (const char* name :
         {"plain.jpg", "two words.jpg", " leading blank.jpg", "trailing blank.jpg ", "#hash.jpg", "!bang.jpg",
          "mid#dle!.jpg", "x=y.jpg", "a = b.jpg", "caf\xE9 \x80.jpg", "'single'.png", "ends with=.gif"})
        slides.push_back(Slide{name, {}, 0});
    slides[1].options = {1, 0, 0, SlideFit::kContain, 1};
    slides[2].options = {kMaxSlideDurationMs, kMaxSlideStyle, kMaxTransitionMs, SlideFit::kCover, kMaxUpscale};
    slides[9].options.fit = SlideFit::kCover;
    ShowOptions show{SlideOrder::kShuffle, 0u, true, {7000, 9, 0, SlideFit::kCover, 1}};
    ExpectReadBackAsWritten(slides, show);
    ExpectReadBackAsWritten(slides, ShowOptions{});
    ExpectReadBackAsWritten({}, ShowOptions{SlideOrder::kList, kMaxSlideSeed, false, {}});
}

TEST(SlideListParse, StillFromTheShowLineUnlessASlideSaysOtherwise) {
    SlideList list = ParseSlideList("! still=yes\r\na.gif\r\nb.gif Still=No\r\nc.gif still=maybe\r\n");
    const std::vector<Slide> slides = ResolvedSlides(list);
    ASSERT_EQ(slides.size(), 3u);
    EXPECT_EQ(slides[0].options.still, true);
    EXPECT_EQ(slides[1].options.still, false);
    EXPECT_EQ(slides[2].options.still, true);
    EXPECT_EQ(list.problems, std::vector<std::string>{"line 4: still must be yes or no: \"still=maybe\""});
    EXPECT_FALSE(ResolvedSlides(ParseSlideList("a.gif\r\n"))[0].options.Still());

    std::vector<Slide> written{Slide{"a.gif", {}, 0}, Slide{"b.gif", {}, 0}};
    written[1].options.still = false;
    ShowOptions show;
    show.defaults.still = true;
    EXPECT_NE(WriteSlideList(written, show).find("! still=yes\r\na.gif\r\nb.gif still=no\r\n"), std::string::npos);
    ExpectReadBackAsWritten(written, show);
}

TEST(SlideListRoundTrip, GeneratedLists) {
    std::mt19937 random(20240601);
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    // Bytes a name may hold, with the ones that need quotes more often.
    const std::string alphabet = "ab.~-_=#!'()[]{}&%+,;@\x80\xA0\xE9\xFF   ##!!09";
    auto options = [&] {
        SlideOptions o;
        if (pick(0, 1))
            o.durationMs = pick(0, 3) == 0 ? kMaxSlideDurationMs : pick(kMinSlideDurationMs, 100000);
        if (pick(0, 1))
            o.style = pick(0, kMaxSlideStyle);
        if (pick(0, 1))
            o.transitionMs = pick(0, 3) == 0 ? kMinTransitionMs : pick(kMinTransitionMs, kMaxTransitionMs);
        if (pick(0, 1))
            o.fit = pick(0, 1) ? SlideFit::kCover : SlideFit::kContain;
        if (pick(0, 1))
            o.upscale = pick(0, 3) == 0 ? kMaxUpscale : pick(kMinUpscale, 10);
        return o;
    };
    for (int round = 0; round < 300; ++round) {
        std::vector<Slide> slides(static_cast<size_t>(pick(0, 6)));
        for (Slide& slide : slides) {
            const int length = pick(1, 12);
            for (int i = 0; i < length; ++i)
                slide.fileName += alphabet[static_cast<size_t>(pick(0, static_cast<int>(alphabet.size()) - 1))];
            if (slide.fileName == "." || slide.fileName == "..")
                slide.fileName += "x";
            slide.options = options();
        }
        ShowOptions show;
        show.order = pick(0, 1) ? SlideOrder::kShuffle : SlideOrder::kList;
        if (pick(0, 1))
            show.seed = static_cast<uint32_t>(random());
        show.hideCursor = pick(0, 1) != 0;
        show.defaults = options();
        ExpectReadBackAsWritten(slides, show);
        if (HasFailure())
            break;
    }
}


TEST(SlideListOverlays, CaptionsClockAndMotionReadWriteAndReportBadValues) {
    const SlideList list = ParseSlideList(
        "! caption=date clock=DATE motion=on\n"
        "a.jpg caption=\"Grandma's garden, 1999\" motion=off duration=7000\n"
        "two words.jpg caption=Plain\n"
        "c.jpg caption=\"never closed\n"
        "d.jpg caption=\"\" clock=time\n"
        "! caption=title clock=yes motion=maybe\n");
    ASSERT_EQ(list.slides.size(), 4u);
    EXPECT_EQ(list.slides[0].caption, "Grandma's garden, 1999");
    EXPECT_EQ(list.slides[0].options.motion, false);
    EXPECT_EQ(list.slides[0].options.durationMs, 7000);
    EXPECT_EQ(list.slides[1].fileName, "two words.jpg");
    EXPECT_EQ(list.slides[1].caption, "Plain");
    EXPECT_EQ(list.slides[2].caption, std::nullopt);
    EXPECT_EQ(list.slides[3].caption, "");
    EXPECT_EQ(list.show.caption, CaptionMode::kDate);
    EXPECT_EQ(list.show.clock, ClockMode::kDate);
    EXPECT_EQ(ResolvedSlides(list)[0].options.Motion(), false);
    EXPECT_EQ(ResolvedSlides(list)[1].options.Motion(), true);
    EXPECT_THAT(list.problems,
                ::testing::ElementsAre(
                    "line 4: the closing quote of the caption is missing: \"caption=\"never closed\"",
                    "line 5: \"clock=time\" counts for the whole show; it belongs on a line that starts with !",
                    "line 6: caption must be none, name, date or text: \"caption=title\"",
                    "line 6: clock must be off, time or date: \"clock=yes\"",
                    "line 6: motion must be off or on: \"motion=maybe\""));

    std::vector<Slide> slides{Slide{"a b.jpg", {}, 0}, Slide{"c.jpg", {}, 0}};
    slides[0].caption = "  spaced   out  ";
    slides[0].options.motion = false;
    slides[1].caption = "";
    ShowOptions show;
    show.caption = CaptionMode::kName;
    show.clock = ClockMode::kTime;
    show.defaults.motion = true;
    ExpectReadBackAsWritten(slides, show);
    EXPECT_THAT(WriteSlideList(slides, show), ::testing::HasSubstr("! motion=on caption=name clock=time\r\n"));
    slides[1].caption = "say \"cheese\"";
    EXPECT_THROW(WriteSlideList(slides, show), Error);
    slides[1].caption = std::string(kMaxCaptionBytes + 1, 'x');
    EXPECT_THROW(WriteSlideList(slides, show), Error);
}

}  // namespace
}  // namespace orlscr
