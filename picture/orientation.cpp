#include <cstring>

#include "picture/decode.h"

namespace orlscr {

Bitmap Orient(const Bitmap& bitmap, int orientation) {
    if (orientation < 2 || orientation > 8 || bitmap.IsEmpty())
        return bitmap;
    const int32_t w = bitmap.Width(), h = bitmap.Height();
    const bool turns = orientation >= 5;  // the sides swap
    Bitmap out(turns ? h : w, turns ? w : h);
    for (int32_t y = 0; y < out.Height(); ++y) {
        uint8_t* dst = out.Row(y);
        for (int32_t x = 0; x < out.Width(); ++x, dst += 3) {
            int32_t sx = x, sy = y;  // the stored pixel shown at (x, y)
            switch (orientation) {
                case 2: sx = w - 1 - x; break;
                case 3: sx = w - 1 - x, sy = h - 1 - y; break;
                case 4: sy = h - 1 - y; break;
                case 5: sx = y, sy = x; break;
                case 6: sx = y, sy = h - 1 - x; break;
                case 7: sx = w - 1 - y, sy = h - 1 - x; break;
                case 8: sx = w - 1 - y, sy = x; break;
            }
            std::memcpy(dst, bitmap.Row(sy) + 3 * sx, 3);
        }
    }
    return out;
}

}  // namespace orlscr
