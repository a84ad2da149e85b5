#pragma once

#include <cstdint>

#include "raster/bgrx.h"
#include "raster/bitmap.h"
#include "raster/geometry.h"

namespace orlscr {

// Paints a caption or the clock over a frame: the band darkened to
// kOverlayShade/256 of its brightness (a translucent black, so the text reads
// on white sky and black night alike), then white text by `mask`, a band-sized
// picture whose blue channel is the text's coverage (0 none, 255 full), its
// top-left corner on the band's. Clipped to the frame.
void PaintOverlay(Bitmap& frame, const Rect& band, const Bitmap& mask);
void PaintOverlay(const BgrxPixels& frame, const Rect& band, const Bitmap& mask);
// The same within `clip` only.
void PaintOverlay(const BgrxPixels& frame, const Rect& band, const Bitmap& mask, const Rect& clip);

inline constexpr uint32_t kOverlayShade = 96;

}  // namespace orlscr
