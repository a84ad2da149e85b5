#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "raster/bitmap.h"

namespace orlscr {

// The PNG `data` (signature and chunks, as DecodePng gives libpng; `width` x
// `height` as its header says) decoded row by row and reduced `factor` times
// in both directions by averaging each factor x factor block (the blocks of
// the last row and column may be smaller), alpha composed over `background`
// as DecodePng composes it. Memory: the reduced bitmap and a row. nullopt for
// a factor below 2, an interlaced picture, and a picture libpng cannot read
// to its end (the full decode then says why).
std::optional<Bitmap> DecodePngReduced(const uint8_t* data,
                                       size_t size,
                                       uint32_t width,
                                       uint32_t height,
                                       int factor,
                                       uint32_t background);

}  // namespace orlscr
