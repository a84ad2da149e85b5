#pragma once

#include <functional>

#include "raster/bgrx.h"
#include "raster/bgrx_image.h"
#include "transition/region.h"

namespace orlscr {

// Draws every pixel of a part (frame coordinates) of one slide into a 32-bit
// frame.
using DrawSlidePart = std::function<void(const BgrxPixels& frame, const Rect& part)>;

// One frame of a transition between slides of which one or both move,
// composed straight into the 32-bit frame on show: the coming slide within
// `shown`, the going one elsewhere, both drawn afresh. A region of few or
// large rectangles is drawn part by part. One of many small ones (a random
// pattern) has each slide drawn once over the box around its parts, the
// coming one into `aside` (made the frame's size when it is not) and copied
// from there through its parts. The draws run on two threads at once, on
// parts that do not overlap.
void ComposeTransitionFrame(const BgrxPixels& frame,
                            const Region& shown,
                            const DrawSlidePart& going,
                            const DrawSlidePart& coming,
                            BgrxImage& aside);

// The fade at `p` (0..100) between slides of which one or both move, into
// the 32-bit frame on show: `going` drawn into the frame and `coming` into
// `aside` (made a few rows for each of two threads when it is not) a few
// rows at a time, and those rows blended at once, while they are still in
// the cache. `alongside` runs on the calling thread meanwhile (see SplitRows).
void ComposeFadeFrame(const BgrxPixels& frame,
                      int32_t p,
                      const DrawSlidePart& going,
                      const DrawSlidePart& coming,
                      BgrxImage& aside,
                      const std::function<void()>& alongside = nullptr);

}  // namespace orlscr
