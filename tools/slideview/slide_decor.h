#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "builder/slide_list.h"
#include "raster/bgrx.h"
#include "raster/bgrx_image.h"
#include "raster/bitmap.h"
#include "raster/geometry.h"
#include "raster/scale.h"
#include "tools/slideview/caption_layout.h"
#include "tools/slideview/motion_path.h"
#include "transition/pixel_styles.h"

namespace orlscr {

// The overlay font: text widths and coverage masks (see overlay_paint.h).
class OverlayFont {
  public:
    virtual ~OverlayFont() = default;
    virtual int32_t Width(std::string_view text, int32_t height) const = 0;
    // A width x mask_height mask with `text` at (x, y).
    virtual Bitmap Mask(const std::string& text,
                        int32_t height,
                        int32_t width,
                        int32_t mask_height,
                        int32_t x,
                        int32_t y) const = 0;
};

// What a clock shows: its text (empty: no clock) and the minute it is in.
struct ClockFace {
    std::string text;
    int64_t minute = 0;
};

// One screen's slide with what the viewer draws over it: the caption, the
// clock and the motion. It makes the slide's first frame, and afterwards
// changes the frame on show (the picture control's frame, which it is given)
// only where something changed, returning those rectangles for repainting.
class SlideDecor {
  public:
    // The first frame (width x height) of the `shown`-th slide of the run: the
    // picture as the slide's options fit it, or where its motion starts, with
    // the caption and the clock over it.
    Bitmap FirstFrame(const Bitmap& picture,
                      const SlideOptions& options,
                      const std::string& caption,
                      uint64_t shown,
                      int32_t width,
                      int32_t height,
                      int32_t dpi,
                      const ClockFace& clock,
                      const OverlayFont& font);

    bool HasMotion() const { return !motionSource32_.IsEmpty(); }

    // The moving slide at time t (0..1 along its path) into `frame`, drawn
    // only within `clip` (the part a transition shows; an overlay crossing it
    // is drawn whole). Returns the rectangles of the picture and the clock.
    std::vector<Rect> DrawMotion(Bitmap& frame, double t, const Rect& clip) const;
    std::vector<Rect> DrawMotion(Bitmap& frame, double t) const { return DrawMotion(frame, t, frame.Bounds()); }

    // The moving slide at time t into the 32-bit frame on show while it
    // moves, which holds the last frame drawn (black, the first time): the
    // picture's place, the overlays, and wherever the clock stood since the
    // last frame. Returns the rectangle around what changed.
    Rect DrawMotion(const BgrxPixels& frame, double t);

    // The moving slide's picture at time t, worked out for a frame of the
    // slide's size (see DrawMotionPart).
    BgrxScalePlan MotionPlan(double t) const;
    // Every pixel of `part` of a 32-bit frame afresh: the moving slide as
    // planned, black around the picture, and the overlays. A transition
    // composes its frames of such parts of the two slides (from two threads
    // at once, on parts that do not overlap).
    void DrawMotionPart(const BgrxPixels& frame, const BgrxScalePlan& plan, const Rect& part) const;
    // The part `source` of the moving slide at time t (in the slide's own
    // places) spread over `dest` of a 32-bit frame, scaled once straight from
    // the picture: the black around it and the overlays spread with it.
    // Pixels of `dest` whose source lies outside the slide are left alone.
    // For a transition that moves or stretches the coming slide.
    void DrawMotionStretched(const BgrxPixels& frame, double t, const Rect& source, const Rect& dest) const;
    // The same worked out first and drawn in parts: rows of it (from several
    // threads at once, on rows that do not overlap), then the overlays.
    class Stretched {
      public:
        // What it draws (empty: nothing).
        const Rect& Written() const { return written_; }
        void DrawRows(const BgrxPixels& frame, const Rect& rows) const;
        void PaintOverlays(const BgrxPixels& frame) const;

      private:
        friend class SlideDecor;
        Rect written_, pictureAt_;
        BgrxScalePlan plan_;
        std::vector<std::pair<Rect, const Bitmap*>> overlays_;
    };
    Stretched StretchedAt(const BgrxPixels& frame, double t, const Rect& source, const Rect& dest) const;
    // The moving slide at time t for a swing to take straight from its
    // picture: its patches (the black around the picture, the overlays) are
    // read from the slide drawn as usual (DrawMotionPart).
    TurnSource TurnSourceAt(double t) const;

    // The moving slide held at time t, drawn whole into `frame` (black
    // around the picture): the frame on show once it stops moving, where it
    // rests from then on.
    void DrawHeld(Bitmap& frame, double t);

    // An animated slide's next frame (of the size of the first) becomes the
    // picture that moves, on the same path: the next frame drawn shows it.
    // False when the slide does not move.
    bool ReplaceMotionPicture(const Bitmap& picture);
    // The moving slide at rest, drawn again whole where it rests.
    void RedrawHeld(Bitmap& frame) { DrawHeld(frame, heldAt_); }

    // The clock moved on: its old place shows the slide again and the clock
    // stands at its new place. A slide that is `moving` changes nothing here
    // (its next 32-bit frame draws the clock and clears the old place); one at
    // rest is drawn again where it was held (where it started, if never).
    std::vector<Rect> MoveClock(Bitmap& frame, const ClockFace& clock, const OverlayFont& font, bool moving);

    const CaptionLayout& Caption() const { return caption_; }
    const Rect& ClockBox() const { return clockBox_; }

  private:
    void LayOutClock(const ClockFace& clock, const OverlayFont& font);
    template <class Frame>
    void PaintOverlays(Frame& frame) const;

    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t textHeight_ = 0;
    CaptionLayout caption_;
    Bitmap captionMask_;
    bool hasClock_ = false;
    Rect clockBox_;
    Bitmap clockMask_;
    // A still slide's frame without the clock, to put back where it stood.
    Bitmap clean_;
    // A moving slide's picture, reduced to about the screen's size, in 32
    // bits (the fast scaler's), and its path.
    BgrxImage motionSource32_;
    MotionPath motion_;
    // Where the clock stood since the last 32-bit frame (empty: nowhere else).
    Rect staleClock_;
    // The time on the path where a moving slide rests (DrawHeld).
    double heldAt_ = 0;
};

}  // namespace orlscr
