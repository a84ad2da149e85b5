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
// blanks is written in double quotes, and so is a name that starts with '!'),
// optionally followed by blank-separated options:
//   duration=MS    how long the slide stays (default 5000)
//   style=N        the transition style 0..127 that brings the slide in
//                  (without it a style is drawn at random)
//   transition=MS  how long that transition lasts (default 1000; 0 = at once)
//   fit=contain|cover  the whole picture on black bands (default), or the
//                  screen filled and the picture's middle shown
//   upscale=N      the largest enlargement, a whole number >= 1 (default 2)
//
// A show line, whose first non-blank character is '!', holds options for the
// whole show: the slide options above as defaults for every slide (a slide's
// own option wins), and order=list|shuffle, seed=N (0..4294967295, makes the
// random draws of a run repeatable) and cursor=shown|hidden. A show line may
// stand anywhere and counts for every slide; a later one overrides a key of
// an earlier one. Option names and words are not case-sensitive.
//
// Parsing never fails as a whole: a line that cannot name a slide is skipped and
// an option that cannot be used is ignored (the slide keeps its default), and
// each of these leaves a problem text that names its line.

inline constexpr int32_t kDefaultSlideDurationMs = 5000;
inline constexpr int32_t kMaxSlideDurationMs = 24 * 60 * 60 * 1000;
inline constexpr int32_t kMaxSlideStyle = 127;
inline constexpr int32_t kDefaultTransitionMs = 1000;
inline constexpr int32_t kMaxTransitionMs = kMaxSlideDurationMs;
inline constexpr int32_t kDefaultUpscale = 2;
// Longest line taken, in bytes without the line break; a longer line is skipped.
inline constexpr size_t kMaxSlideListLine = 1024;
// Largest slide list read, in bytes.
inline constexpr size_t kMaxSlideListBytes = size_t{1} << 20;

struct Slide {
    std::string file_name;  // never empty, never holds a folder part
    int32_t duration_ms = kDefaultSlideDurationMs;
    std::optional<int32_t> style;  // 0..kMaxSlideStyle when set
    int32_t transition_ms = kDefaultTransitionMs;  // 0..kMaxTransitionMs
    SlideFit fit = SlideFit::kContain;
    int32_t upscale = kDefaultUpscale;  // >= 1
    int32_t line = 0;                   // where it stands in the list, from 1
};

enum class SlideOrder { kList, kShuffle };

// What the show lines set for the show as a whole.
struct ShowOptions {
    SlideOrder order = SlideOrder::kList;
    std::optional<uint32_t> seed;
    bool hide_cursor = false;
};

struct SlideList {
    std::vector<Slide> slides;  // every slide option resolved (own, else show line, else default)
    ShowOptions show;
    std::vector<std::string> problems;  // "line 3: unknown option \"speed=2\""
};

SlideList ParseSlideList(std::string_view text);

// Reads and parses the slide list at `path`. Throws Error with the reason (a
// text to follow "Cannot show <path>: ") when the file cannot be read, is empty
// or too large, or names no slide at all.
SlideList ReadSlideList(const std::string& path);

// The text shown instead of the slides when a list cannot be shown.
std::string CannotShowMessage(std::string_view path, std::string_view reason);

}  // namespace orlscr
