#pragma once

#include <cstdint>
#include <vector>

#include "raster/bgrx.h"
#include "raster/bitmap.h"

namespace orlscr {

// The picture scaled to exactly width x height with a smooth filter: bilinear
// when enlarging, averaging every covered pixel when reducing. Where the
// picture goes on a screen is fit.h's business.
Bitmap ScalePicture(const Bitmap& picture, int32_t width, int32_t height);

// Fills the rectangle `dest` of `frame` (clipped to the frame) with the part
// of `picture` that starts at (left, top) and is width x height picture
// pixels large, edges fractional, with a plain bilinear filter in fixed point:
// fast enough to run for every frame of a full screen, meant for a picture
// already about the size it is drawn at (ScalePicture first for a large
// reduction). Samples beyond the picture's edge take the edge pixel.
void ScaleWindowInto(const Bitmap& picture,
                     double left,
                     double top,
                     double width,
                     double height,
                     Bitmap& frame,
                     const Rect& dest);
// The same, writing only the part of dest within `clip`, with the pixels the
// whole of dest would get there.
void ScaleWindowInto(const Bitmap& picture,
                     double left,
                     double top,
                     double width,
                     double height,
                     Bitmap& frame,
                     const Rect& dest,
                     const Rect& clip);

// The same for 32-bit pixels, from a 32-bit picture: the path a moving slide
// takes every frame, writing the frame the display shows without converting.
void ScaleWindowInto(const BgrxPixels& picture,
                     double left,
                     double top,
                     double width,
                     double height,
                     const BgrxPixels& frame,
                     const Rect& dest);
// The same, writing only the part of dest within `clip`.
void ScaleWindowInto(const BgrxPixels& picture,
                     double left,
                     double top,
                     double width,
                     double height,
                     const BgrxPixels& frame,
                     const Rect& dest,
                     const Rect& clip);

// The 32-bit scaling above worked out once, for drawing in parts: any
// number of them, from any thread, each with the pixels the whole of dest
// gets there. A transition that shows a moving slide in many pieces draws
// them without working the filter out for each. It keeps a view of the
// picture, which must outlive it unchanged.
class BgrxScalePlan {
  public:
    BgrxScalePlan() = default;
    // For a frame whose bounds are `bounds`.
    BgrxScalePlan(const BgrxPixels& picture,
                  double left,
                  double top,
                  double width,
                  double height,
                  const Rect& bounds,
                  const Rect& dest);
    // Dest within the bounds; empty when there is nothing to draw.
    const Rect& Shown() const { return shown_; }
    // The part of dest within `clip`, into a frame of those bounds.
    void Draw(const BgrxPixels& frame, const Rect& clip) const;
    // Row y's pixels from column `left` to `right` (all within Shown) into `out`.
    void DrawRow(int32_t y, int32_t left, int32_t right, uint8_t* out) const;

  private:
    void SampleRow(const uint8_t* row, int32_t x, int32_t count, uint8_t* out) const;

    BgrxPixels picture_;
    Rect shown_;  // dest within the bounds; empty: nothing to draw
    std::vector<int32_t> acrossFirst_, acrossSecond_, downFirst_, downSecond_;
    std::vector<uint16_t> downWeight_, pairs_;
    std::vector<uint8_t> shuffles_, bytes_;    // for two pixels at a time; none when they reach too far
    std::vector<uint8_t> perms_, eightBytes_;  // for eight at a time; none without the instructions
    size_t eightsReach_ = 0;                   // the bytes each eight loads (see VbmiTables)
    size_t rowBytes_ = 0;                      // the bytes of a source row the samples may read
};

// From a 32-bit picture into the part of dest within `clip` of a 24-bit
// frame, with the 24-bit scaler's pixels at the 32-bit one's speed.
void ScaleWindowInto(const BgrxPixels& picture,
                     double left,
                     double top,
                     double width,
                     double height,
                     Bitmap& frame,
                     const Rect& dest,
                     const Rect& clip);

}  // namespace orlscr
