#pragma once

#include <cstddef>
#include <cstdint>

#include "raster/bitmap.h"

namespace orlscr {

// Resampling filters for reducing a picture to a smaller size. Every output
// pixel is a weighted sum of the source pixels within the filter's reach,
// scaled to the reduction, so fine detail is removed instead of folded back
// into false patterns.
enum class ReduceFilter {
    kBox,         // the average of every covered pixel
    kTriangle,    // linear weights over two pixels of the output
    kCatmullRom,  // cubic, sharp
    kMitchell,    // cubic (B = C = 1/3), soft
    kLanczos3,    // windowed sinc over three lobes
};

// The filter pictures are stored with: of those above, it keeps most of the
// detail the output can hold while folding back the least
// (bench/reduce_filter_bench.cpp measures them).
inline constexpr ReduceFilter kStoredPictureFilter = ReduceFilter::kLanczos3;

// Pixels of `channels` bytes each (3 or 4; alpha, if any, must be
// premultiplied), rows `stride` bytes apart; the order of the channels does
// not matter.
struct PixelView {
    uint8_t* bits = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    size_t stride = 0;
    int channels = 3;
};

// `to` (already allocated, same channels) filled with `from` resampled to its
// size. Meant for reducing; an enlarged side is interpolated by the same filter.
void ReducePixels(const PixelView& from, const PixelView& to, ReduceFilter filter = kStoredPictureFilter);

// The bitmap resampled to width x height.
Bitmap ReduceBitmap(const Bitmap& picture, int32_t width, int32_t height, ReduceFilter filter = kStoredPictureFilter);

}  // namespace orlscr
