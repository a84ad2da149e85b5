#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "raster/bgrx.h"
#include "transition/frame.h"
#include "transition/pixel_styles.h"
#include "transition/rect_styles.h"
#include "transition/region.h"

namespace orlscr {

// The frame of a style at `f`, drawn in 32-bit pixels straight from both
// pictures whole (each the frame's size): for a frame composed for the
// display, where a picture may change from one frame to the next (a slide
// that moves). The custom style (the whole new picture at once), the rectangle
// styles and the pixel styles: pixel for pixel what the engine's frame of a
// run set up to go from 0 to f.P shows (at 0 the old picture). The region
// styles, which the engine draws in place, are not drawn here.
//
// `frame` holds the old picture except within `stale`: what the last call
// returned, or the whole frame when the old picture changed since or the
// frame held something else. Returns what this frame may show other than the
// old picture (the parts the new one was drawn into). `oldPicture` may be
// `frame` itself, with nothing stale, once the old picture is drawn into the
// frame wherever a frame with all of it stale reads it.
//
// With `drawCopy`, the unmirrored copies of the new picture that the rect
// styles make are drawn by it instead (frame, the copy): a caller whose new
// picture moves can draw its part straight from the slide at the copy's size.
// The new picture is then read only for mirrored copies (see
// CopiesOfBgrxStyleFrame). With `turnSource`, a swing takes the new picture
// from there, reading `newPicture` only within its patches.
using DrawStyleCopy = std::function<void(const BgrxPixels& frame, const RectStyleCopy& copy)>;
Region DrawBgrxStyleFrame(int style,
                          const FrameQuantities& f,
                          const BgrxPixels& frame,
                          const BgrxPixels& oldPicture,
                          const BgrxPixels& newPicture,
                          const Region& stale,
                          const DrawStyleCopy* drawCopy = nullptr,
                          const TurnSource* turnSource = nullptr);

// The copies of the new picture the frame at `f` makes, in drawing order;
// none (nullopt) for a style that draws its frame pixel by pixel.
std::optional<std::vector<RectStyleCopy>> CopiesOfBgrxStyleFrame(int style, const FrameQuantities& f);

// Whether the frame at `f` is made of copies of the new picture none of which
// is mirrored: a DrawStyleCopy then draws every one, and DrawBgrxStyleFrame
// reads nothing of the new picture.
bool DrawsOnlyUnmirroredCopies(int style, const FrameQuantities& f);

// What the frame DrawBgrxStyleFrame draws reads of each picture: a caller
// that draws the pictures afresh for every frame (slides that move) need
// draw only these parts. With `drawsCopies` (a DrawStyleCopy given), the
// new picture is read only by the mirrored copies.
struct BgrxStyleFrameReads {
    Region oldPicture;
    Region newPicture;
};
BgrxStyleFrameReads ReadsOfBgrxStyleFrame(int style,
                                          const FrameQuantities& f,
                                          const Region& stale,
                                          bool drawsCopies = false);

// Whether DrawBgrxStyleFrame draws `style`.
bool DrawsBgrxStyleFrame(int style);

}  // namespace orlscr
