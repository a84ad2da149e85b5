#include "tools/slideview/motion_path.h"

#include <algorithm>
#include <cmath>

namespace orlscr {

namespace {

WindowRect Zoomed(const WindowRect& r, double factor, double picture_width, double picture_height) {
    WindowRect z;
    z.width = r.width / factor;
    z.height = r.height / factor;
    z.left = std::clamp(r.left + (r.width - z.width) / 2, 0.0, picture_width - z.width);
    z.top = std::clamp(r.top + (r.height - z.height) / 2, 0.0, picture_height - z.height);
    return z;
}

}  // namespace

MotionPath PlanMotion(int32_t picture_width,
                      int32_t picture_height,
                      int32_t screen_width,
                      int32_t screen_height,
                      SlideFit fit,
                      int32_t upscale,
                      uint32_t variant) {
    const FitPlacement place = PlacePicture(picture_width, picture_height, screen_width, screen_height, fit, upscale);
    MotionPath path;
    path.dest = place.dest;
    const WindowRect shown{double(place.source.left), double(place.source.top), double(place.source.Width()),
                           double(place.source.Height())};
    const bool forwards = variant % 2 == 0;
    // The cut side of a cover-cropped picture: the longer one for its shape.
    const double spare_x = picture_width - shown.width;
    const double spare_y = picture_height - shown.height;
    if (fit == SlideFit::kCover && std::max(spare_x, spare_y) >= 2) {
        const bool across = spare_x >= spare_y;
        const double spare = across ? spare_x : spare_y;
        const double distance = std::min(spare, kMotionPan * (across ? shown.width : shown.height));
        const double middle = (across ? shown.left : shown.top);
        WindowRect a = shown, b = shown;
        (across ? a.left : a.top) = middle - distance / 2;
        (across ? b.left : b.top) = middle + distance / 2;
        path.from = forwards ? a : b;
        path.to = forwards ? b : a;
        return path;
    }
    const WindowRect close = Zoomed(shown, kMotionZoom, picture_width, picture_height);
    path.from = forwards ? shown : close;
    path.to = forwards ? close : shown;
    return path;
}

double EaseMotion(double t) {
    t = std::clamp(t, 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

WindowRect MotionAt(const MotionPath& path, double t) {
    const double e = EaseMotion(t);
    auto mix = [e](double a, double b) { return a + (b - a) * e; };
    return {mix(path.from.left, path.to.left), mix(path.from.top, path.to.top), mix(path.from.width, path.to.width),
            mix(path.from.height, path.to.height)};
}

double MotionSourceScale(const MotionPath& path) {
    const double smallest = std::min(path.from.width, path.to.width);
    if (smallest <= 0 || path.dest.Width() <= 0)
        return 1.0;
    return std::min(1.0, path.dest.Width() / smallest);
}

MotionPath ScaledMotion(const MotionPath& path, double factor) {
    auto scale = [factor](const WindowRect& r) {
        return WindowRect{r.left * factor, r.top * factor, r.width * factor, r.height * factor};
    };
    return {scale(path.from), scale(path.to), path.dest};
}

}  // namespace orlscr
