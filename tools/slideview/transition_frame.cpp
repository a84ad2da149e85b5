#include "tools/slideview/transition_frame.h"

#include <algorithm>
#include <atomic>
#include <vector>

#include "common/split_rows.h"
#include "raster/blit.h"
#include "transition/frame.h"
#include "transition/pixel_styles.h"
#include "transition/style_ranges.h"

namespace orlscr {

namespace {

// Each row of each part drawn has a cost of its own besides its pixels; above
// this many such rows for every row of the frame, a slide is drawn once over
// the box around its parts.
constexpr int64_t kMaxPartsAcross = 40;
// The frame is drawn in bands of rows, shared with a second processor.
constexpr int32_t kBands = 4;
// Rows drawn across all parts at a time.
constexpr int32_t kStripRows = 8;
// Rows of both slides drawn and blended at a time: the two slides' rows stay
// in the processor's cache until they are blended.
constexpr int32_t kFadeRows = 16;
// The fade's strips are shared by the calling thread and SplitRows' helper.
constexpr int32_t kThreads = 2;

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
            // A few rows at a time across all parts: the picture's rows they
            // read stay in the cache from one part to the next, where a part
            // drawn whole would fetch a short piece of every row it reads.
            // A region's bands come from the top down, so the parts a strip
            // meets follow those of the strip above.
            size_t restFirst = 0, shownFirst = 0;
            auto drawStrip = [&](const DrawSlidePart& slide, const Region& region, size_t& first, const Rect& strip) {
                const std::vector<Rect>& parts = region.Rects();
                while (first < parts.size() && parts[first].bottom <= strip.top)
                    ++first;
                for (size_t i = first; i < parts.size() && parts[i].top < strip.bottom; ++i)
                    draw(slide, frame, parts[i], strip);
            };
            for (int32_t top = rows.top; top < rows.bottom; top += kStripRows) {
                const Rect strip{0, top, frame.width, std::min(top + kStripRows, rows.bottom)};
                drawStrip(going, rest, restFirst, strip);
                drawStrip(coming, shown, shownFirst, strip);
            }
            return;
        }
        draw(going, frame, rest_box, rows);
        draw(coming, coming_aside, shown_box, rows);
        for (const Rect& part : shown.Rects())
            draw(copy_aside, frame, part, rows);
    });
}

void ComposeFadeFrame(const BgrxPixels& frame,
                      int32_t p,
                      const DrawSlidePart& going,
                      const DrawSlidePart& coming,
                      BgrxImage& aside,
                      const std::function<void()>& alongside) {
    if (frame.IsEmpty())
        return;
    // Each thread draws the coming slide's strips into the same rows of its
    // own, which stay in the cache, where rows of a whole frame would be new
    // memory for every strip.
    if (aside.Width() != frame.width || aside.Height() != kFadeRows * kThreads)
        aside = BgrxImage(frame.width, kFadeRows * kThreads);
    const BgrxPixels coming_rows = aside.Pixels();
    const FrameQuantities f = ComputeFrame(frame.width, frame.height, p, 1);
    // Rows [top, bottom) of a picture, as a picture of their own.
    auto rows_of = [](const BgrxPixels& picture, int32_t top, int32_t bottom) {
        return BgrxPixels{picture.Row(top), picture.width, bottom - top, picture.stride};
    };
    // The strips go to whichever thread is free, so a helper thread that
    // starts late still takes its share.
    const int32_t strips = (frame.height + kFadeRows - 1) / kFadeRows;
    std::atomic<int32_t> next{0};
    SplitRows(
        kThreads, int64_t{frame.width} * frame.height,
        [&](int32_t thread, int32_t, int32_t) {
            const int32_t own = thread * kFadeRows;
            for (int32_t s; (s = next++) < strips;) {
                const int32_t top = s * kFadeRows;
                const Rect strip{0, top, frame.width, std::min(top + kFadeRows, frame.height)};
                going(frame, strip);
                // The coming slide draws in frame coordinates and only within the
                // strip, so it gets a frame whose strip rows are the thread's own.
                const auto shift = static_cast<uintptr_t>(top - own) * static_cast<uintptr_t>(coming_rows.stride);
                const BgrxPixels coming_frame{
                    reinterpret_cast<uint8_t*>(reinterpret_cast<uintptr_t>(coming_rows.bits) - shift), frame.width,
                    frame.height, coming_rows.stride};
                coming(coming_frame, strip);
                const BgrxPixels here = rows_of(frame, strip.top, strip.bottom);
                DrawPixelStyle(kFadeStyle, here, here, rows_of(coming_rows, own, own + strip.Height()), f);
            }
        },
        alongside);
}

}  // namespace orlscr
