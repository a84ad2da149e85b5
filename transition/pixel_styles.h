#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "raster/bgrx.h"
#include "raster/bitmap.h"
#include "transition/frame.h"
#include "transition/region.h"
#include "transition/style_ranges.h"

namespace orlscr {

// The pixel styles: the fade (118) and the four swings (119..122). They write
// every pixel of the frame themselves, row by row, 3 bytes a pixel.

// Runs a pixel style: `screen` holds the old picture and receives the frame.
// The pixel styles draw only where both bitmaps have pixels (in a frame they
// always have the same size) and never read or write outside either.
void DrawPixelStyle(int style, Bitmap& screen, const Bitmap& newBitmap, const FrameQuantities& f);
// The same frame straight from both pictures: `screen` need not hold the old
// picture first (nor anything else); every pixel the style does not take from
// `newBitmap` comes from `oldBitmap`. All three have the same size. Returns a
// rectangle outside which the frame equals the old picture. With `stale`,
// `screen` already holds the old picture outside that region, and a swing
// copies from `oldBitmap` only within each row's span of it. With
// `takenRows`, a swing appends
// what it took from `newBitmap`, one rectangle a row (the fade appends nothing).
Rect DrawPixelStyle(int style,
                    Bitmap& screen,
                    const Bitmap& oldBitmap,
                    const Bitmap& newBitmap,
                    const FrameQuantities& f,
                    const Region* stale = nullptr,
                    std::vector<Rect>* takenRows = nullptr);

// Where a swing takes the new picture from instead of a picture of the
// frame's size: `dest` of the new picture shows `window` (left, top, width,
// height) of `picture`, the nearest pixel of it, as a moving slide's picture
// drawn at its moment would show it, without that drawing. Within `patches`
// (what is drawn over or beside the picture: outside `dest`, a caption) the
// new picture is read as usual; it need hold nothing else.
//
// With `drawOld`, every pixel of the frame the swing does not take is drawn
// by it, a row's span at a time from any thread (`stale` and the old picture
// are not used): a frame composed in one pass. `alongside` runs on the
// calling thread meanwhile (see SplitRows).
struct TurnSource {
    BgrxPixels picture;
    double left = 0, top = 0, width = 0, height = 0;
    Rect dest;
    std::vector<Rect> patches;
    std::function<void(const Rect&)> drawOld;
    std::function<void()> alongside;
};

// The same frame in 32-bit pictures (the frame composed for the display),
// pixel for pixel as in 24 bits, the fourth byte taken like the others. A
// swing with `source` takes the new picture from it.
Rect DrawPixelStyle(int style,
                    const BgrxPixels& screen,
                    const BgrxPixels& oldPicture,
                    const BgrxPixels& newPicture,
                    const FrameQuantities& f,
                    const Region* stale = nullptr,
                    std::vector<Rect>* takenRows = nullptr,
                    const TurnSource* source = nullptr);

// The part of the new picture a frame of a pixel style at `f` takes pixels
// from, a little wider: all of it for the fade; for a swing, what turns into
// the frame.
Region PixelStyleSource(int style, const FrameQuantities& f);
// The pixels of the frame a swing at `f` takes from the new picture, exactly,
// one rectangle a row; none for the fade (or when a frame is too large to
// say).
std::vector<Rect> PixelStyleTaken(int style, const FrameQuantities& f);

// The fade: every byte becomes s * (100 - p) / 100 + n * p / 100, both terms
// truncated on their own, so the sum never exceeds 255. BlendBitmapsReference
// is the same, one byte at a time, for comparison.
void BlendBitmaps(Bitmap& screen, const Bitmap& newBitmap, int32_t p);
// The same frame straight from both pictures, without restoring the old one
// into `screen` first: one pass over memory instead of two. For a frame loop
// that would otherwise restore and then blend, with nothing drawn between.
void BlendBitmaps(Bitmap& screen, const Bitmap& oldBitmap, const Bitmap& newBitmap, int32_t p);
void BlendBitmapsReference(Bitmap& screen, const Bitmap& newBitmap, int32_t p);

// The swing: every pixel (x, y) of `screen` takes pixel (u, v) of `newBitmap`,
// the point (x, y) turned by `angle` about (cx, cy) and rounded half to even,
// or keeps the old picture when (u, v) lies outside. RotateBitmapReference
// evaluates the rotation directly for every pixel, for comparison.
void RotateBitmap(Bitmap& screen, const Bitmap& newBitmap, int32_t cx, int32_t cy, double angle);
void RotateBitmapReference(Bitmap& screen, const Bitmap& newBitmap, int32_t cx, int32_t cy, double angle);
// The same frame without restoring the old picture into `screen` first: the
// pixels the rotation does not take come from `oldBitmap`.
void RotateBitmap(Bitmap& screen,
                  const Bitmap& oldBitmap,
                  const Bitmap& newBitmap,
                  int32_t cx,
                  int32_t cy,
                  double angle);
// The swing angle at progress p: (100 - p) * pi / 200 radians, a quarter turn
// at 0 and none at 100.
double SwingAngle(int32_t p);

}  // namespace orlscr
