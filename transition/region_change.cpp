#include "transition/region_change.h"

#include <algorithm>

#include "raster/blit.h"
#include "transition/copy_span.h"
#include "transition/region_sweep.h"

namespace orlscr {

namespace {

// Side of a cell of the grid the changed area is reported in.
constexpr int32_t kCell = 64;

// The cells of a grid over the frame that hold a changed pixel.
class ChangedCells {
  public:
    ChangedCells(int32_t width, int32_t height)
        : width_(width),
          height_(height),
          columns_((width + kCell - 1) / kCell),
          rows_((height + kCell - 1) / kCell),
          marked_(static_cast<size_t>(columns_) * rows_, 0) {}

    // Marks the cells of columns [left, right) and rows [top, bottom), all
    // within the frame and not empty.
    void Mark(int32_t left, int32_t top, int32_t right, int32_t bottom) {
        for (int32_t r = top / kCell; r <= (bottom - 1) / kCell; ++r)
            std::fill_n(marked_.begin() + static_cast<ptrdiff_t>(r) * columns_ + left / kCell,
                        (right - 1) / kCell - left / kCell + 1, 1);
    }

    // Runs of marked cells per grid row, rows with the same runs joined. With
    // too many: each row's runs as one, then bands of 2, 4, ... grid rows
    // taken together, down to the bounding box.
    std::vector<Rect> Cover(size_t maxRects) const {
        for (int32_t band = 1;; band *= 2) {
            for (const bool onePerBand : {false, true}) {
                std::vector<Rect> rects = Runs(band, onePerBand);
                if (rects.size() <= maxRects || (band >= rows_ && onePerBand))
                    return rects;
            }
        }
    }

  private:
    std::vector<Rect> Runs(int32_t band, bool onePerBand) const {
        std::vector<Rect> out;
        size_t lastRow = 0, lastCount = 0;  // the previous band's runs in `out`
        std::vector<Rect> row;
        std::vector<uint8_t> m(static_cast<size_t>(columns_));
        for (int32_t r = 0; r < rows_; r += band) {
            row.clear();
            std::fill(m.begin(), m.end(), 0);
            for (int32_t k = r; k < std::min(rows_, r + band); ++k)
                for (int32_t c = 0; c < columns_; ++c)
                    m[c] |= marked_[static_cast<size_t>(k) * columns_ + c];
            const int32_t top = r * kCell, bottom = std::min(height_, (r + band) * kCell);
            for (int32_t c = 0; c < columns_;) {
                if (!m[c]) {
                    ++c;
                    continue;
                }
                int32_t e = c;
                while (e < columns_ && m[e])
                    ++e;
                row.push_back(Rect{c * kCell, top, std::min(width_, e * kCell), bottom});
                c = e;
            }
            if (onePerBand && row.size() > 1) {
                row.front().right = row.back().right;
                row.resize(1);
            }
            const bool same =
                !row.empty() && lastCount == row.size() && out[lastRow].bottom == top &&
                std::equal(row.begin(), row.end(), out.begin() + static_cast<ptrdiff_t>(lastRow),
                           [](const Rect& a, const Rect& b) { return a.left == b.left && a.right == b.right; });
            if (same) {
                for (size_t i = lastRow; i < out.size(); ++i)
                    out[i].bottom = bottom;
            } else if (!row.empty()) {
                lastRow = out.size();
                lastCount = row.size();
                out.insert(out.end(), row.begin(), row.end());
            }
        }
        return out;
    }

    int32_t width_, height_, columns_, rows_;
    std::vector<uint8_t> marked_;
};

}  // namespace

std::vector<Rect> DrawRegionChange(Bitmap& target,
                                   const Bitmap& oldPicture,
                                   const Bitmap& newPicture,
                                   const Region& before,
                                   const Region& after,
                                   size_t maxRects) {
    const int32_t w = target.Width(), h = target.Height();
    if (w <= 0 || h <= 0 || (before.IsEmpty() && after.IsEmpty()))
        return {};
    ChangedCells cells(w, h);
    bool changed = false;
    // The changed pixels exactly, band by band, bands with the same columns
    // joined, for as long as they stay few.
    std::vector<Rect> exact;
    size_t lastBand = 0;
    bool few = true;
    struct Piece {
        size_t offset;
        size_t bytes;
        const Bitmap* from;
    };
    std::vector<Piece> pieces;

    // Between two consecutive band edges of either region each is a fixed
    // list of spans, walked together edge by edge.
    const Rect* a = before.Rects().data();
    const Rect* b = after.Rects().data();
    SweepBands(a, a + before.Rects().size(), b, b + after.Rects().size(),
               [&](int32_t y, int32_t bottom, const Rect* pa, const Rect* paEnd, const Rect* pb, const Rect* pbEnd) {
                   const int32_t top = std::max(y, 0), end = std::min(bottom, h);
                   if (top >= end)
                       return;
                   pieces.clear();
                   int32_t start = 0;
                   SweepEdges(pa, paEnd, pb, pbEnd, [&](int32_t x, bool wasA, bool wasNew, bool inA, bool inB) {
                       const bool was = wasA != wasNew;
                       const bool now = inA != inB;
                       // A run ends where membership changes, and also where it goes
                       // straight from one region only to the other only.
                       if (was && (!now || inB != wasNew)) {
                           const int32_t left = std::max(start, 0), right = std::min(x, w);
                           if (left < right) {
                               pieces.push_back(Piece{static_cast<size_t>(left) * Bitmap::kBytesPerPixel,
                                                      static_cast<size_t>(right - left) * Bitmap::kBytesPerPixel,
                                                      wasNew ? &newPicture : &oldPicture});
                               cells.Mark(left, top, right, end);
                           }
                       }
                       if (now && (!was || inB != wasNew))
                           start = x;
                   });
                   if (pieces.empty())
                       return;
                   changed = true;
                   if (few) {
                       const size_t count = exact.size() - lastBand;
                       bool same = count == pieces.size() && exact.back().bottom == top;
                       for (size_t i = 0; same && i < count; ++i)
                           same = exact[lastBand + i].left ==
                                      static_cast<int32_t>(pieces[i].offset / Bitmap::kBytesPerPixel) &&
                                  exact[lastBand + i].Width() ==
                                      static_cast<int32_t>(pieces[i].bytes / Bitmap::kBytesPerPixel);
                       if (same) {
                           for (size_t i = lastBand; i < exact.size(); ++i)
                               exact[i].bottom = end;
                       } else {
                           lastBand = exact.size();
                           for (const Piece& piece : pieces) {
                               const int32_t left = static_cast<int32_t>(piece.offset / Bitmap::kBytesPerPixel);
                               exact.push_back(Rect{
                                   left, top, left + static_cast<int32_t>(piece.bytes / Bitmap::kBytesPerPixel), end});
                           }
                           few = exact.size() <= maxRects;
                       }
                   }
                   for (int32_t row = top; row < end; ++row) {
                       uint8_t* to = target.Row(row);
                       for (const Piece& piece : pieces)
                           CopySpan(to + piece.offset, piece.from->Row(row) + piece.offset, piece.bytes);
                   }
               });
    if (!changed)
        return {};
    if (few)
        return exact;
    return cells.Cover(std::max<size_t>(maxRects, 1));
}

std::vector<Rect> CoverRegion(const Region& region, int32_t width, int32_t height, size_t maxRects) {
    std::vector<Rect> exact;
    ChangedCells cells(width, height);
    for (const Rect& r : region.Rects()) {
        const Rect part = IntersectRect(r, Rect{0, 0, width, height});
        if (part.IsEmpty())
            continue;
        exact.push_back(part);
        cells.Mark(part.left, part.top, part.right, part.bottom);
    }
    if (exact.size() <= maxRects)
        return exact;
    return cells.Cover(std::max<size_t>(maxRects, 1));
}

}  // namespace orlscr
