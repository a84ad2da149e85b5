#pragma once

#include <cstdint>

namespace orlscr {

// Straight (not premultiplied) alpha laid over an opaque background in the
// stored sRGB values, as image viewers and browsers compose it: white at 69 %
// over black gives 176, not the 216 of composing in linear light.
inline uint8_t ComposeOver(uint8_t colour, uint8_t alpha, uint8_t background) {
    return static_cast<uint8_t>((unsigned{colour} * alpha + unsigned{background} * (255u - alpha) + 127u) / 255u);
}

}  // namespace orlscr
