#include "transition/layout.h"

#include <algorithm>

#include "transition/frame.h"

namespace orlscr {

Rect FitRect(const Rect& source, const Rect& target) {
    const int32_t sw = source.Width(), sh = source.Height();
    const int32_t tw = target.Width(), th = target.Height();
    int32_t w = 0, h = 0;
    // th / sh > tw / sw, compared exactly as th * sw > tw * sh (sizes are
    // positive; an empty source compares as "height limits").
    if (sw > 0 && sh > 0 && static_cast<int64_t>(th) * sw > static_cast<int64_t>(tw) * sh) {
        w = MulDiv(sw, tw, sw);
        h = MulDiv(sh, tw, sw);
    } else {
        w = MulDiv(sw, th, sh);
        h = MulDiv(sh, th, sh);
    }
    const int32_t left = target.left + (tw - w) / 2;
    const int32_t top = target.top + (th - h) / 2;
    return Rect{left, top, left + w, top + h};
}

std::vector<Point> TilePositions(const Rect& area, int32_t tileWidth, int32_t tileHeight) {
    std::vector<Point> tiles;
    if (tileWidth <= 0 || tileHeight <= 0 || area.IsEmpty())
        return tiles;
    const int32_t rows = area.Height() / tileHeight + 1;
    const int32_t columns = area.Width() / tileWidth + 1;
    tiles.reserve(static_cast<size_t>(rows) * columns);
    for (int32_t row = 0; row < rows; ++row)
        for (int32_t column = 0; column < columns; ++column)
            tiles.push_back(Point{area.left + column * tileWidth, area.top + row * tileHeight});
    return tiles;
}

Point CenteredOrigin(const Rect& area, int32_t width, int32_t height) {
    return Point{area.left + (area.Width() - width) / 2, area.top + (area.Height() - height) / 2};
}

Rect ComputePlacement(int32_t screenWidth,
                      int32_t screenHeight,
                      int32_t clientWidth,
                      int32_t clientHeight,
                      bool center) {
    Rect placement{0, 0, screenWidth, screenHeight};
    if (center) {
        const int32_t dx = (clientWidth - screenWidth) / 2;
        const int32_t dy = (clientHeight - screenHeight) / 2;
        placement = Rect{dx, dy, dx + screenWidth, dy + screenHeight};
    }
    return placement;
}

Rect FrameTarget(const PictureLayout& layout) {
    if (!layout.stretch)
        return layout.placement;
    return layout.stretchFine ? FitRect(layout.placement, layout.client) : layout.client;
}

Rect MapPictureRect(const Rect& rect, const PictureLayout& layout) {
    const Rect& p = layout.placement;
    if (layout.stretch) {
        const Rect t = FrameTarget(layout);
        const int32_t pw = p.Width(), ph = p.Height();
        return Rect{MulDiv(rect.left, t.Width(), pw) + t.left, MulDiv(rect.top, t.Height(), ph) + t.top,
                    MulDiv(rect.right, t.Width(), pw) + t.left, MulDiv(rect.bottom, t.Height(), ph) + t.top};
    }
    Rect r = rect;
    if (layout.center)
        r = Rect{r.left + p.left, r.top + p.top, r.right + p.left, r.bottom + p.top};
    return Rect{std::max(r.left, p.left), std::max(r.top, p.top), std::min(r.right, p.right),
                std::min(r.bottom, p.bottom)};
}

}  // namespace orlscr
