#include "tools/slideview/caption_layout.h"

#include <algorithm>

namespace orlscr {

Corner CaptionCorner(uint64_t shown) {
    return static_cast<Corner>(shown % 4);
}

int32_t OverlayTextHeight(int32_t screen_height, int32_t dpi) {
    const int32_t least = (11 * std::max(dpi, 1) + 36) / 72;
    return std::max(screen_height / 30, least);
}

std::string FitWithEllipsis(std::string_view text, int32_t max_width, const TextWidth& width) {
    if (width(text) <= max_width)
        return std::string(text);
    // The widths of the starts only grow, so the longest that fits is found
    // by halving.
    size_t fits = 0, fails = text.size();
    if (width("...") > max_width)
        return {};
    while (fails - fits > 1) {
        const size_t middle = (fits + fails) / 2;
        if (width(std::string(text.substr(0, middle)) + "...") <= max_width)
            fits = middle;
        else
            fails = middle;
    }
    std::string_view start = text.substr(0, fits);
    while (!start.empty() && start.back() == ' ')
        start.remove_suffix(1);
    return std::string(start) + "...";
}

CaptionLayout LayOutCaption(std::string_view text,
                            const Rect& picture,
                            int32_t text_height,
                            Corner corner,
                            const TextWidth& width) {
    CaptionLayout layout;
    const int32_t pad = std::max(text_height / 3, 1);
    const int32_t margin = text_height;
    const int32_t room = picture.Width() - 2 * margin - 2 * pad;
    if (text.empty() || room <= 0 || picture.Height() < text_height + 2 * pad + 2 * margin)
        return layout;
    layout.shown = FitWithEllipsis(text, room, width);
    if (layout.shown.empty())
        return layout;
    const int32_t w = std::min(width(layout.shown), room) + 2 * pad;
    const int32_t h = text_height + 2 * pad;
    const bool right = corner == Corner::kBottomRight || corner == Corner::kTopRight;
    const bool top = corner == Corner::kTopRight || corner == Corner::kTopLeft;
    layout.band.left = right ? picture.right - margin - w : picture.left + margin;
    layout.band.top = top ? picture.top + margin : picture.bottom - margin - h;
    layout.band.right = layout.band.left + w;
    layout.band.bottom = layout.band.top + h;
    layout.text = {layout.band.left + pad, layout.band.top + pad, layout.band.right - pad, layout.band.bottom - pad};
    return layout;
}

}  // namespace orlscr
