#include "transition/region.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

#include "transition/region_sweep.h"

namespace orlscr {

namespace {

struct Span {
    int32_t left;
    int32_t right;
};

// Appends bands to a rectangle list in top-to-bottom order and keeps it in the
// region's canonical form: a band that touches the previous one and holds the
// same columns extends it instead of starting a new band.
class BandWriter {
  public:
    explicit BandWriter(std::vector<Rect>& out) : out_(out) {}

    // `spans` are sorted, non-empty, and neither overlap nor touch; `top` is at
    // least the bottom of the previous band.
    void AddBand(int32_t top, int32_t bottom, const std::vector<Span>& spans) {
        if (spans.empty() || bottom <= top)
            return;
        if (!out_.empty() && out_.back().bottom == top && SameAsLastBand(spans)) {
            for (size_t i = lastBand_; i < out_.size(); ++i)
                out_[i].bottom = bottom;
            return;
        }
        lastBand_ = out_.size();
        for (const Span& s : spans)
            out_.push_back(Rect{s.left, top, s.right, bottom});
    }

  private:
    bool SameAsLastBand(const std::vector<Span>& spans) const {
        if (out_.size() - lastBand_ != spans.size())
            return false;
        for (size_t i = 0; i < spans.size(); ++i) {
            const Rect& r = out_[lastBand_ + i];
            if (r.left != spans[i].left || r.right != spans[i].right)
                return false;
        }
        return true;
    }

    std::vector<Rect>& out_;
    size_t lastBand_ = 0;
};

// ceil(p / q) for q > 0, for either sign of p.
int64_t CeilDiv(int64_t p, int64_t q) {
    return p >= 0 ? (p + q - 1) / q : -((-p) / q);
}

}  // namespace

Region::Region(const Rect& rect) {
    if (!rect.IsEmpty())
        rects_.push_back(rect);
}

Region Region::FromRects(std::vector<Rect> rects) {
    std::erase_if(rects, [](const Rect& r) { return r.IsEmpty(); });
    Region result;
    if (rects.empty())
        return result;

    // Order by top. The pieces of a style usually come in few distinct rows,
    // so a counting sort over the rows is cheaper than a comparison sort.
    int32_t minTop = kNoCoordinate, maxTop = std::numeric_limits<int32_t>::min();
    bool sorted = true;
    for (size_t i = 0; i < rects.size(); ++i) {
        minTop = std::min(minTop, rects[i].top);
        maxTop = std::max(maxTop, rects[i].top);
        if (i > 0 && rects[i].top < rects[i - 1].top)
            sorted = false;
    }
    if (!sorted) {
        const int64_t range = static_cast<int64_t>(maxTop) - minTop + 1;
        if (range <= 8 * static_cast<int64_t>(rects.size()) + 1024) {
            std::vector<uint32_t> start(static_cast<size_t>(range) + 1, 0);
            for (const Rect& r : rects)
                ++start[static_cast<size_t>(r.top - minTop) + 1];
            for (size_t i = 1; i < start.size(); ++i)
                start[i] += start[i - 1];
            std::vector<Rect> byTop(rects.size());
            for (const Rect& r : rects)
                byTop[start[static_cast<size_t>(r.top - minTop)]++] = r;
            rects.swap(byTop);
        } else {
            std::sort(rects.begin(), rects.end(), [](const Rect& a, const Rect& b) { return a.top < b.top; });
        }
    }

    // Sweep down: `active` holds the rectangles that cover the current row,
    // sorted by left, so the spans of a band come out of one linear pass.
    auto byLeft = [](const Rect& a, const Rect& b) { return a.left < b.left; };
    std::vector<Rect> active, merged;
    std::vector<Span> spans;
    BandWriter writer(result.rects_);
    size_t next = 0;
    int32_t y = rects[0].top;
    while (true) {
        const size_t firstNew = active.size();
        while (next < rects.size() && rects[next].top == y)
            active.push_back(rects[next++]);
        // Pieces usually come left to right, so the newcomers are often in
        // order already.
        if (!std::is_sorted(active.begin() + firstNew, active.end(), byLeft))
            std::sort(active.begin() + firstNew, active.end(), byLeft);
        if (firstNew > 0 && firstNew < active.size() && byLeft(active[firstNew], active[firstNew - 1])) {
            merged.clear();
            std::merge(active.begin(), active.begin() + firstNew, active.begin() + firstNew, active.end(),
                       std::back_inserter(merged), byLeft);
            active.swap(merged);
        }

        int32_t bottom = next < rects.size() ? rects[next].top : kNoCoordinate;
        spans.clear();
        for (const Rect& r : active) {
            bottom = std::min(bottom, r.bottom);
            if (!spans.empty() && r.left <= spans.back().right)
                spans.back().right = std::max(spans.back().right, r.right);
            else
                spans.push_back(Span{r.left, r.right});
        }
        writer.AddBand(y, bottom, spans);

        y = bottom;
        std::erase_if(active, [y](const Rect& r) { return r.bottom <= y; });
        if (active.empty()) {
            if (next == rects.size())
                break;
            y = rects[next].top;
        }
    }
    return result;
}

void Region::AppendRoundRectRows(const Rect& rect, int32_t cornerWidth, int32_t cornerHeight, std::vector<Rect>& out) {
    if (rect.IsEmpty())
        return;
    const int32_t a = std::min(cornerWidth, rect.Width());
    const int32_t b = std::min(cornerHeight, rect.Height());
    if (a <= 0 || b <= 0) {
        out.push_back(rect);
        return;
    }
    // A pixel belongs to the shape when its centre lies inside. Corner rows
    // are inset by the quarter ellipse with half-axes a/2 and b/2; rows with
    // the same columns are joined into one rectangle.
    const double rx = a / 2.0;
    const double ry = b / 2.0;
    const double topCentre = rect.top + ry;
    const double bottomCentre = rect.bottom - ry;
    const size_t first = out.size();
    for (int32_t y = rect.top; y < rect.bottom; ++y) {
        const double yc = y + 0.5;
        double d = 0;
        if (yc < topCentre)
            d = (topCentre - yc) / ry;
        else if (yc > bottomCentre)
            d = (yc - bottomCentre) / ry;
        int32_t left = rect.left;
        int32_t right = rect.right;
        if (d > 0) {
            const double w = rx * std::sqrt(std::max(0.0, 1.0 - d * d));
            left = static_cast<int32_t>(std::ceil(rect.left + rx - w - 0.5));
            right = static_cast<int32_t>(std::floor(rect.right - rx + w - 0.5)) + 1;
        }
        if (left >= right)
            continue;
        if (out.size() > first && out.back().bottom == y && out.back().left == left && out.back().right == right)
            out.back().bottom = y + 1;
        else
            out.push_back(Rect{left, y, right, y + 1});
    }
}

void Region::AppendTriangleRows(Point a, Point b, Point c, std::vector<Rect>& out) {
    Point p[3] = {a, b, c};
    std::sort(p, p + 3, [](const Point& l, const Point& r) { return l.y < r.y; });
    if (p[0].y == p[2].y)
        return;

    // The column where an edge crosses the centre line of row y, as the first
    // pixel whose centre lies at or right of it: ceil(x - 1/2), computed
    // exactly. Using the same rule on both sides gives every pixel of a shared
    // edge to exactly one of two neighbouring triangles.
    auto cross = [](Point from, Point to, int32_t y) -> int64_t {
        const int64_t d = 2 * (static_cast<int64_t>(to.y) - from.y);
        const int64_t n = static_cast<int64_t>(from.x) * d +
                          (static_cast<int64_t>(to.x) - from.x) * (2 * static_cast<int64_t>(y) + 1 - 2 * from.y);
        return CeilDiv(2 * n - d, 2 * d);
    };

    const size_t first = out.size();
    for (int32_t y = p[0].y; y < p[2].y; ++y) {
        const int64_t x1 = cross(p[0], p[2], y);
        const int64_t x2 = y < p[1].y ? cross(p[0], p[1], y) : cross(p[1], p[2], y);
        const int32_t left = static_cast<int32_t>(std::min(x1, x2));
        const int32_t right = static_cast<int32_t>(std::max(x1, x2));
        if (left >= right)
            continue;
        if (out.size() > first && out.back().bottom == y && out.back().left == left && out.back().right == right)
            out.back().bottom = y + 1;
        else
            out.push_back(Rect{left, y, right, y + 1});
    }
}

Region Region::RoundRect(const Rect& rect, int32_t cornerWidth, int32_t cornerHeight) {
    std::vector<Rect> rows;
    AppendRoundRectRows(rect, cornerWidth, cornerHeight, rows);
    return FromRects(std::move(rows));
}

Region Region::Triangle(Point a, Point b, Point c) {
    std::vector<Rect> rows;
    AppendTriangleRows(a, b, c, rows);
    return FromRects(std::move(rows));
}

Region& Region::Unite(const Region& other) {
    if (other.IsEmpty())
        return *this;
    if (IsEmpty()) {
        rects_ = other.rects_;
        return *this;
    }
    Combine(other, Op::kUnion);
    return *this;
}

Region& Region::Intersect(const Region& other) {
    if (IsEmpty() || other.IsEmpty()) {
        rects_.clear();
        return *this;
    }
    Combine(other, Op::kIntersect);
    return *this;
}

Region& Region::Xor(const Region& other) {
    if (other.IsEmpty())
        return *this;
    if (IsEmpty()) {
        rects_ = other.rects_;
        return *this;
    }
    Combine(other, Op::kXor);
    return *this;
}

Region& Region::Subtract(const Region& other) {
    if (IsEmpty() || other.IsEmpty())
        return *this;
    Combine(other, Op::kSubtract);
    return *this;
}

// One sweep down both operands. Between two consecutive band edges of either
// region each operand is a fixed set of spans (or none); the columns of the
// result there come from one walk over the edges of both span lists.
void Region::Combine(const Region& other, Op op) {
    auto keep = [op](bool inA, bool inB) {
        switch (op) {
            case Op::kUnion:
                return inA || inB;
            case Op::kIntersect:
                return inA && inB;
            case Op::kXor:
                return inA != inB;
            case Op::kSubtract:
                return inA && !inB;
        }
        return false;
    };

    std::vector<Rect> out;
    out.reserve(rects_.size() + other.rects_.size());
    BandWriter writer(out);
    std::vector<Span> spans;

    const Rect* a = rects_.data();
    const Rect* b = other.rects_.data();
    SweepBands(a, a + rects_.size(), b, b + other.rects_.size(),
               [&](int32_t top, int32_t bottom, const Rect* pa, const Rect* paEnd, const Rect* pb, const Rect* pbEnd) {
                   spans.clear();
                   bool was = false;
                   int32_t start = 0;
                   SweepEdges(pa, paEnd, pb, pbEnd, [&](int32_t x, bool, bool, bool inA, bool inB) {
                       const bool now = keep(inA, inB);
                       if (now && !was)
                           start = x;
                       else if (!now && was)
                           spans.push_back(Span{start, x});
                       was = now;
                   });
                   writer.AddBand(top, bottom, spans);
               });
    rects_.swap(out);
}

bool Region::Contains(int32_t x, int32_t y) const {
    // Bottoms never decrease along the list, so the band of row y starts at
    // the first rectangle that ends below it.
    auto it = std::partition_point(rects_.begin(), rects_.end(), [y](const Rect& r) { return r.bottom <= y; });
    if (it == rects_.end() || it->top > y)
        return false;
    for (const int32_t top = it->top; it != rects_.end() && it->top == top; ++it) {
        if (x < it->left)
            return false;
        if (x < it->right)
            return true;
    }
    return false;
}

Rect Region::BoundingBox() const {
    if (rects_.empty())
        return Rect{};
    Rect box{rects_.front().left, rects_.front().top, rects_.front().right, rects_.back().bottom};
    for (const Rect& r : rects_) {
        box.left = std::min(box.left, r.left);
        box.right = std::max(box.right, r.right);
    }
    return box;
}

std::span<const Rect> Region::RectsInRows(int32_t top, int32_t bottom) const {
    // Bands are sorted and do not overlap, so bottoms never decrease either.
    const auto first =
        std::partition_point(rects_.begin(), rects_.end(), [top](const Rect& r) { return r.bottom <= top; });
    const auto last = std::partition_point(first, rects_.end(), [bottom](const Rect& r) { return r.top < bottom; });
    return {first, last};
}

bool Region::IsValid() const {
    const size_t n = rects_.size();
    size_t prev = 0, prevCount = 0;
    for (size_t i = 0; i < n;) {
        const Rect& first = rects_[i];
        if (first.IsEmpty())
            return false;
        size_t j = i + 1;
        for (; j < n && rects_[j].top == first.top; ++j) {
            const Rect& r = rects_[j];
            if (r.IsEmpty() || r.bottom != first.bottom || r.left <= rects_[j - 1].right)
                return false;
        }
        if (prevCount > 0) {
            const Rect& p = rects_[prev];
            if (first.top < p.bottom)
                return false;
            if (first.top == p.bottom && prevCount == j - i &&
                std::equal(rects_.begin() + i, rects_.begin() + j, rects_.begin() + prev,
                           [](const Rect& a, const Rect& b) { return a.left == b.left && a.right == b.right; }))
                return false;
        }
        prev = i;
        prevCount = j - i;
        i = j;
    }
    return true;
}

}  // namespace orlscr
