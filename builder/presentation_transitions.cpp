#include "builder/presentation_transitions.h"

namespace orlscr::mkscr {

namespace {

// The styles by what they do (see transition/rect_styles.cpp and
// transition/region_styles.cpp). A side names where the new slide comes
// from.
enum Side { kFromLeft, kFromRight, kFromTop, kFromBottom };
constexpr int kSlideIn[] = {4, 3, 21, 20};  // the new slide moves in whole
constexpr int kWipe[] = {5, 6, 22, 23};     // revealed in place from that side
enum Corner { kTopLeft, kTopRight, kBottomLeft, kBottomRight };
constexpr int kSlideInFromCorner[] = {41, 40, 42, 39};
constexpr int kDiagonal[] = {110, 111, 112, 113};  // a diagonal front from the corner
constexpr int kFade = 118;
constexpr int kDissolve = 127;  // random squares
constexpr int kSplitVerticalOut = 11, kSplitVerticalIn = 12;
constexpr int kSplitHorizontalOut = 28, kSplitHorizontalIn = 29;
constexpr int kCircleOut = 84, kCircleIn = 85;
constexpr int kBoxOut = 53, kBoxIn = 54;
constexpr int kZoomIn = 52, kZoomOut = 51;
constexpr int kRandomBarsHorizontal = 65, kRandomBarsVertical = 76;
constexpr int kBlindsHorizontal = 71, kBlindsVertical = 60;
constexpr int kCombHorizontal = 64, kCombVertical = 75;
constexpr int kChecker = 90;
constexpr int kWheel = 116;

// The side a .pptx direction ("l": moving left) brings the slide in from.
Side SideOfMove(std::string_view dir, Side fallback) {
    if (dir == "l")
        return kFromRight;
    if (dir == "r")
        return kFromLeft;
    if (dir == "u")
        return kFromBottom;
    if (dir == "d")
        return kFromTop;
    return fallback;
}

// The corner a diagonal .pptx direction ("lu": moving left and up) starts from.
std::optional<Corner> CornerOfMove(std::string_view dir) {
    if (dir == "lu")
        return kBottomRight;
    if (dir == "ru")
        return kBottomLeft;
    if (dir == "ld")
        return kTopRight;
    if (dir == "rd")
        return kTopLeft;
    return std::nullopt;
}

Side Opposite(Side side) {
    return side == kFromLeft ? kFromRight : side == kFromRight ? kFromLeft : side == kFromTop ? kFromBottom : kFromTop;
}

}  // namespace

std::optional<int> PptxTransitionStyle(std::string_view kind, std::string_view dir, std::string_view orient) {
    const bool vertical = orient == "vert";
    if (kind == "cut")
        return kInstantTransition;
    if (kind == "fade" || kind == "flash" || kind == "reveal" || kind == "morph")
        return kFade;
    if (kind == "dissolve" || kind == "glitter" || kind == "honeycomb" || kind == "vortex" || kind == "shred")
        return kDissolve;
    if (kind == "push" || kind == "cover" || kind == "pan" || kind == "conveyor" || kind == "switch" ||
        kind == "flip" || kind == "gallery" || kind == "prism" || kind == "ferris") {
        if (auto corner = CornerOfMove(dir))
            return kSlideInFromCorner[*corner];
        // push and cover move left by default (from the right); the others
        // name sides as "l" and "r" too.
        return kSlideIn[SideOfMove(dir, kFromRight)];
    }
    if (kind == "pull") {  // uncover: the old slide moves away and the new one shows where it was
        if (auto corner = CornerOfMove(dir))
            return kDiagonal[*corner];
        return kWipe[SideOfMove(dir, kFromRight)];
    }
    if (kind == "wipe")
        return kWipe[SideOfMove(dir, kFromRight)];
    if (kind == "strips") {
        return kDiagonal[CornerOfMove(dir).value_or(kBottomRight)];
    }
    if (kind == "split" || kind == "doors" || kind == "window") {
        // split: orient horz (default), dir out (default); doors and window
        // open vertically.
        const bool in = dir == "in";
        if (kind != "split" || vertical)
            return in ? kSplitVerticalIn : kSplitVerticalOut;
        return in ? kSplitHorizontalIn : kSplitHorizontalOut;
    }
    if (kind == "circle" || kind == "diamond" || kind == "ripple" || kind == "wedge")
        return kCircleOut;
    if (kind == "plus")
        return kBoxOut;
    if (kind == "zoom")
        return dir == "out" ? kZoomOut : kZoomIn;
    if (kind == "newsflash" || kind == "warp" || kind == "flythrough")
        return kZoomIn;
    if (kind == "randomBar")
        return vertical || dir == "vert" ? kRandomBarsVertical : kRandomBarsHorizontal;
    if (kind == "blinds")
        return dir == "vert" ? kBlindsVertical : kBlindsHorizontal;
    if (kind == "comb")
        return dir == "vert" ? kCombVertical : kCombHorizontal;
    if (kind == "checker")
        return kChecker;
    if (kind == "wheel" || kind == "wheelReverse")
        return kWheel;
    return std::nullopt;
}

std::optional<int> OdpTransitionStyle(std::string_view type, std::string_view subtype, bool reverse) {
    if (type.empty() || type == "none")
        return std::nullopt;
    if (type == "fade")
        return kFade;
    if (type == "dissolve")
        return kDissolve;
    auto side = [&](Side fallback) {
        Side s = subtype == "fromLeft" || subtype == "leftToRight"     ? kFromLeft
                 : subtype == "fromRight" || subtype == "rightToLeft"  ? kFromRight
                 : subtype == "fromTop" || subtype == "topToBottom"    ? kFromTop
                 : subtype == "fromBottom" || subtype == "bottomToTop" ? kFromBottom
                                                                       : fallback;
        return reverse ? Opposite(s) : s;
    };
    if (type == "barWipe")
        return kWipe[side(kFromLeft)];
    if (type == "pushWipe" || type == "slideWipe") {
        if (subtype == "combHorizontal")
            return kCombHorizontal;
        if (subtype == "combVertical")
            return kCombVertical;
        // slideWipe reversed is an uncover: the new slide shown where the old leaves.
        if (type == "slideWipe" && reverse)
            return kWipe[side(kFromLeft)];
        return kSlideIn[side(kFromLeft)];
    }
    if (type == "barnDoorWipe") {
        if (subtype == "horizontal")
            return reverse ? kSplitHorizontalIn : kSplitHorizontalOut;
        return reverse ? kSplitVerticalIn : kSplitVerticalOut;
    }
    if (type == "ellipseWipe" || type == "miscDiagonalWipe" || type == "starWipe" || type == "miscShapeWipe")
        return reverse ? kCircleIn : kCircleOut;
    if (type == "irisWipe")
        return subtype == "diamond" ? (reverse ? kCircleIn : kCircleOut) : (reverse ? kBoxIn : kBoxOut);
    if (type == "fourBoxWipe")
        return kBoxIn;
    if (type == "zoom")
        return reverse ? kZoomOut : kZoomIn;
    if (type == "randomBarWipe")
        return subtype == "horizontal" ? kRandomBarsHorizontal : kRandomBarsVertical;
    if (type == "blindsWipe")
        return subtype == "horizontal" ? kBlindsHorizontal : kBlindsVertical;
    if (type == "checkerBoardWipe")
        return kChecker;
    if (type == "clockWipe" || type == "pinWheelWipe" || type == "fanWipe" || type == "singleSweepWipe" ||
        type == "doubleFanWipe" || type == "doubleSweepWipe" || type == "saloonDoorWipe" || type == "windshieldWipe")
        return kWheel;
    if (type == "diagonalWipe" || type == "waterfallWipe" || type == "snakeWipe" || type == "spiralWipe" ||
        type == "parallelSnakesWipe" || type == "boxSnakesWipe") {
        const Corner corner = subtype == "topRight"      ? kTopRight
                              : subtype == "bottomLeft"  ? kBottomLeft
                              : subtype == "bottomRight" ? kBottomRight
                                                         : kTopLeft;
        return kDiagonal[reverse ? 3 - corner : corner];
    }
    return std::nullopt;
}

}  // namespace orlscr::mkscr
