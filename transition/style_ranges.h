#pragma once

#include <string>

namespace orlscr {

// The numbers of the transition styles, by the way a style draws its frame.
// Every number 0..kStyleCount-1 is a style: 0 is the custom style, each other
// number lies in exactly one of the rectangle, region and pixel ranges. The
// random styles, which draw a new pattern from the shared generator in every
// frame, are all region styles. The frame's dispatch, the tools and the tests
// take the ranges from here.
struct StyleRange {
    int first;
    int last;

    constexpr bool Contains(int style) const { return style >= first && style <= last; }
};

inline constexpr int kStyleCount = 128;
inline constexpr int kCustomStyle = 0;
inline constexpr StyleRange kRectStyles{1, 57};
inline constexpr StyleRange kRegionStyles[] = {{58, 117}, {123, 127}};
inline constexpr StyleRange kPixelStyles{118, 122};
inline constexpr int kFadeStyle = 118;  // the pixel style that blends; the others swing
inline constexpr StyleRange kRandomStyles[] = {{65, 68}, {76, 79}, {100, 109}, {123, 127}};

template <size_t N>
constexpr bool InRanges(const StyleRange (&ranges)[N], int style) {
    for (const StyleRange& range : ranges)
        if (range.Contains(style))
            return true;
    return false;
}

// The styles that exist: 0..127.
constexpr bool IsStyle(int style) {
    return style >= 0 && style < kStyleCount;
}

// The styles that leave a destination and a source rectangle for the frame's
// closing copy.
constexpr bool IsRectStyle(int style) {
    return kRectStyles.Contains(style);
}

// The styles that end their frame by drawing the new picture through a region.
constexpr bool IsRegionStyle(int style) {
    return InRanges(kRegionStyles, style);
}

// The styles that write the frame's pixels themselves.
constexpr bool IsPixelStyle(int style) {
    return kPixelStyles.Contains(style);
}

// The styles that draw a new random pattern in every frame.
constexpr bool IsRandomStyle(int style) {
    return InRanges(kRandomStyles, style);
}

// The random styles as a reader sees them: "65-68, 76-79, 100-109, 123-127".
inline std::string DescribeRandomStyles() {
    std::string text;
    for (const StyleRange& range : kRandomStyles) {
        if (!text.empty())
            text += ", ";
        text += std::to_string(range.first) + "-" + std::to_string(range.last);
    }
    return text;
}

}  // namespace orlscr
