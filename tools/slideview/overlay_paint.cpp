#include "tools/slideview/overlay_paint.h"

#include <algorithm>

#include "raster/blit.h"

namespace orlscr {

namespace {

// The painting of both frame layouts within `area` (inside the frame):
// `row(y)` is row y of the frame, of pixels of kBytes bytes each, blue, green,
// red first.
template <int kBytes, class RowOf>
void PaintOverlayRows(RowOf row, const Rect& area, const Rect& band, const Bitmap& mask) {
    const int32_t left = std::max(band.left, area.left), top = std::max(band.top, area.top);
    const int32_t right = std::min({band.right, area.right, band.left + mask.Width()});
    const int32_t bottom = std::min({band.bottom, area.bottom, band.top + mask.Height()});
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
    PaintOverlayRows<3>([&](int32_t y) { return frame.Row(y); }, frame.Bounds(), band, mask);
}

void PaintOverlay(const BgrxPixels& frame, const Rect& band, const Bitmap& mask) {
    PaintOverlay(frame, band, mask, frame.Bounds());
}

void PaintOverlay(const BgrxPixels& frame, const Rect& band, const Bitmap& mask, const Rect& clip) {
    PaintOverlayRows<4>([&](int32_t y) { return frame.Row(y); }, IntersectRect(clip, frame.Bounds()), band, mask);
}

}  // namespace orlscr
