#include "tools/slideview/slide_decor.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "common/split_rows.h"
#include "raster/blit.h"
#include "raster/fit.h"
#include "raster/scale.h"
#include "tools/slideview/clock_layout.h"
#include "tools/slideview/overlay_paint.h"

namespace orlscr {

namespace {

// A moving slide's picture in 32 bits, reduced to the source's size when it
// is larger.
void FillMotionSource(const BgrxPixels& source, const Bitmap& picture) {
    if (picture.Width() == source.width && picture.Height() == source.height) {
        CopyToBgrx(source, 0, 0, picture, picture.Bounds());
        return;
    }
    const Bitmap reduced = ScalePicture(picture, source.width, source.height);
    CopyToBgrx(source, 0, 0, reduced, reduced.Bounds());
}

}  // namespace

Bitmap SlideDecor::FirstFrame(const Bitmap& picture,
                              const SlideOptions& options,
                              const std::string& caption,
                              uint64_t shown,
                              int32_t width,
                              int32_t height,
                              int32_t dpi,
                              const ClockFace& clock,
                              const OverlayFont& font) {
    width_ = width;
    height_ = height;
    const SlideFit fit = options.Fit();
    const int32_t upscale = options.Upscale();
    Bitmap frame;
    Rect place;
    motionSource32_ = BgrxImage();
    staleClock_ = Rect{};
    heldAt_ = 0;
    if (options.Motion() && !picture.IsEmpty()) {
        MotionPath path =
            PlanMotion(picture.Width(), picture.Height(), width, height, fit, upscale, static_cast<uint32_t>(shown));
        const double factor = MotionSourceScale(path);
        if (factor < 0.999) {
            const int32_t w = std::max(1, static_cast<int32_t>(picture.Width() * factor + 0.5));
            const int32_t h = std::max(1, static_cast<int32_t>(picture.Height() * factor + 0.5));
            path = ScaledMotion(path, static_cast<double>(w) / picture.Width());
            motionSource32_ = BgrxImage(w, h);
        } else {
            motionSource32_ = BgrxImage(picture.Width(), picture.Height());
        }
        FillMotionSource(motionSource32_.Pixels(), picture);
        motion_ = path;
        frame = Bitmap(width, height);
        const WindowRect start = MotionAt(path, 0);
        ScaleWindowInto(motionSource32_.Pixels(), start.left, start.top, start.width, start.height, frame, path.dest,
                        frame.Bounds());
        place = path.dest;
    } else {
        frame = ComposeSlide(picture, width, height, fit, upscale);
        place = PlacePicture(picture.Width(), picture.Height(), width, height, fit, upscale).dest;
    }
    textHeight_ = OverlayTextHeight(height, dpi);
    const int32_t text_height = textHeight_;
    caption_ = LayOutCaption(caption, place, text_height, CaptionCorner(shown),
                             [&](std::string_view text) { return font.Width(text, text_height); });
    captionMask_ = Bitmap();
    if (!caption_.shown.empty()) {
        const Rect& band = caption_.band;
        captionMask_ = font.Mask(caption_.shown, text_height, band.Width(), band.Height(),
                                 caption_.text.left - band.left, caption_.text.top - band.top);
        PaintOverlay(frame, band, captionMask_);
    }
    clean_ = HasMotion() ? Bitmap() : frame;
    hasClock_ = !clock.text.empty();
    if (hasClock_) {
        LayOutClock(clock, font);
        PaintOverlay(frame, clockBox_, clockMask_);
    }
    return frame;
}

void SlideDecor::LayOutClock(const ClockFace& clock, const OverlayFont& font) {
    const int32_t pad = std::max(textHeight_ / 3, 1);
    const int32_t width = font.Width(clock.text, textHeight_) + 2 * pad;
    const int32_t height = textHeight_ + 2 * pad;
    clockBox_ = ClockPlace(Rect{0, 0, width_, height_}, width, height, clock.minute);
    clockMask_ = font.Mask(clock.text, textHeight_, width, height, pad, pad);
}

template <class Frame>
void SlideDecor::PaintOverlays(Frame& frame) const {
    if (!captionMask_.IsEmpty())
        PaintOverlay(frame, caption_.band, captionMask_);
    if (hasClock_)
        PaintOverlay(frame, clockBox_, clockMask_);
}

std::vector<Rect> SlideDecor::DrawMotion(Bitmap& frame, double t, const Rect& clip) const {
    if (!HasMotion() || frame.Width() != width_ || frame.Height() != height_)
        return {};
    const WindowRect at = MotionAt(motion_, t);
    auto draw = [&](const Rect& part) {
        ScaleWindowInto(motionSource32_.Pixels(), at.left, at.top, at.width, at.height, frame, motion_.dest, part);
    };
    draw(clip);
    // An overlay is painted over what lies under it afresh (the black band
    // or the picture): painting it again over itself would brighten its
    // text's edges.
    const bool caption = !captionMask_.IsEmpty() && !IntersectRect(caption_.band, clip).IsEmpty();
    const bool clock = hasClock_ && !IntersectRect(clockBox_, clip).IsEmpty();
    for (const Rect* box : {caption ? &caption_.band : nullptr, clock ? &clockBox_ : nullptr}) {
        if (box) {
            FillRect(frame, *box, 0, 0, 0);
            draw(*box);
        }
    }
    if (caption)
        PaintOverlay(frame, caption_.band, captionMask_);
    if (clock)
        PaintOverlay(frame, clockBox_, clockMask_);
    std::vector<Rect> changed{motion_.dest};
    if (hasClock_)
        changed.push_back(clockBox_);
    return changed;
}

Rect SlideDecor::DrawMotion(const BgrxPixels& frame, double t) {
    if (!HasMotion() || frame.width != width_ || frame.height != height_)
        return Rect{};
    // Outside the picture lie black bands, which its frames leave alone.
    Rect changed = motion_.dest;
    if (!staleClock_.IsEmpty()) {
        FillBgrx(frame, staleClock_, 0, 0, 0);
        changed = UnionRect(changed, staleClock_);
        staleClock_ = Rect{};
    }
    if (hasClock_)  // where it lies on the black band, its text is painted afresh
        FillBgrx(frame, clockBox_, 0, 0, 0);
    const WindowRect at = MotionAt(motion_, t);
    ScaleWindowInto(motionSource32_.Pixels(), at.left, at.top, at.width, at.height, frame, motion_.dest);
    PaintOverlays(frame);
    if (hasClock_)
        changed = UnionRect(changed, clockBox_);
    return IntersectRect(changed, frame.Bounds());
}

BgrxScalePlan SlideDecor::MotionPlan(double t) const {
    if (!HasMotion())
        return BgrxScalePlan();
    const WindowRect at = MotionAt(motion_, t);
    return BgrxScalePlan(motionSource32_.Pixels(), at.left, at.top, at.width, at.height, Rect{0, 0, width_, height_},
                         motion_.dest);
}

TurnSource SlideDecor::TurnSourceAt(double t) const {
    if (!HasMotion())
        return TurnSource();
    const WindowRect at = MotionAt(motion_, t);
    TurnSource source{motionSource32_.Pixels(), at.left, at.top, at.width, at.height, motion_.dest, {}, {}, {}};
    Region around(Rect{0, 0, width_, height_});
    around.Subtract(Region(motion_.dest));
    source.patches = around.Rects();
    if (!captionMask_.IsEmpty())
        source.patches.push_back(caption_.band);
    if (hasClock_)
        source.patches.push_back(clockBox_);
    return source;
}

namespace {

// Black over `part` of a frame but `inside` (within it, or empty).
void FillAround(const BgrxPixels& frame, const Rect& part, const Rect& inside) {
    if (inside.IsEmpty()) {
        FillBgrx(frame, part, 0, 0, 0);
        return;
    }
    FillBgrx(frame, Rect{part.left, part.top, part.right, inside.top}, 0, 0, 0);
    FillBgrx(frame, Rect{part.left, inside.bottom, part.right, part.bottom}, 0, 0, 0);
    FillBgrx(frame, Rect{part.left, inside.top, inside.left, inside.bottom}, 0, 0, 0);
    FillBgrx(frame, Rect{inside.right, inside.top, part.right, inside.bottom}, 0, 0, 0);
}

}  // namespace

void SlideDecor::DrawMotionPart(const BgrxPixels& frame, const BgrxScalePlan& plan, const Rect& part) const {
    const Rect p = IntersectRect(part, frame.Bounds());
    if (!HasMotion() || p.IsEmpty() || frame.width != width_ || frame.height != height_)
        return;
    const Rect picture = IntersectRect(motion_.dest, p);
    FillAround(frame, p, picture);
    if (!picture.IsEmpty())
        plan.Draw(frame, picture);
    if (!captionMask_.IsEmpty())
        PaintOverlay(frame, caption_.band, captionMask_, p);
    if (hasClock_)
        PaintOverlay(frame, clockBox_, clockMask_, p);
}

SlideDecor::Stretched SlideDecor::StretchedAt(const BgrxPixels& frame,
                                              double t,
                                              const Rect& source,
                                              const Rect& dest) const {
    Stretched stretched;
    if (!HasMotion() || source.IsEmpty() || dest.IsEmpty() || frame.width != width_ || frame.height != height_)
        return stretched;
    const double fx = static_cast<double>(dest.Width()) / source.Width();
    const double fy = static_cast<double>(dest.Height()) / source.Height();
    auto spread = [&](const Rect& r) {
        return Rect{static_cast<int32_t>(std::lround(dest.left + (r.left - source.left) * fx)),
                    static_cast<int32_t>(std::lround(dest.top + (r.top - source.top) * fy)),
                    static_cast<int32_t>(std::lround(dest.left + (r.right - source.left) * fx)),
                    static_cast<int32_t>(std::lround(dest.top + (r.bottom - source.top) * fy))};
    };
    const Rect slide = IntersectRect(source, Rect{0, 0, width_, height_});
    stretched.written_ = IntersectRect(IntersectRect(spread(slide), dest), frame.Bounds());
    if (stretched.written_.IsEmpty())
        return stretched;
    const Rect picture = IntersectRect(slide, motion_.dest);
    stretched.pictureAt_ = picture.IsEmpty() ? Rect{} : spread(picture);
    const WindowRect at = MotionAt(motion_, t);
    const double kx = at.width / motion_.dest.Width(), ky = at.height / motion_.dest.Height();
    stretched.plan_ = BgrxScalePlan(motionSource32_.Pixels(), at.left + (picture.left - motion_.dest.left) * kx,
                                    at.top + (picture.top - motion_.dest.top) * ky, picture.Width() * kx,
                                    picture.Height() * ky, frame.Bounds(), stretched.pictureAt_);
    // The overlays' masks spread as the picture under them is.
    const std::pair<const Rect*, const Bitmap*> overlays[] = {{&caption_.band, &captionMask_},
                                                              {&clockBox_, hasClock_ ? &clockMask_ : nullptr}};
    for (const auto& [band, mask] : overlays) {
        if (!mask || mask->IsEmpty())
            continue;
        const Rect at_band = spread(*band);
        if (!at_band.IsEmpty() && !IntersectRect(at_band, stretched.written_).IsEmpty())
            stretched.overlays_.push_back({at_band, mask});
    }
    return stretched;
}

void SlideDecor::Stretched::DrawRows(const BgrxPixels& frame, const Rect& rows) const {
    const Rect part = IntersectRect(written_, rows);
    if (part.IsEmpty())
        return;
    FillAround(frame, part, IntersectRect(pictureAt_, part));
    plan_.Draw(frame, part);
}

void SlideDecor::Stretched::PaintOverlays(const BgrxPixels& frame) const {
    for (const auto& [at_band, mask] : overlays_) {
        Bitmap spread_mask(at_band.Width(), at_band.Height());
        StretchCopy(spread_mask, spread_mask.Bounds(), *mask, mask->Bounds());
        PaintOverlay(frame, at_band, spread_mask, written_);
    }
}

void SlideDecor::DrawMotionStretched(const BgrxPixels& frame, double t, const Rect& source, const Rect& dest) const {
    const Stretched stretched = StretchedAt(frame, t, source, dest);
    const Rect& written = stretched.Written();
    SplitRows(written.Height(), int64_t{written.Width()} * written.Height(), [&](int32_t, int32_t begin, int32_t end) {
        stretched.DrawRows(frame, Rect{written.left, written.top + begin, written.right, written.top + end});
    });
    stretched.PaintOverlays(frame);
}

void SlideDecor::DrawHeld(Bitmap& frame, double t) {
    if (!HasMotion() || frame.Width() != width_ || frame.Height() != height_)
        return;
    FillRect(frame, frame.Bounds(), 0, 0, 0);
    staleClock_ = Rect{};
    heldAt_ = t;
    DrawMotion(frame, t);
}

bool SlideDecor::ReplaceMotionPicture(const Bitmap& picture) {
    if (!HasMotion() || picture.IsEmpty())
        return false;
    FillMotionSource(motionSource32_.Pixels(), picture);
    return true;
}

std::vector<Rect> SlideDecor::MoveClock(Bitmap& frame, const ClockFace& clock, const OverlayFont& font, bool moving) {
    if (width_ == 0 || frame.Width() != width_ || frame.Height() != height_ || clock.text.empty())
        return {};
    const Rect old = clockBox_;
    LayOutClock(clock, font);
    hasClock_ = true;
    if (HasMotion() && moving) {
        staleClock_ = UnionRect(staleClock_, old);
        return {};
    }
    if (HasMotion()) {  // at rest
        FillRect(frame, old, 0, 0, 0);
        std::vector<Rect> changed{old};
        std::vector<Rect> drawn = DrawMotion(frame, heldAt_);
        changed.insert(changed.end(), drawn.begin(), drawn.end());
        return changed;
    }
    StretchCopy(frame, old, clean_, old);
    PaintOverlay(frame, clockBox_, clockMask_);
    return {old, clockBox_};
}

}  // namespace orlscr
