#pragma once

#include <cstdint>

namespace orlscr {

// The quantities every style of a frame is computed from, all derived from the
// size of the new picture, the progress and the step (see ComputeFrame).
//   W, H     size of the new picture (and of the frame bitmap)
//   P        progress, 0..100
//   X, Y     progress in pixels: the longer side takes the percentage, the
//            shorter one follows in proportion
//   StepPx   slightly more than one frame's advance along the longer side
//   Step     the percentage added per frame (1..100)
struct FrameQuantities {
    int32_t W = 0;
    int32_t H = 0;
    int32_t P = 0;
    int32_t X = 0;
    int32_t Y = 0;
    int32_t StepPx = 0;
    int32_t Step = 4;
};

}  // namespace orlscr

namespace orlscr {

// a * b / c with a 64-bit product, rounded to the nearest integer, halves away
// from zero; -1 when c is 0 or the result does not fit in 32 bits.
int32_t MulDiv(int32_t a, int32_t b, int32_t c);

// The quantities of one frame for a new picture of width x height pixels:
// the longer side takes the percentage, the shorter follows in proportion.
FrameQuantities ComputeFrame(int32_t width, int32_t height, int32_t progress, int32_t step);

}  // namespace orlscr
