#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "raster/fit.h"

namespace orlscr {

// A slide list is a plain single-byte text file, one slide a line:
//
//   # comment
//   ! order=shuffle fit=cover cursor=hidden
//   title.jpg
//   "second slide.bmp"  duration=8000  style=5  fit=contain
//
// Blank lines and lines whose first non-blank character is '#' are ignored. A
// line starts with the picture's file name (lying beside the list; a name with
// blanks is written in double quotes, and so is a name that starts with '#' or
// '!'), optionally followed by blank-separated options:
//   duration=MS    how long the slide stays (default 5000)
//   style=N        the transition style 0..127 that brings the slide in
//                  (without it a style is drawn at random)
//   transition=MS  how long that transition lasts (default 1000; 0 = at once)
//   fit=contain|cover  the whole picture on black bands (default), or the
//                  screen filled and the picture's middle shown
//   upscale=N      the largest enlargement, a whole number >= 1 (default 2)
//   motion=on|off  a slow pan or zoom during the slide's stay (default off)
//   caption="TEXT" (slide lines only) the slide's own caption, shown whatever
//                  the show's caption=; in double quotes when it holds blanks
//   still=yes|no   an animated picture shows its first frame only (default no:
//                  it plays during the slide's stay)
//
// A show line, whose first non-blank character is '!', holds options for the
// whole show: the slide options above as defaults for every slide (a slide's
// own option wins), and order=list|shuffle, seed=N (0..4294967295, makes the
// random draws of a run repeatable), cursor=shown|hidden,
// caption=none|name|date|text (what a slide without its own caption shows:
// nothing, its file name without the extension, the date the photo was taken;
// text: only the slides' own captions) and clock=off|time|date. A show line may
// stand anywhere and counts for every slide; a later one overrides a key of
// an earlier one. Option names and words are not case-sensitive.
//
// Parsing never fails as a whole: a line that cannot name a slide is skipped and
// an option that cannot be used is ignored (the slide keeps its default), and
// each of these leaves a problem text that names its line.
//
// The builder writes the lists (WriteSlideList) and the slide viewer reads
// them (ParseSlideList); the limits below hold for both, so whatever the
// builder takes, the viewer shows.

inline constexpr int32_t kDefaultSlideDurationMs = 5000;
inline constexpr int32_t kMinSlideDurationMs = 1;
inline constexpr int32_t kMaxSlideDurationMs = 24 * 60 * 60 * 1000;
inline constexpr int32_t kMaxSlideStyle = 127;
inline constexpr int32_t kDefaultTransitionMs = 1000;
inline constexpr int32_t kMinTransitionMs = 0;  // the next slide at once
inline constexpr int32_t kMaxTransitionMs = kMaxSlideDurationMs;
inline constexpr int32_t kDefaultUpscale = 2;
inline constexpr int32_t kMinUpscale = 1;  // never enlarged
inline constexpr int32_t kMaxUpscale = INT32_MAX;
inline constexpr uint32_t kMaxSlideSeed = UINT32_MAX;
// Longest line taken, in bytes without the line break; a longer line is skipped.
inline constexpr size_t kMaxSlideListLine = 1024;
// Largest slide list read, in bytes.
inline constexpr size_t kMaxSlideListBytes = size_t{1} << 20;

// The options of one slide, or of a show line for every slide; each is set
// only where the list sets it and then lies within the limits above.
struct SlideOptions {
    std::optional<int32_t> durationMs = std::nullopt;
    std::optional<int32_t> style = std::nullopt;
    std::optional<int32_t> transitionMs = std::nullopt;
    std::optional<SlideFit> fit = std::nullopt;
    std::optional<int32_t> upscale = std::nullopt;
    std::optional<bool> motion = std::nullopt;
    std::optional<bool> still = std::nullopt;

    // Every option this one sets replaces the one of `base`.
    SlideOptions Over(const SlideOptions& base) const;

    // The value that counts: the option, else its default (style has none:
    // without one a style is drawn).
    int32_t DurationMs() const { return durationMs.value_or(kDefaultSlideDurationMs); }
    int32_t TransitionMs() const { return transitionMs.value_or(kDefaultTransitionMs); }
    SlideFit Fit() const { return fit.value_or(SlideFit::kContain); }
    int32_t Upscale() const { return upscale.value_or(kDefaultUpscale); }
    bool Motion() const { return motion.value_or(false); }
    bool Still() const { return still.value_or(false); }

    friend bool operator==(const SlideOptions&, const SlideOptions&) = default;
};

struct Slide {
    std::string fileName;  // never empty, never holds a folder part
    SlideOptions options;   // its own
    int32_t line = 0;       // where it stands in a parsed list, from 1
    // Its own caption: printable single-byte text without a double quote.
    std::optional<std::string> caption = std::nullopt;

    friend bool operator==(const Slide&, const Slide&) = default;
};

enum class SlideOrder { kList, kShuffle };
enum class CaptionMode { kNone, kName, kDate, kText };
enum class ClockMode { kOff, kTime, kDate };

// What the show lines set for the show as a whole.
struct ShowOptions {
    SlideOrder order = SlideOrder::kList;
    std::optional<uint32_t> seed;
    bool hideCursor = false;
    SlideOptions defaults;  // for every slide
    CaptionMode caption = CaptionMode::kNone;
    ClockMode clock = ClockMode::kOff;

    friend bool operator==(const ShowOptions&, const ShowOptions&) = default;
};

struct SlideList {
    std::vector<Slide> slides;
    ShowOptions show;
    std::vector<std::string> problems;  // "line 3: unknown option \"speed=2\""
};

SlideList ParseSlideList(std::string_view text);

// The slides with every option resolved (own, else the show line's, else the
// default): what the viewer shows.
std::vector<Slide> ResolvedSlides(const SlideList& list);

// Longest caption a slide line holds, in bytes.
inline constexpr size_t kMaxCaptionBytes = 400;

// The slide list's words for the modes ("none", "date", ...).
const char* CaptionModeWord(CaptionMode mode);
const char* ClockModeWord(ClockMode mode);

// The slide list text: a comment, the show line when it sets anything, then
// one line per slide with its own options; a name with a blank (or starting
// with '#' or '!') in double quotes. Lines end in CR LF. ParseSlideList reads
// it back as it was given. Throws Error for a name or an option the list
// cannot hold.
std::string WriteSlideList(const std::vector<Slide>& slides, const ShowOptions& show = {});

// A seed: a whole number from 0 to kMaxSlideSeed.
std::optional<uint32_t> ParseSeed(std::string_view text);

// Reads and parses the slide list at `path`. Throws Error with the reason (a
// text to follow "Cannot show <path>: ") when the file cannot be read, is empty
// or too large, or names no slide at all.
SlideList ReadSlideList(const std::string& path);

// The text shown instead of the slides when a list cannot be shown.
std::string CannotShowMessage(std::string_view path, std::string_view reason);

}  // namespace orlscr
