#include "transition/region_styles.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "common/random.h"

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

namespace {

// Copies a span of a row. Spans of the combs, fringes and squares are often
// only a few pixels wide, where a call of memcpy costs more than the copy; short
// spans are copied as two overlapping moves instead (the bitmaps are distinct,
// so overlapping within the target is harmless). A span is at least one pixel.
inline void CopySpan(uint8_t* to, const uint8_t* from, size_t bytes) {
    if (bytes >= 64) {
        std::memcpy(to, from, bytes);
    } else if (bytes >= 16) {
        for (size_t i = 0; i + 16 < bytes; i += 16)
            std::memcpy(to + i, from + i, 16);
        std::memcpy(to + bytes - 16, from + bytes - 16, 16);
    } else if (bytes >= 8) {
        std::memcpy(to, from, 8);
        std::memcpy(to + bytes - 8, from + bytes - 8, 8);
    } else if (bytes >= 4) {
        std::memcpy(to, from, 4);
        std::memcpy(to + bytes - 4, from + bytes - 4, 4);
    } else {
        std::memcpy(to, from, 2);
        to[bytes - 1] = from[bytes - 1];
    }
}

}  // namespace

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

// ---------------------------------------------------------------------------
// The fade.

namespace {

inline uint8_t BlendByte(uint8_t s, uint8_t n, int32_t p) {
    return static_cast<uint8_t>((s * (100 - p)) / 100 + (n * p) / 100);
}

// For 1 <= k <= 99 and 0 <= s <= 255, s * k / 100 truncated is exactly the
// high half of s * ceil(k * 65536 / 100): the rounding up adds less than
// 255 / 65536 while the fraction of s * k / 100 never exceeds 0.99. So each
// term of the fade is one 16-bit multiplication, and a row is blended as a
// plain byte array (the bytes of a pixel are independent).
inline uint16_t FadeFactor(int32_t k) {
    return static_cast<uint16_t>((k * 65536 + 99) / 100);
}

#if defined(__SSE2__)
inline __m128i FadeLanes(__m128i s, __m128i n, __m128i keep, __m128i take) {
    return _mm_add_epi16(_mm_mulhi_epu16(s, keep), _mm_mulhi_epu16(n, take));
}

// Returns how many leading bytes it blended.
size_t BlendRowSse2(uint8_t* d, const uint8_t* s, const uint8_t* n, size_t count, int32_t p) {
    const __m128i keep = _mm_set1_epi16(static_cast<int16_t>(FadeFactor(100 - p)));
    const __m128i take = _mm_set1_epi16(static_cast<int16_t>(FadeFactor(p)));
    const __m128i zero = _mm_setzero_si128();
    size_t i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i nv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(n + i));
        const __m128i lo = FadeLanes(_mm_unpacklo_epi8(sv, zero), _mm_unpacklo_epi8(nv, zero), keep, take);
        const __m128i hi = FadeLanes(_mm_unpackhi_epi8(sv, zero), _mm_unpackhi_epi8(nv, zero), keep, take);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_packus_epi16(lo, hi));
    }
    return i;
}

// The same 32 bytes at a time, for processors that have AVX2; chosen at run
// time, so the program still runs on any x86-64.
__attribute__((target("avx2"))) size_t BlendRowAvx2(uint8_t* d,
                                                    const uint8_t* s,
                                                    const uint8_t* n,
                                                    size_t count,
                                                    int32_t p) {
    const __m256i keep = _mm256_set1_epi16(static_cast<int16_t>(FadeFactor(100 - p)));
    const __m256i take = _mm256_set1_epi16(static_cast<int16_t>(FadeFactor(p)));
    const __m256i zero = _mm256_setzero_si256();
    size_t i = 0;
    for (; i + 32 <= count; i += 32) {
        const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
        const __m256i nv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(n + i));
        // Unpacking works within each 128-bit half and packing undoes it the
        // same way, so the bytes come back in place.
        const __m256i lo = _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_unpacklo_epi8(sv, zero), keep),
                                            _mm256_mulhi_epu16(_mm256_unpacklo_epi8(nv, zero), take));
        const __m256i hi = _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_unpackhi_epi8(sv, zero), keep),
                                            _mm256_mulhi_epu16(_mm256_unpackhi_epi8(nv, zero), take));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), _mm256_packus_epi16(lo, hi));
    }
    return i;
}

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

// d = blend of s and n; d may be s.
void BlendRow(uint8_t* d, const uint8_t* s, const uint8_t* n, size_t count, int32_t p) {
    size_t i = 0;
#if defined(__SSE2__)
    if (HasAvx2())
        i = BlendRowAvx2(d, s, n, count, p);
    i += BlendRowSse2(d + i, s + i, n + i, count - i, p);
#endif
    for (; i < count; ++i)
        d[i] = BlendByte(s[i], n[i], p);
}

void Blend(Bitmap& screen, const Bitmap& oldBitmap, const Bitmap& newBitmap, int32_t p) {
    p = std::clamp(p, 0, 100);
    const int32_t w = std::min({screen.Width(), oldBitmap.Width(), newBitmap.Width()});
    const int32_t h = std::min({screen.Height(), oldBitmap.Height(), newBitmap.Height()});
    if (w <= 0 || h <= 0)
        return;
    const size_t count = static_cast<size_t>(w) * Bitmap::kBytesPerPixel;
    for (int32_t y = 0; y < h; ++y) {
        if (p == 0 || p == 100) {
            const uint8_t* from = (p == 0 ? oldBitmap : newBitmap).Row(y);
            if (from != screen.Row(y))
                std::memcpy(screen.Row(y), from, count);
        } else {
            BlendRow(screen.Row(y), oldBitmap.Row(y), newBitmap.Row(y), count, p);
        }
    }
}

}  // namespace

void BlendBitmaps(Bitmap& screen, const Bitmap& newBitmap, int32_t p) {
    Blend(screen, screen, newBitmap, p);
}

void BlendBitmaps(Bitmap& screen, const Bitmap& oldBitmap, const Bitmap& newBitmap, int32_t p) {
    Blend(screen, oldBitmap, newBitmap, p);
}

void BlendBitmapsReference(Bitmap& screen, const Bitmap& newBitmap, int32_t p) {
    p = std::clamp(p, 0, 100);
    const int32_t w = std::min(screen.Width(), newBitmap.Width());
    const int32_t h = std::min(screen.Height(), newBitmap.Height());
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* s = screen.Row(y);
        const uint8_t* n = newBitmap.Row(y);
        for (int32_t x = 0; x < w; ++x) {
            // Third byte first; each byte stands on its own, so the order
            // does not change the result.
            for (int k = Bitmap::kBytesPerPixel - 1; k >= 0; --k)
                s[3 * x + k] = BlendByte(s[3 * x + k], n[3 * x + k], p);
        }
    }
}

// ---------------------------------------------------------------------------
// The swings.

double SwingAngle(int32_t p) {
    const long double angle = (100 - p) * std::numbers::pi_v<long double> / 200;
    return static_cast<double>(angle);
}

namespace {

struct Rotation {
    long double sinA;
    long double cosA;
};

Rotation RotationFor(double angle) {
    const long double a = angle;
    return Rotation{std::sin(a), std::cos(a)};
}

// The source of pixel (x, y), straight from the formula, in extended precision.
inline int64_t SourceU(const Rotation& r, int32_t cx, int32_t cy, int32_t x, int32_t y) {
    const long double dx = static_cast<long double>(x) - cx;
    const long double dy = static_cast<long double>(y) - cy;
    return cx + std::llrint(dx * r.cosA - dy * r.sinA);
}

inline int64_t SourceV(const Rotation& r, int32_t cx, int32_t cy, int32_t x, int32_t y) {
    const long double dx = static_cast<long double>(x) - cx;
    const long double dy = static_cast<long double>(y) - cy;
    return cy + std::llrint(dx * r.sinA + dy * r.cosA);
}

inline void CopyPixel(uint8_t* to, const Bitmap& from, int64_t u, int64_t v) {
    const uint8_t* p = from.Row(static_cast<int32_t>(v)) + static_cast<size_t>(u) * Bitmap::kBytesPerPixel;
    to[0] = p[0];
    to[1] = p[1];
    to[2] = p[2];
}

}  // namespace

void RotateBitmapReference(Bitmap& screen, const Bitmap& newBitmap, int32_t cx, int32_t cy, double angle) {
    const Rotation r = RotationFor(angle);
    const int32_t w = std::min(screen.Width(), newBitmap.Width());
    const int32_t h = std::min(screen.Height(), newBitmap.Height());
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* row = screen.Row(y);
        for (int32_t x = 0; x < w; ++x) {
            const int64_t u = SourceU(r, cx, cy, x, y);
            const int64_t v = SourceV(r, cx, cy, x, y);
            if (u >= 0 && u < w && v >= 0 && v < h)
                CopyPixel(row + static_cast<size_t>(x) * Bitmap::kBytesPerPixel, newBitmap, u, v);
        }
    }
}

// The same pull, walked along each row in 64-bit fixed point with 40 fraction
// bits: moving one pixel right adds cos A to u and sin A to v, exactly, so the
// inner loop has no multiplications. The fixed-point sums differ from the
// extended-precision products by far less than 2^-22 while the offsets stay
// below 2^16, so they round the same way except right at a half; a pixel whose
// fraction lies that close to a half is evaluated by the formula itself.
//
// u and v are each monotonic along a row, so the pixels whose source lies in
// the picture form one run. The run is found first (estimated in floating
// point, then settled with the exact rounding at its two ends), and the inner
// loop copies it without bounds checks.
void RotateBitmap(Bitmap& screen, const Bitmap& newBitmap, int32_t cx, int32_t cy, double angle) {
    const int32_t w = std::min(screen.Width(), newBitmap.Width());
    const int32_t h = std::min(screen.Height(), newBitmap.Height());
    if (w <= 0 || h <= 0)
        return;
    constexpr int64_t kLimit = int64_t{1} << 16;
    const int64_t reach = std::max({std::llabs(cx), std::llabs(static_cast<int64_t>(w) - cx), std::llabs(cy),
                                    std::llabs(static_cast<int64_t>(h) - cy)});
    if (reach >= kLimit) {
        RotateBitmapReference(screen, newBitmap, cx, cy, angle);
        return;
    }

    const Rotation r = RotationFor(angle);
    constexpr int kShift = 40;
    constexpr int64_t kOne = int64_t{1} << kShift;
    constexpr uint64_t kTolerance = uint64_t{1} << 18;
    const int64_t c = std::llround(std::ldexp(r.cosA, kShift));
    const int64_t s = std::llround(std::ldexp(r.sinA, kShift));
    // The fixed-point numbers below hold the source coordinate plus 1/2, so
    // their floor is the nearest integer unless the fraction is next to 0.
    auto nearHalf = [](int64_t f) {
        return (static_cast<uint64_t>(f + static_cast<int64_t>(kTolerance)) << (64 - kShift)) <
               (2 * kTolerance << (64 - kShift));
    };
    const double cd = static_cast<double>(r.cosA), sd = static_cast<double>(r.sinA);

    for (int32_t y = 0; y < h; ++y) {
        const int64_t dy = static_cast<int64_t>(y) - cy;
        const int64_t dx0 = -static_cast<int64_t>(cx);
        const int64_t fu0 = dx0 * c - dy * s + kOne / 2 + (static_cast<int64_t>(cx) << kShift);
        const int64_t fv0 = dx0 * s + dy * c + kOne / 2 + (static_cast<int64_t>(cy) << kShift);
        auto source = [&](int32_t x, int64_t& u, int64_t& v) {
            const int64_t fu = fu0 + x * c, fv = fv0 + x * s;
            u = nearHalf(fu) ? SourceU(r, cx, cy, x, y) : fu >> kShift;
            v = nearHalf(fv) ? SourceV(r, cx, cy, x, y) : fv >> kShift;
        };
        auto inside = [&](int32_t x) {
            int64_t u, v;
            source(x, u, v);
            return u >= 0 && u < w && v >= 0 && v < h;
        };

        // Where cx + (x - cx) cos - dy sin lies in [-1/2, w - 1/2], and the
        // same for v, widened by two pixels for rounding.
        double lo = 0, hi = w;
        auto limit = [&](double slope, double at0, double top) {
            if (std::fabs(slope) < 1e-12) {
                if (at0 < -0.5 - 1e-6 || at0 > top - 0.5 + 1e-6)
                    hi = lo - 1;
                return;
            }
            double a = (-0.5 - at0) / slope, b = (top - 0.5 - at0) / slope;
            if (a > b)
                std::swap(a, b);
            lo = std::max(lo, a - 2);
            hi = std::min(hi, b + 2);
        };
        limit(cd, cx - cx * cd - static_cast<double>(dy) * sd, w);
        limit(sd, cy - cx * sd + static_cast<double>(dy) * cd, h);
        if (!(lo < hi))
            continue;
        int32_t xa = static_cast<int32_t>(std::max(0.0, std::floor(lo)));
        int32_t xb = static_cast<int32_t>(std::min(static_cast<double>(w), std::ceil(hi)));
        while (xa < xb && !inside(xa))
            ++xa;
        while (xb > xa && !inside(xb - 1))
            --xb;

        uint8_t* out = screen.Row(y) + static_cast<size_t>(xa) * Bitmap::kBytesPerPixel;
        int64_t fu = fu0 + xa * c, fv = fv0 + xa * s;
        for (int32_t x = xa; x < xb; ++x, fu += c, fv += s, out += Bitmap::kBytesPerPixel) {
            if (nearHalf(fu) || nearHalf(fv)) [[unlikely]] {
                int64_t u, v;
                source(x, u, v);
                CopyPixel(out, newBitmap, u, v);
            } else {
                CopyPixel(out, newBitmap, fu >> kShift, fv >> kShift);
            }
        }
    }
}

void DrawPixelStyle(int style, Bitmap& screen, const Bitmap& newBitmap, const FrameQuantities& f) {
    switch (style) {
        case 118:
            BlendBitmaps(screen, newBitmap, f.P);
            break;
        case 119:
            RotateBitmap(screen, newBitmap, -1, -1, SwingAngle(f.P));
            break;
        case 120:
            RotateBitmap(screen, newBitmap, -1, f.H, SwingAngle(f.P));
            break;
        case 121:
            RotateBitmap(screen, newBitmap, f.W, -1, SwingAngle(f.P));
            break;
        case 122:
            RotateBitmap(screen, newBitmap, f.W, f.H, SwingAngle(f.P));
            break;
        default:
            break;
    }
}

}  // namespace orlscr
