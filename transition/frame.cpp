#include "transition/frame.h"

namespace orlscr {

int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
    if (c == 0)
        return -1;
    const int64_t product = static_cast<int64_t>(a) * b;
    const bool negative = (product < 0) != (c < 0);
    const uint64_t magnitude = product < 0 ? 0 - static_cast<uint64_t>(product) : static_cast<uint64_t>(product);
    const uint64_t divisor = c < 0 ? 0 - static_cast<uint64_t>(static_cast<int64_t>(c)) : static_cast<uint64_t>(c);
    // Halves away from zero: add half the divisor before truncating.
    const uint64_t quotient = magnitude / divisor + (magnitude % divisor >= divisor - divisor / 2 ? 1 : 0);
    if (quotient > (negative ? uint64_t{0x80000000} : uint64_t{0x7FFFFFFF}))
        return -1;
    return negative ? static_cast<int32_t>(0 - quotient) : static_cast<int32_t>(quotient);
}

FrameQuantities ComputeFrame(int32_t width, int32_t height, int32_t progress, int32_t step) {
    FrameQuantities f;
    f.W = width;
    f.H = height;
    f.P = progress;
    f.Step = step;
    if (width >= height) {
        f.X = MulDiv(width, progress, 100);
        f.Y = MulDiv(f.X, height, width);
        f.StepPx = MulDiv(width, step, 90);
    } else {
        f.Y = MulDiv(height, progress, 100);
        f.X = MulDiv(f.Y, width, height);
        f.StepPx = MulDiv(height, step, 90);
    }
    return f;
}

}  // namespace orlscr
