#pragma once

#include "raster/bgrx.h"
#include "raster/bitmap.h"
#include "raster/geometry.h"

namespace orlscr {

// Copies `source` into `target` with its top-left corner at (x, y), clipped to
// both bitmaps.
void DrawBitmap(Bitmap& target, int32_t x, int32_t y, const Bitmap& source);

// Fills a rectangle of `target` (clipped) with one colour given as blue, green, red.
void FillRect(Bitmap& target, const Rect& rect, uint8_t blue, uint8_t green, uint8_t red);

// Nearest-pixel stretch copy of `sourceRect` of `source` onto `destRect` of
// `target`: shrinking drops whole rows and columns, enlarging repeats them.
// Destination pixels are the centres of an even spread over the source; a
// destination pixel whose source pixel lies outside `source` is left alone,
// and what falls outside `target` is clipped. An empty rectangle on either
// side draws nothing.
void StretchCopy(Bitmap& target, const Rect& destRect, const Bitmap& source, const Rect& sourceRect);
void StretchCopy(const BgrxPixels& target, const Rect& destRect, const BgrxPixels& source, const Rect& sourceRect);

// As StretchCopy, mirrored left to right and/or top to bottom. The source
// rectangle is first cut to the bitmap; the mirrored picture then covers
// exactly `destRect`.
void MirrorCopyRect(Bitmap& target,
                    const Rect& destRect,
                    const Bitmap& source,
                    const Rect& sourceRect,
                    bool flipHorizontal,
                    bool flipVertical);
void MirrorCopyRect(const BgrxPixels& target,
                    const Rect& destRect,
                    const BgrxPixels& source,
                    const Rect& sourceRect,
                    bool flipHorizontal,
                    bool flipVertical);

// Copies `sourceRect` of the 24-bit `source` into the 32-bit `target` with its
// top-left corner at (x, y), clipped to both; the fourth byte becomes 0.
void CopyToBgrx(const BgrxPixels& target, int32_t x, int32_t y, const Bitmap& source, const Rect& sourceRect);

// Copies `sourceRect` of `source` into `target` with its top-left corner at
// (x, y), clipped to both.
void CopyBgrx(const BgrxPixels& target, int32_t x, int32_t y, const BgrxPixels& source, const Rect& sourceRect);

// Fills a rectangle of `target` (clipped) with one colour given as blue, green, red.
void FillBgrx(const BgrxPixels& target, const Rect& rect, uint8_t blue, uint8_t green, uint8_t red);

// The smallest rectangle holding both (an empty one adds nothing), and the
// part common to both (empty when they do not meet).
Rect UnionRect(const Rect& a, const Rect& b);
Rect IntersectRect(const Rect& a, const Rect& b);

}  // namespace orlscr
