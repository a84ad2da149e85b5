#pragma once

#include <functional>
#include <vector>

#include "raster/bitmap.h"
#include "raster/geometry.h"
#include "transition/frame.h"
#include "transition/style_ranges.h"

namespace orlscr {

// The style step of the rectangle styles 1..57. On entry `dest` and `source`
// are both the whole picture; the style may draw pieces of `newBitmap` into
// `screen` first (each followed by `invalidate` of the piece's destination),
// and leaves the final rectangles for the frame's closing stretch copy.
void RunRectStyle(int style,
                  const FrameQuantities& f,
                  Bitmap& screen,
                  const Bitmap& newBitmap,
                  const std::function<void(const Rect&)>& invalidate,
                  Rect& dest,
                  Rect& source);

// The rectangles of the same step without drawing: the pieces' destinations
// in order, and `dest` and `source` as RunRectStyle leaves them.
void RectStylePieces(int style, const FrameQuantities& f, std::vector<Rect>& pieces, Rect& dest, Rect& source);

// One copy of the new picture in a step: `source` stretched onto `dest`
// (StretchCopy), or mirrored (MirrorCopyRect) when flipX or flipY.
struct RectStyleCopy {
    Rect dest;
    Rect source;
    bool flipX = false;
    bool flipY = false;

    // Whether the copy writes every pixel of `dest` within `picture` (the
    // new picture's bounds): a stretch whose source lies inside the picture
    // does, and so does a mirrored copy, which cuts its source to it first.
    bool CoversDest(const Rect& picture) const;
};
// Every copy of the step at `f` in drawing order, the closing copy last when
// f.P > 0: the frame without the old picture's restore.
std::vector<RectStyleCopy> RectStyleCopies(int style, const FrameQuantities& f);

// The parts of the frame (cut to it) that the step at `f` overwrites whatever
// they held, the closing copy included when f.P > 0: what need not be
// restored before it.
std::vector<Rect> RectStyleCover(int style, const FrameQuantities& f);

// Styles whose pieces and final rectangle all copy the new picture in place
// (source and destination the same, unmirrored): every pixel of a frame shows
// the old or the new picture at its own place, so frame to frame only the
// difference of their rectangles changes.
bool IsInPlaceRectStyle(int style);

// Width of the page-turn curl for a progress of `x` pixels along a side of `w`.
int32_t CurlWidth(int32_t w, int32_t x);

}  // namespace orlscr
