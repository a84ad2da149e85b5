#include "transition/region_styles.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "common/random.h"
#include "transition/copy_span.h"

namespace orlscr {

namespace {

Region RoundRect(int32_t l, int32_t t, int32_t r, int32_t b, int32_t cw, int32_t ch) {
    return Region::RoundRect(Rect{l, t, r, b}, cw, ch);
}

// The pieces of a region style, united in one sweep at the end. `any` tells
// "no piece at all" (no region) from pieces that were all empty.
struct Pieces {
    std::vector<Rect> rects;
    bool any = false;

    void Add(int32_t l, int32_t t, int32_t r, int32_t b) {
        any = true;
        rects.push_back(Rect{l, t, r, b});
    }
    void AddTriangle(Point a, Point b, Point c) {
        any = true;
        Region::AppendTriangleRows(a, b, c, rects);
    }
    std::optional<Region> Take() {
        if (!any)
            return std::nullopt;
        return Region::FromRects(std::move(rects));
    }
};

// One pass of the comb. Written for rows (bars along x, bands down y); the
// column pass calls it with the axes swapped through `add`.
template <typename AddFn>
void CombPass(int32_t ext, int32_t length, int32_t across, int32_t snap, int kind, AddFn add) {
    if (kind == 0)
        return;
    if (ext > length) {
        for (int32_t i = 5; i < across + 5; i += 10) {
            add(0, i - 5, length, i);
            if (kind == 1 || kind == 4)
                add(2 * length - ext, i, length, i + 5);
            else if (kind == 2 || kind == 5)
                add(0, i, ext - length, i + 5);
        }
        return;
    }
    for (int32_t i = 0; i < across + 5; i += 10) {
        if (ext + snap > length)
            ext = length;
        if (kind == 1 || kind == 5) {
            add(length - ext, i, length, i + 5);
        } else if (kind == 2 || kind == 4) {
            add(0, i, ext, i + 5);
        } else if (kind == 3) {
            add(length - ext, i, length, i + 5);
            add(0, i + 5, ext, i + 10);
        }
    }
}

// One pass of the jagged bars, for rows; `add` swaps the axes for columns.
template <typename AddFn>
void JaggedPass(int32_t ext, int32_t length, int32_t across, int kind, AddFn add) {
    if (kind == 0)
        return;
    const int32_t r = ext < length ? length / 7 : 0;
    for (int32_t top = 0; top < across; top += 5) {
        const int32_t bottom = top + 5 + across % 5;
        const int32_t j1 = Random(r);
        const int32_t j2 = Random(r);
        switch (kind) {
            case 1:
                add(length - ext + j1 - j2, top, length, bottom);
                break;
            case 2:
                add(0, top, ext + j1 - j2, bottom);
                break;
            case 3: {
                const int32_t j3 = Random(r);
                const int32_t j4 = Random(r);
                add((length - ext + j1 - j2) / 2, top, length / 2, bottom);
                add(length / 2, top, (length + ext + j3 - j4) / 2, bottom);
                break;
            }
            case 4: {
                const int32_t j3 = Random(r);
                const int32_t j4 = Random(r);
                add(length - (ext + j1 - j2) / 2, top, length, bottom);
                add(0, top, (ext + j3 - j4) / 2, bottom);
                break;
            }
            default:
                break;
        }
    }
}

// One pass of the fringe, for rows; `add` swaps the axes for columns.
template <typename AddFn>
void FringePass(int32_t ext, int32_t length, int32_t across, int kind, AddFn add) {
    if (kind == 0)
        return;
    const int32_t reach = ext < length ? length / 10 : 0;
    const int32_t b = std::max(reach / 20, 2);
    const int32_t n = reach / b;
    const int32_t t = ((3 * reach) / b) / 4;
    const int32_t front = kind == 1 ? length - ext : ext;
    for (int32_t top = 0; top < across; top += b / 2) {
        if (kind == 1)
            add(front, top, length, top + b);
        else
            add(0, top, front, top + b);
        for (int32_t k = n; k >= 1; --k) {
            const int32_t v = Random(k);
            if (v > (k <= t ? 1 : 0))
                continue;
            if (kind == 1)
                add(front - k * b, top, front - (k - 1) * b, top + b);
            else
                add(front + (k - 1) * b, top, front + k * b, top + b);
        }
    }
}

}  // namespace

std::optional<Region>
CreateCombRgn(int32_t xExt, int32_t yExt, int32_t w, int32_t h, int32_t snap, int hKind, int vKind) {
    Pieces pieces;
    CombPass(xExt, w, h, snap, hKind, [&](int32_t l, int32_t t, int32_t r, int32_t b) { pieces.Add(l, t, r, b); });
    CombPass(yExt, h, w, snap, vKind, [&](int32_t t, int32_t l, int32_t b, int32_t r) { pieces.Add(l, t, r, b); });
    return pieces.Take();
}

std::optional<Region> CreateJaggedRgn(int32_t xExt, int32_t yExt, int32_t w, int32_t h, int hKind, int vKind) {
    Pieces pieces;
    JaggedPass(xExt, w, h, hKind, [&](int32_t l, int32_t t, int32_t r, int32_t b) { pieces.Add(l, t, r, b); });
    JaggedPass(yExt, h, w, vKind, [&](int32_t t, int32_t l, int32_t b, int32_t r) { pieces.Add(l, t, r, b); });
    return pieces.Take();
}

std::optional<Region> CreateFringeRgn(int32_t xExt, int32_t yExt, int32_t w, int32_t h, int hKind, int vKind) {
    Pieces pieces;
    FringePass(xExt, w, h, hKind, [&](int32_t l, int32_t t, int32_t r, int32_t b) { pieces.Add(l, t, r, b); });
    FringePass(yExt, h, w, vKind, [&](int32_t t, int32_t l, int32_t b, int32_t r) { pieces.Add(l, t, r, b); });
    return pieces.Take();
}

int32_t SquaresHalfWidth(int32_t w, int32_t h, int32_t p) {
    return std::max(std::min(w, h) / 50 + p / 10, 1);
}

std::optional<Region> CreateSquaresRgn(int32_t w, int32_t h, int32_t p) {
    const int32_t d = SquaresHalfWidth(w, h, p);
    Pieces pieces;
    for (int32_t e = 0; e < w; e += d) {
        for (int32_t g = 0; g < h; g += d) {
            if (Random(100) < p)
                pieces.Add(e - d, g - d, e + d, g + d);
        }
    }
    return pieces.Take();
}

Region CreateTriangleRgn(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3) {
    return Region::Triangle(Point{x1, y1}, Point{x2, y2}, Point{x3, y3});
}

std::optional<Region> BuildStyleRegion(int style, const FrameQuantities& f) {
    const int32_t W = f.W, H = f.H, X = f.X, Y = f.Y, S = f.StepPx;
    switch (style) {
        case 58:
            return RoundRect(-2 * W, -5, 2 * X, H + 5, 2 * W, 2 * W);
        case 59:
            return RoundRect(W - 2 * X, -5, 3 * W, H + 5, 2 * W, 2 * W);
        case 60:
            return CreateCombRgn(2 * X, 0, W, H, S, 1, 0);
        case 61:
            return CreateCombRgn(2 * X, 0, W, H, S, 2, 0);
        case 62:
            return CreateCombRgn(2 * X, 0, W, H, S, 4, 0);
        case 63:
            return CreateCombRgn(2 * X, 0, W, H, S, 5, 0);
        case 64:
            return CreateCombRgn(X, 0, W, H, 0, 3, 0);
        case 65:
        case 66:
        case 67:
        case 68:
            return CreateJaggedRgn(X, 0, W, H, style - 64, 0);
        case 69:
            return RoundRect(-5, -2 * H, W + 5, 2 * Y, 2 * H, 2 * H);
        case 70:
            return RoundRect(-5, H - 2 * Y, W + 5, 3 * H, 2 * H, 2 * H);
        case 71:
            return CreateCombRgn(0, 2 * Y, W, H, S, 0, 1);
        case 72:
            return CreateCombRgn(0, 2 * Y, W, H, S, 0, 2);
        case 73:
            return CreateCombRgn(0, 2 * Y, W, H, S, 0, 4);
        case 74:
            return CreateCombRgn(0, 2 * Y, W, H, S, 0, 5);
        case 75:
            return CreateCombRgn(0, Y, W, H, 0, 0, 3);
        case 76:
        case 77:
        case 78:
        case 79:
            return CreateJaggedRgn(0, Y, W, H, 0, style - 75);
        case 80:
            return RoundRect(-2 * W, -2 * H, 2 * X, 2 * Y, 2 * W, 2 * H);
        case 81:
            return RoundRect(W - 2 * X, -2 * H, 3 * W, 2 * Y, 2 * W, 2 * H);
        case 82:
            return RoundRect(-2 * W, H - 2 * Y, 2 * X, 3 * H, 2 * W, 2 * H);
        case 83:
            // The one corner sweep with a circular front: its corner is 2H both ways.
            return RoundRect(W - 2 * X, H - 2 * Y, 3 * W, 3 * H, 2 * H, 2 * H);
        case 84:
            return RoundRect(W / 2 - X, H / 2 - Y, W / 2 + X, H / 2 + Y, (9 * X) / 5, (9 * Y) / 5);
        case 85: {
            Region region(Rect{0, 0, W, H});
            region.Xor(RoundRect(X - W / 2, Y - H / 2, (3 * W) / 2 - X, (3 * H) / 2 - Y, (9 * (W - X)) / 5,
                                 (9 * (H - Y)) / 5));
            return region;
        }
        case 86:
            return CreateCombRgn(2 * X, 2 * Y, W, H, S, 1, 1);
        case 87:
            return CreateCombRgn(2 * X, 2 * Y, W, H, S, 1, 2);
        case 88:
            return CreateCombRgn(2 * X, 2 * Y, W, H, S, 2, 1);
        case 89:
            return CreateCombRgn(2 * X, 2 * Y, W, H, S, 2, 2);
        case 90:
            return CreateCombRgn(2 * X, 2 * Y, W, H, S, 4, 4);
        case 91:
            return CreateCombRgn(2 * X, 2 * Y, W, H, S, 4, 5);
        case 92:
            return CreateCombRgn(2 * X, 2 * Y, W, H, S, 5, 4);
        case 93:
            return CreateCombRgn(2 * X, 2 * Y, W, H, S, 5, 5);
        case 94:
            return CreateCombRgn(X, Y, W, H, S, 1, 3);
        case 95:
            return CreateCombRgn(X, Y, W, H, S, 2, 3);
        case 96:
            return CreateCombRgn(X, Y, W, H, S, 3, 1);
        case 97:
            return CreateCombRgn(X, Y, W, H, S, 3, 2);
        case 98:
            return CreateCombRgn(X, Y, W, H, 0, 3, 3);
        case 99: {
            std::optional<Region> region = CreateCombRgn(2 * X, 2 * Y, W, H, S, 2, 2);
            std::optional<Region> other = CreateCombRgn(2 * X, 2 * Y, W, H, S, 1, 1);
            if (!region || !other)
                return std::nullopt;
            region->Intersect(*other);
            return region;
        }
        case 100:
            return CreateJaggedRgn(X, Y, W, H, 1, 1);
        case 101:
            return CreateJaggedRgn(X, Y, W, H, 1, 2);
        case 102:
            return CreateJaggedRgn(X, Y, W, H, 2, 1);
        case 103:
            return CreateJaggedRgn(X, Y, W, H, 2, 2);
        case 104:
            return CreateJaggedRgn(X, Y, W, H, 1, 3);
        case 105:
            return CreateJaggedRgn(X, Y, W, H, 2, 3);
        case 106:
            return CreateJaggedRgn(X, Y, W, H, 3, 1);
        case 107:
            return CreateJaggedRgn(X, Y, W, H, 3, 2);
        case 108:
            return CreateJaggedRgn(X, Y, W, H, 3, 3);
        case 109:
            return CreateJaggedRgn(X, Y, W, H, 4, 4);
        case 110:
            return CreateTriangleRgn(0, 0, 2 * X, 0, 0, 2 * Y);
        case 111:
            return CreateTriangleRgn(W, 0, W - 2 * X, 0, W, 2 * Y);
        case 112:
            return CreateTriangleRgn(0, H, 2 * X, H, 0, H - 2 * Y);
        case 113:
            return CreateTriangleRgn(W, H, W - 2 * X, H, W, H - 2 * Y);
        case 114: {
            Pieces pieces;
            pieces.AddTriangle({W, H}, {W, 0}, {W - X, 0});
            pieces.AddTriangle({0, H}, {0, 0}, {X, H});
            return pieces.Take();
        }
        case 115: {
            Pieces pieces;
            pieces.AddTriangle({W, H}, {0, H}, {0, H - Y});
            pieces.AddTriangle({W, 0}, {0, 0}, {W, Y});
            return pieces.Take();
        }
        case 116: {
            const Point centre{W / 2, H / 2};
            Pieces pieces;
            pieces.AddTriangle(centre, {0, H}, {0, H - Y});
            pieces.AddTriangle({0, 0}, {X, 0}, centre);
            pieces.AddTriangle({W - X, H}, centre, {W, H});
            pieces.AddTriangle(centre, {W, 0}, {W, Y});
            return pieces.Take();
        }
        case 117: {
            // 10 x 10 cells, each filling from its top-left corner with a
            // triangle whose legs reach two cells at full extent.
            const int32_t a = X / 5;
            const int32_t b = MulDiv(a, H, W);
            Pieces pieces;
            for (int32_t j = 0; j < 10; ++j) {
                for (int32_t i = 0; i < 10; ++i) {
                    const int32_t x0 = (i * W) / 10;
                    const int32_t y0 = (j * H) / 10;
                    pieces.AddTriangle({x0, y0}, {x0 + a, y0}, {x0, y0 + b});
                }
            }
            return pieces.Take();
        }
        case 123:
            return CreateFringeRgn(X, Y, W, H, 1, 0);
        case 124:
            return CreateFringeRgn(X, Y, W, H, 2, 0);
        case 125:
            return CreateFringeRgn(X, Y, W, H, 0, 1);
        case 126:
            return CreateFringeRgn(X, Y, W, H, 0, 2);
        case 127:
            return CreateSquaresRgn(W, H, f.P);
        default:
            return std::nullopt;
    }
}

void DrawThroughRegion(Bitmap& target, const Bitmap& source, const Region& region) {
    const int32_t w = std::min(target.Width(), source.Width());
    const int32_t h = std::min(target.Height(), source.Height());
    struct Piece {
        size_t offset;
        size_t bytes;
    };
    std::vector<Piece> pieces;
    const std::vector<Rect>& rects = region.Rects();
    // Band by band, row by row, so both bitmaps are walked top to bottom once.
    for (size_t i = 0; i < rects.size();) {
        const int32_t bandTop = rects[i].top;
        const int32_t top = std::max(bandTop, 0);
        const int32_t bottom = std::min(rects[i].bottom, h);
        pieces.clear();
        for (; i < rects.size() && rects[i].top == bandTop; ++i) {
            const int32_t left = std::max(rects[i].left, 0);
            const int32_t right = std::min(rects[i].right, w);
            if (left < right)
                pieces.push_back(Piece{static_cast<size_t>(left) * Bitmap::kBytesPerPixel,
                                       static_cast<size_t>(right - left) * Bitmap::kBytesPerPixel});
        }
        if (pieces.empty())
            continue;
        for (int32_t y = top; y < bottom; ++y) {
            uint8_t* to = target.Row(y);
            const uint8_t* from = source.Row(y);
            for (const Piece& piece : pieces)
                CopySpan(to + piece.offset, from + piece.offset, piece.bytes);
        }
    }
}

}  // namespace orlscr
