#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orlscr {

// A slide list is a plain single-byte text file, one slide a line:
//
//   # comment
//   title.jpg
//   "second slide.bmp"  duration=8000  style=5
//
// Blank lines and lines whose first non-blank character is '#' are ignored. A
// line starts with the picture's file name (JPEG or BMP, lying beside the list;
// a name with blanks is written in double quotes), optionally followed by
// blank-separated options: duration=MS (how long the slide stays, default 5000)
// and style=N (the transition style 0..127 that brings the slide in; without it
// a style is drawn at random). Option names are not case-sensitive.
//
// Parsing never fails as a whole: a line that cannot name a slide is skipped and
// an option that cannot be used is ignored (the slide keeps its default), and
// each of these leaves a problem text that names its line.

inline constexpr int32_t kDefaultSlideDurationMs = 5000;
inline constexpr int32_t kMaxSlideDurationMs = 24 * 60 * 60 * 1000;
inline constexpr int32_t kMaxSlideStyle = 127;
// Longest line taken, in bytes without the line break; a longer line is skipped.
inline constexpr size_t kMaxSlideListLine = 1024;
// Largest slide list read, in bytes.
inline constexpr size_t kMaxSlideListBytes = size_t{1} << 20;

struct Slide {
    std::string file_name;  // never empty, never holds a folder part
    int32_t duration_ms = kDefaultSlideDurationMs;
    std::optional<int32_t> style;  // 0..kMaxSlideStyle when set
    int32_t line = 0;              // where it stands in the list, from 1
};

struct SlideList {
    std::vector<Slide> slides;
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
