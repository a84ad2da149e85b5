#include "transition/bgrx_style_frame.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "common/split_rows.h"
#include "raster/blit.h"
#include "transition/pixel_styles.h"
#include "transition/rect_styles.h"
#include "transition/style_ranges.h"

namespace orlscr {

namespace {

// Copies `parts` of `from` into the same places of `frame`, shared with a
// second processor by rows.
void CopyThrough(const BgrxPixels& frame, const BgrxPixels& from, const Region& parts) {
    int64_t pixels = 0;
    for (const Rect& part : parts.Rects())
        pixels += int64_t{part.Width()} * part.Height();
    SplitRows(frame.height, pixels, [&](int32_t, int32_t begin, int32_t end) {
        const Rect rows{0, begin, frame.width, end};
        for (const Rect& part : parts.Rects())
            if (const Rect r = IntersectRect(part, rows); !r.IsEmpty())
                CopyBgrx(frame, r.left, r.top, from, r);
    });
}

}  // namespace

std::optional<std::vector<RectStyleCopy>> CopiesOfBgrxStyleFrame(int style, const FrameQuantities& f) {
    const Rect full{0, 0, f.W, f.H};
    // A run starts from the old picture and ends with the whole new one; the
    // custom style (without a handler to draw it) shows that in between.
    if (f.P == 0)
        return std::vector<RectStyleCopy>{};
    if (f.P == 100 || style == kCustomStyle)
        return std::vector<RectStyleCopy>{{full, full}};
    if (IsRectStyle(style))
        return RectStyleCopies(style, f);
    return std::nullopt;
}

bool DrawsOnlyUnmirroredCopies(int style, const FrameQuantities& f) {
    const std::optional<std::vector<RectStyleCopy>> copies = CopiesOfBgrxStyleFrame(style, f);
    return copies && std::none_of(copies->begin(), copies->end(),
                                  [](const RectStyleCopy& copy) { return copy.flipX || copy.flipY; });
}

namespace {

// The old picture is put back within `stale` except where a copy overwrites
// every pixel anyway.
Region RestoreFor(const std::vector<RectStyleCopy>& copies, const Rect& full, const Region& stale) {
    std::vector<Rect> cover;
    for (const RectStyleCopy& copy : copies)
        if (const Rect r = IntersectRect(copy.dest, full); !r.IsEmpty() && copy.CoversDest(full))
            cover.push_back(r);
    Region restore = stale;
    restore.Subtract(Region::FromRects(std::move(cover)));
    return restore;
}

Region DrawCopies(const std::vector<RectStyleCopy>& copies,
                  const BgrxPixels& frame,
                  const BgrxPixels& oldPicture,
                  const BgrxPixels& newPicture,
                  const Region& stale,
                  const DrawStyleCopy* drawCopy) {
    const Rect full = frame.Bounds();
    CopyThrough(frame, oldPicture, RestoreFor(copies, full, stale));
    std::vector<Rect> drawn;
    for (const RectStyleCopy& copy : copies) {
        if (drawCopy && !copy.flipX && !copy.flipY)
            (*drawCopy)(frame, copy);
        else if (copy.flipX || copy.flipY)
            MirrorCopyRect(frame, copy.dest, newPicture, copy.source, copy.flipX, copy.flipY);
        else
            StretchCopy(frame, copy.dest, newPicture, copy.source);
        drawn.push_back(IntersectRect(copy.dest, full));
    }
    return Region::FromRects(std::move(drawn));
}

// The part of a copy's source that lands within `full`, a column and a row
// wider on each side than the even spread puts there (a copy pushed half out
// of the frame reads half its source).
Rect SourceShown(const RectStyleCopy& copy, const Rect& full) {
    const Rect shown = IntersectRect(copy.dest, full);
    if (shown.IsEmpty())
        return Rect{};
    const Rect& d = copy.dest;
    // A mirrored copy cuts its source to the picture before it spreads it.
    const Rect s = copy.flipX || copy.flipY ? IntersectRect(copy.source, full) : copy.source;
    // The source's span of destination span [a, b) of `from`, mirrored or not.
    auto span = [](int32_t a, int32_t b, int32_t fromStart, int32_t fromEnd, int32_t toStart, int32_t toEnd, bool flip,
                   int32_t& low, int32_t& high) {
        const int64_t from = int64_t{fromEnd} - fromStart, to = int64_t{toEnd} - toStart;
        int64_t i0 = a - fromStart, i1 = b - fromStart;
        if (flip) {
            const int64_t f0 = from - i1, f1 = from - i0;
            i0 = f0;
            i1 = f1;
        }
        low = static_cast<int32_t>(toStart + i0 * to / from - 1);
        high = static_cast<int32_t>(toStart + (i1 * to + from - 1) / from + 1);
    };
    Rect r;
    span(shown.left, shown.right, d.left, d.right, s.left, s.right, copy.flipX, r.left, r.right);
    span(shown.top, shown.bottom, d.top, d.bottom, s.top, s.bottom, copy.flipY, r.top, r.bottom);
    return r;
}

// The part of `box` outside `rows` (one rectangle a row at most, from the
// top down).
Region OutsideRows(const Rect& box, const std::vector<Rect>& rows) {
    if (rows.empty() || box.IsEmpty())
        return Region(box);
    std::vector<Rect> outside;
    auto row = rows.begin();
    for (int32_t y = box.top; y < box.bottom; ++y) {
        while (row != rows.end() && row->top < y)
            ++row;
        if (row == rows.end() || row->top != y) {
            outside.push_back(Rect{box.left, y, box.right, y + 1});
            continue;
        }
        outside.push_back(Rect{box.left, y, std::min(row->left, box.right), y + 1});
        outside.push_back(Rect{std::max(row->right, box.left), y, box.right, y + 1});
    }
    return Region::FromRects(std::move(outside));
}

}  // namespace

bool DrawsBgrxStyleFrame(int style) {
    return style == kCustomStyle || IsRectStyle(style) || IsPixelStyle(style);
}

BgrxStyleFrameReads ReadsOfBgrxStyleFrame(int style, const FrameQuantities& f, const Region& stale, bool drawsCopies) {
    const Rect full{0, 0, f.W, f.H};
    if (!DrawsBgrxStyleFrame(style))
        return {};
    const std::optional<std::vector<RectStyleCopy>> copies = CopiesOfBgrxStyleFrame(style, f);
    // The fade reads all of both; a swing reads of the old picture only what
    // it puts back, within the rows' spans around `stale` and outside what it
    // takes from the new one.
    if (!copies) {
        if (style == kFadeStyle)
            return {Region(full), Region(full)};
        return {OutsideRows(stale.BoundingBox(), PixelStyleTaken(style, f)), PixelStyleSource(style, f)};
    }
    std::vector<Rect> sources;
    for (const RectStyleCopy& copy : *copies)
        if (!drawsCopies || copy.flipX || copy.flipY)
            sources.push_back(IntersectRect(SourceShown(copy, full), full));
    return {RestoreFor(*copies, full, stale), Region::FromRects(std::move(sources))};
}

Region DrawBgrxStyleFrame(int style,
                          const FrameQuantities& f,
                          const BgrxPixels& frame,
                          const BgrxPixels& oldPicture,
                          const BgrxPixels& newPicture,
                          const Region& stale,
                          const DrawStyleCopy* drawCopy,
                          const TurnSource* turnSource) {
    if (frame.IsEmpty() || !DrawsBgrxStyleFrame(style))
        return Region();
    if (const std::optional<std::vector<RectStyleCopy>> copies = CopiesOfBgrxStyleFrame(style, f))
        return DrawCopies(*copies, frame, oldPicture, newPicture, stale, drawCopy);
    std::vector<Rect> rows;
    const Rect taken = DrawPixelStyle(style, frame, oldPicture, newPicture, f, &stale, &rows, turnSource);
    return rows.empty() ? Region(taken) : Region::FromRects(std::move(rows));
}

}  // namespace orlscr
