#pragma once

#include <cstdint>

#include "raster/fit.h"
#include "raster/geometry.h"

namespace orlscr {

// A rectangle with fractional edges, in picture pixels.
struct WindowRect {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
    friend bool operator==(const WindowRect&, const WindowRect&) = default;
};

// The slow pan or zoom of one slide during its stay: the part of the picture
// shown (`from` at the start, `to` at the end) always lies inside the picture
// and has the proportions of `dest`, the place on the screen that PlacePicture
// gives; it never moves. A zoom changes the shown part's size by the factor
// kMotionZoom, in or out; a pan moves a cover-cropped picture along its cut
// side by at most kMotionPan of the shown part's length there. A picture with
// nothing to zoom or pan (1 pixel) has from == to.
struct MotionPath {
    WindowRect from;
    WindowRect to;
    Rect dest;
};

inline constexpr double kMotionZoom = 1.08;
inline constexpr double kMotionPan = 0.10;

// The path of the `variant`-th slide shown: cover-cropped pictures pan (even
// variants forwards, odd ones back), the others zoom (even variants in, odd
// ones out), so the direction changes from slide to slide.
MotionPath PlanMotion(int32_t picture_width,
                      int32_t picture_height,
                      int32_t screen_width,
                      int32_t screen_height,
                      SlideFit fit,
                      int32_t upscale,
                      uint32_t variant);

// Eased time: 0 at 0, 1 at 1, slow at both ends (zero speed there), so a
// slide starts and ends its motion without a jerk; t outside 0..1 is clamped.
double EaseMotion(double t);

// The shown part at time t (0..1 of the stay), eased.
WindowRect MotionAt(const MotionPath& path, double t);

// How much the picture can be reduced before the motion draws from it
// (a factor <= 1): the smallest shown part then still has about as many
// pixels as `dest`, so scaling every frame reads no more than it needs.
double MotionSourceScale(const MotionPath& path);

// The path for the picture reduced by `factor`.
MotionPath ScaledMotion(const MotionPath& path, double factor);

}  // namespace orlscr
