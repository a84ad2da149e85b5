#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "raster/geometry.h"

namespace orlscr {

// The corners a caption takes in turn, one slide after another.
enum class Corner { kBottomLeft, kBottomRight, kTopRight, kTopLeft };

// The corner of the `shown`-th slide of a run (counted from 0).
Corner CaptionCorner(uint64_t shown);

// The height of caption and clock text in pixels: it follows the monitor's
// height, and never falls below 11 points at the monitor's DPI, so it reads
// on a small high-DPI screen and does not shrink to nothing on a big one.
int32_t OverlayTextHeight(int32_t screen_height, int32_t dpi);

// Width in pixels of a text in the overlay font.
using TextWidth = std::function<int32_t(std::string_view)>;

// The longest start of `text` that fits `max_width` with "..." after it; the
// text itself when it fits; empty when not even "..." fits.
std::string FitWithEllipsis(std::string_view text, int32_t max_width, const TextWidth& width);

// A caption laid out: the translucent band, the text's box inside it and the
// text to draw (cut with an ellipsis when too long). Nothing to draw when
// `shown` is empty.
struct CaptionLayout {
    Rect band;
    Rect text;
    std::string shown;
};

// The caption near `corner` of `picture` (where the picture lies on its
// screen, bands left out), inset by a margin and never wider than the picture
// less its margins.
CaptionLayout LayOutCaption(std::string_view text,
                            const Rect& picture,
                            int32_t text_height,
                            Corner corner,
                            const TextWidth& width);

}  // namespace orlscr
