#include "tools/slideview/overlay_paint.h"

#include <algorithm>

namespace orlscr {

namespace {

// The painting of both frame layouts: `row(y)` is row y of a frame of
// `width` x `height` pixels of kBytes bytes each, blue, green, red first.
template <int kBytes, class RowOf>
void PaintOverlayRows(RowOf row, int32_t width, int32_t height, const Rect& band, const Bitmap& mask) {
    const int32_t left = std::max(band.left, 0), top = std::max(band.top, 0);
    const int32_t right = std::min({band.right, width, band.left + mask.Width()});
    const int32_t bottom = std::min({band.bottom, height, band.top + mask.Height()});
    for (int32_t y = top; y < bottom; ++y) {
        uint8_t* out = row(y) + static_cast<size_t>(left) * kBytes;
        const uint8_t* cover = mask.Row(y - band.top) + static_cast<size_t>(left - band.left) * 3;
        for (int32_t x = left; x < right; ++x, out += kBytes, cover += 3) {
            const uint32_t c = cover[0];
            for (int k = 0; k < 3; ++k) {
                const uint32_t shaded = out[k] * kOverlayShade >> 8;
                out[k] = static_cast<uint8_t>(shaded + ((255 - shaded) * c + 127) / 255);
            }
        }
    }
}

}  // namespace

void PaintOverlay(Bitmap& frame, const Rect& band, const Bitmap& mask) {
    PaintOverlayRows<3>([&](int32_t y) { return frame.Row(y); }, frame.Width(), frame.Height(), band, mask);
}

void PaintOverlay(const BgrxPixels& frame, const Rect& band, const Bitmap& mask) {
    PaintOverlayRows<4>([&](int32_t y) { return frame.Row(y); }, frame.width, frame.height, band, mask);
}

}  // namespace orlscr
