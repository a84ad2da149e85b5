#include "raster/fit.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "raster/scale.h"

namespace orlscr {

namespace {

// a * b / c rounded to the nearest, for positive values, in 64 bits.
int64_t Scale(int64_t a, int64_t b, int64_t c) {
    return (a * b + c / 2) / c;
}

// One axis: a picture side of `picture` pixels scaled to `scaled` pixels on a
// screen side of `screen` pixels. Fills [first, first + size) of both.
void PlaceAxis(int64_t picture, int64_t scaled, int64_t screen, int32_t& source_first, int32_t& source_size,
               int32_t& dest_first, int32_t& dest_size) {
    scaled = std::max<int64_t>(scaled, 1);
    if (scaled <= screen) {
        source_first = 0;
        source_size = static_cast<int32_t>(picture);
        dest_size = static_cast<int32_t>(scaled);
        dest_first = static_cast<int32_t>((screen - scaled) / 2);
        return;
    }
    // Sticks out: the middle part of the picture that covers the screen.
    const int64_t shown = std::clamp<int64_t>(Scale(screen, picture, scaled), 1, picture);
    source_size = static_cast<int32_t>(shown);
    source_first = static_cast<int32_t>((picture - shown) / 2);
    dest_first = 0;
    dest_size = static_cast<int32_t>(screen);
}

}  // namespace

FitPlacement PlacePicture(int32_t picture_width,
                          int32_t picture_height,
                          int32_t screen_width,
                          int32_t screen_height,
                          SlideFit fit,
                          int32_t upscale) {
    if (picture_width <= 0 || picture_height <= 0 || screen_width <= 0 || screen_height <= 0)
        return {};
    const int64_t pw = picture_width, ph = picture_height, sw = screen_width, sh = screen_height;
    // The picture is relatively wider than the screen when pw / ph > sw / sh.
    const bool wider = pw * sh > ph * sw;
    // Scale to the screen's width when that is the side that limits (contain a
    // wider picture, cover a taller one), else to its height.
    const bool by_width = (fit == SlideFit::kContain) == wider;
    int64_t w = by_width ? sw : Scale(pw, sh, ph);
    int64_t h = by_width ? Scale(ph, sw, pw) : sh;
    const int64_t most = std::max<int32_t>(upscale, 1);
    if (w > pw * most || h > ph * most) {
        w = pw * most;
        h = ph * most;
    }
    FitPlacement place;
    int32_t first = 0, size = 0, dest_first = 0, dest_size = 0;
    PlaceAxis(pw, w, sw, first, size, dest_first, dest_size);
    place.source.left = first;
    place.source.right = first + size;
    place.dest.left = dest_first;
    place.dest.right = dest_first + dest_size;
    PlaceAxis(ph, h, sh, first, size, dest_first, dest_size);
    place.source.top = first;
    place.source.bottom = first + size;
    place.dest.top = dest_first;
    place.dest.bottom = dest_first + dest_size;
    return place;
}

Bitmap ComposeSlide(const Bitmap& picture, int32_t screen_width, int32_t screen_height, SlideFit fit, int32_t upscale) {
    Bitmap frame(screen_width, screen_height);
    std::fill(frame.Bits(), frame.Bits() + static_cast<size_t>(frame.Stride()) * frame.Height(), uint8_t{0});
    if (picture.IsEmpty() || frame.IsEmpty())
        return frame;
    const FitPlacement place = PlacePicture(picture.Width(), picture.Height(), screen_width, screen_height, fit, upscale);
    Bitmap source;
    const Bitmap* shown = &picture;
    if (place.source != picture.Bounds()) {
        source = Bitmap(place.source.Width(), place.source.Height());
        for (int32_t y = 0; y < source.Height(); ++y)
            std::memcpy(source.Row(y), picture.Row(place.source.top + y) + static_cast<size_t>(place.source.left) * 3,
                        static_cast<size_t>(source.Width()) * 3);
        shown = &source;
    }
    const Bitmap scaled = ScalePicture(*shown, place.dest.Width(), place.dest.Height());
    for (int32_t y = 0; y < scaled.Height(); ++y)
        std::memcpy(frame.Row(place.dest.top + y) + static_cast<size_t>(place.dest.left) * 3, scaled.Row(y),
                    static_cast<size_t>(scaled.Width()) * 3);
    return frame;
}

Rect FitPictureRect(int32_t picture_width, int32_t picture_height, int32_t frame_width, int32_t frame_height) {
    return PlacePicture(std::max(picture_width, 1), std::max(picture_height, 1), frame_width, frame_height,
                        SlideFit::kContain, std::numeric_limits<int32_t>::max())
        .dest;
}

Bitmap ScaleIntoFrame(const Bitmap& picture, int32_t frame_width, int32_t frame_height) {
    return ComposeSlide(picture, frame_width, frame_height, SlideFit::kContain, std::numeric_limits<int32_t>::max());
}

}  // namespace orlscr
