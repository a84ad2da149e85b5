#include "tools/slideview/transition_frame.h"

#include "common/split_rows.h"
#include "raster/blit.h"

namespace orlscr {

namespace {

// Each row of each part drawn has a cost of its own besides its pixels; above
// this many such rows for every row of the frame, a slide is drawn once over
// the box around its parts.
constexpr int64_t kMaxPartsAcross = 40;
// The frame is drawn in bands of rows, shared with a second processor.
constexpr int32_t kBands = 4;

int64_t PartRows(const Region& region) {
    int64_t rows = 0;
    for (const Rect& part : region.Rects())
        rows += part.Height();
    return rows;
}

}  // namespace

void ComposeTransitionFrame(const BgrxPixels& frame,
                            const Region& shown,
                            const DrawSlidePart& going,
                            const DrawSlidePart& coming,
                            BgrxImage& aside) {
    if (frame.IsEmpty())
        return;
    Region rest(frame.Bounds());
    rest.Subtract(shown);
    const bool by_parts = PartRows(rest) + PartRows(shown) <= kMaxPartsAcross * frame.height;
    if (!by_parts && (aside.Width() != frame.width || aside.Height() != frame.height))
        aside = BgrxImage(frame.width, frame.height);
    const BgrxPixels coming_aside = aside.Pixels();
    const DrawSlidePart copy_aside = [&](const BgrxPixels& to, const Rect& part) {
        CopyBgrx(to, part.left, part.top, coming_aside, part);
    };
    const Rect rest_box = rest.BoundingBox(), shown_box = shown.BoundingBox();
    auto draw = [](const DrawSlidePart& slide, const BgrxPixels& to, const Rect& part, const Rect& rows) {
        if (const Rect r = IntersectRect(part, rows); !r.IsEmpty())
            slide(to, r);
    };
    SplitRows(kBands, int64_t{frame.width} * frame.height, [&](int32_t, int32_t begin, int32_t end) {
        const Rect rows{0, frame.height * begin / kBands, frame.width, frame.height * end / kBands};
        if (by_parts) {
            for (const Rect& part : rest.Rects())
                draw(going, frame, part, rows);
            for (const Rect& part : shown.Rects())
                draw(coming, frame, part, rows);
            return;
        }
        draw(going, frame, rest_box, rows);
        draw(coming, coming_aside, shown_box, rows);
        for (const Rect& part : shown.Rects())
            draw(copy_aside, frame, part, rows);
    });
}

}  // namespace orlscr
