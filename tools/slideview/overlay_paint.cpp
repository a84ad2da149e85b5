#include "tools/slideview/overlay_paint.h"

#include <algorithm>

namespace orlscr {

void PaintOverlay(Bitmap& frame, const Rect& band, const Bitmap& mask) {
    const int32_t left = std::max(band.left, 0), top = std::max(band.top, 0);
    const int32_t right = std::min({band.right, frame.Width(), band.left + mask.Width()});
    const int32_t bottom = std::min({band.bottom, frame.Height(), band.top + mask.Height()});
    for (int32_t y = top; y < bottom; ++y) {
        uint8_t* out = frame.Row(y) + static_cast<size_t>(left) * 3;
        const uint8_t* cover = mask.Row(y - band.top) + static_cast<size_t>(left - band.left) * 3;
        for (int32_t x = left; x < right; ++x, out += 3, cover += 3) {
            const uint32_t c = cover[0];
            for (int k = 0; k < 3; ++k) {
                const uint32_t shaded = out[k] * kOverlayShade >> 8;
                out[k] = static_cast<uint8_t>(shaded + ((255 - shaded) * c + 127) / 255);
            }
        }
    }
}

}  // namespace orlscr
