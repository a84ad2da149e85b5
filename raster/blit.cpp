#include "raster/blit.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "common/split_rows.h"
#include "raster/cpu_features.h"
#include "raster/pixel_plane.h"
#include "raster/stretch_row.h"

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace orlscr {

namespace {

constexpr int kBpp = Bitmap::kBytesPerPixel;

// Source index, from `sourceStart`, of destination index i (0..destCount-1) for
// an even nearest-pixel spread: the centre of the destination pixel, mapped.
inline int64_t SourceIndex(int64_t i, int64_t sourceCount, int64_t destCount) {
    return ((2 * i + 1) * sourceCount) / (2 * destCount);
}

// out[i] = the 4-byte pixel at byte offsets[i] of `in`, for i < count.
#if defined(__SSE2__)
__attribute__((target("avx2"))) size_t GatherPixelsAvx2(uint8_t* out,
                                                        const uint8_t* in,
                                                        const int32_t* offsets,
                                                        size_t count) {
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256i at = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(offsets + i));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * i),
                            _mm256_i32gather_epi32(reinterpret_cast<const int*>(in), at, 1));
    }
    return i;
}
#endif

void GatherPixels(uint8_t* out, const uint8_t* in, const int32_t* offsets, size_t count) {
    size_t i = 0;
#if defined(__SSE2__)
    if (HasAvx2())
        i = GatherPixelsAvx2(out, in, offsets, count);
#endif
    for (; i < count; ++i)
        std::memcpy(out + i * 4, in + offsets[i], 4);
}

// Nearest-pixel stretch between planes of the same depth (see StretchCopy).
template <int kBytes>
void Stretch(PixelPlane<kBytes> target,
             const Rect& d,
             PixelPlane<kBytes> source,
             const Rect& s,
             bool flipX,
             bool flipY) {
    const int64_t dw = d.Width(), dh = d.Height();
    const int64_t sw = s.Width(), sh = s.Height();
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0 || target.IsEmpty() || source.IsEmpty())
        return;

    // Destination columns and rows that land inside the target.
    const int32_t x0 = std::max(d.left, 0), x1 = std::min(d.right, target.width);
    const int32_t y0 = std::max(d.top, 0), y1 = std::min(d.bottom, target.height);
    if (x0 >= x1 || y0 >= y1)
        return;

    auto sourceColumn = [&](int32_t x) {
        const int64_t i = flipX ? d.right - 1 - x : x - d.left;
        return s.left + SourceIndex(i, sw, dw);
    };
    auto sourceRow = [&](int32_t y) {
        const int64_t i = flipY ? d.bottom - 1 - y : y - d.top;
        return s.top + SourceIndex(i, sh, dh);
    };

    const bool plain = !flipX && sw == dw;
    if (plain) {
        // Unscaled columns: whole row spans, cut to the source's columns.
        const int32_t cx0 = static_cast<int32_t>(std::max<int64_t>(x0, d.left + (0 - s.left)));
        const int32_t cx1 = static_cast<int32_t>(std::min<int64_t>(x1, d.left + (source.width - s.left)));
        if (cx0 >= cx1)
            return;
        const size_t bytes = static_cast<size_t>(cx1 - cx0) * kBytes;
        const int64_t sx = s.left + (cx0 - d.left);
        auto copyRows = [&](int32_t, int32_t begin, int32_t end) {
            for (int32_t y = y0 + begin; y < y0 + end; ++y) {
                const int64_t sy = sourceRow(y);
                if (sy < 0 || sy >= source.height)
                    continue;
                std::memmove(target.Row(y) + static_cast<size_t>(cx0) * kBytes,
                             source.Row(static_cast<int32_t>(sy)) + sx * kBytes, bytes);
            }
        };
        // A whole frame is copied so at every step of a transition between
        // moving slides; a copy within one bitmap keeps its rows' order.
        if (target.bits == source.bits)
            copyRows(0, 0, y1 - y0);
        else
            SplitRows(y1 - y0, static_cast<int64_t>(cx1 - cx0) * (y1 - y0), copyRows);
        return;
    }

    // Scaled or mirrored columns: one table of source byte offsets, built once,
    // trimmed to the columns whose source lies inside the bitmap (the mapping
    // is monotonic, so those form one run).
    thread_local std::vector<int32_t> table;
    table.clear();
    int32_t first = x0;
    for (int32_t x = x0; x < x1; ++x) {
        const int64_t sx = sourceColumn(x);
        if (sx < 0 || sx >= source.width) {
            if (table.empty())
                first = x + 1;
            continue;
        }
        if (!table.empty() && x != first + static_cast<int32_t>(table.size()))
            break;
        table.push_back(static_cast<int32_t>(sx * kBytes));
    }
    if (table.empty())
        return;
    const size_t count = table.size();
    const int32_t* offsets = table.data();
    std::optional<StretchRow> row;
    if constexpr (kBytes == 3)
        row.emplace(offsets, count, static_cast<size_t>(source.stride));

    auto stretchRows = [&](int32_t, int32_t begin, int32_t end) {
        int64_t previousSourceRow = -1;
        const uint8_t* previousRow = nullptr;
        for (int32_t y = y0 + begin; y < y0 + end; ++y) {
            const int64_t sy = sourceRow(y);
            if (sy < 0 || sy >= source.height)
                continue;
            uint8_t* out = target.Row(y) + static_cast<size_t>(first) * kBytes;
            if (sy == previousSourceRow && previousRow) {
                // Enlarging repeats rows: copy the row just made.
                std::memcpy(out, previousRow, count * kBytes);
                continue;
            }
            const uint8_t* in = source.Row(static_cast<int32_t>(sy));
            if constexpr (kBytes == 3)
                row->Run(out, in);
            else
                GatherPixels(out, in, offsets, count);
            previousSourceRow = sy;
            previousRow = out;
        }
    };
    if (target.bits == source.bits)
        stretchRows(0, 0, y1 - y0);
    else
        SplitRows(y1 - y0, static_cast<int64_t>(count) * (y1 - y0), stretchRows);
}

// Widens `count` pixels of three bytes to four (the fourth 0).
void WidenRowScalar(uint8_t* out, const uint8_t* in, size_t count) {
    size_t i = 0;
    // A four-byte load reads one byte of the next pixel: stop one pixel early.
    for (; i + 1 < count; ++i) {
        uint32_t pixel;
        std::memcpy(&pixel, in + i * kBpp, 4);
        pixel &= 0x00FFFFFFu;
        std::memcpy(out + i * 4, &pixel, 4);
    }
    for (; i < count; ++i) {
        const uint8_t* p = in + i * kBpp;
        const uint32_t pixel = p[0] | p[1] << 8 | p[2] << 16;
        std::memcpy(out + i * 4, &pixel, 4);
    }
}

#if defined(__SSE2__)
// Four pixels a shuffle; chosen at run time, so the program still runs on any
// x86-64. Every 16-byte load stays within the row's 3 * count bytes. Returns
// how many leading pixels it widened.
__attribute__((target("ssse3"))) size_t WidenRowSsse3(uint8_t* out, const uint8_t* in, size_t count) {
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    size_t i = 0;
    for (; 3 * i + 52 <= 3 * count; i += 16) {
        const uint8_t* p = in + 3 * i;
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 12));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 24));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 36));
        __m128i* o = reinterpret_cast<__m128i*>(out + 4 * i);
        _mm_storeu_si128(o, _mm_shuffle_epi8(a, spread));
        _mm_storeu_si128(o + 1, _mm_shuffle_epi8(b, spread));
        _mm_storeu_si128(o + 2, _mm_shuffle_epi8(c, spread));
        _mm_storeu_si128(o + 3, _mm_shuffle_epi8(d, spread));
    }
    return i;
}

#endif

void WidenRow(uint8_t* out, const uint8_t* in, size_t count) {
    size_t i = 0;
#if defined(__SSE2__)
    if (HasSsse3())
        i = WidenRowSsse3(out, in, count);
#endif
    WidenRowScalar(out + 4 * i, in + kBpp * i, count - i);
}

// `sourceRect` cut to `sourceBounds` and to what lands inside `targetBounds`
// at (x, y); returns false when nothing is left. `x`, `y` follow the cut.
bool ClipCopy(const Rect& targetBounds, int32_t& x, int32_t& y, const Rect& sourceBounds, Rect& s) {
    s = IntersectRect(s, sourceBounds);
    const int64_t dx = int64_t{x} - s.left, dy = int64_t{y} - s.top;
    const Rect shifted{static_cast<int32_t>(std::clamp<int64_t>(targetBounds.left - dx, INT32_MIN, INT32_MAX)),
                       static_cast<int32_t>(std::clamp<int64_t>(targetBounds.top - dy, INT32_MIN, INT32_MAX)),
                       static_cast<int32_t>(std::clamp<int64_t>(targetBounds.right - dx, INT32_MIN, INT32_MAX)),
                       static_cast<int32_t>(std::clamp<int64_t>(targetBounds.bottom - dy, INT32_MIN, INT32_MAX))};
    s = IntersectRect(s, shifted);
    if (s.IsEmpty())
        return false;
    x = static_cast<int32_t>(s.left + dx);
    y = static_cast<int32_t>(s.top + dy);
    return true;
}

}  // namespace

Rect UnionRect(const Rect& a, const Rect& b) {
    if (a.IsEmpty())
        return b.IsEmpty() ? Rect{} : b;
    if (b.IsEmpty())
        return a;
    return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

Rect IntersectRect(const Rect& a, const Rect& b) {
    const Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                 std::min(a.bottom, b.bottom)};
    return r.IsEmpty() ? Rect{} : r;
}

void CopyToBgrx(const BgrxPixels& target, int32_t x, int32_t y, const Bitmap& source, const Rect& sourceRect) {
    Rect s = sourceRect;
    if (target.IsEmpty() || !ClipCopy(target.Bounds(), x, y, source.Bounds(), s))
        return;
    // A whole frame goes through here every time a full-screen style draws.
    SplitRows(s.Height(), static_cast<int64_t>(s.Width()) * s.Height(), [&](int32_t, int32_t begin, int32_t end) {
        for (int32_t row = s.top + begin; row < s.top + end; ++row)
            WidenRow(target.Row(y + row - s.top) + static_cast<size_t>(x) * 4,
                     source.Row(row) + static_cast<size_t>(s.left) * kBpp, static_cast<size_t>(s.Width()));
    });
}

void CopyBgrx(const BgrxPixels& target, int32_t x, int32_t y, const BgrxPixels& source, const Rect& sourceRect) {
    Rect s = sourceRect;
    if (target.IsEmpty() || source.IsEmpty() || !ClipCopy(target.Bounds(), x, y, source.Bounds(), s))
        return;
    for (int32_t row = s.top; row < s.bottom; ++row)
        std::memmove(target.Row(y + row - s.top) + static_cast<size_t>(x) * 4,
                     source.Row(row) + static_cast<size_t>(s.left) * 4, static_cast<size_t>(s.Width()) * 4);
}

void FillBgrx(const BgrxPixels& target, const Rect& rect, uint8_t blue, uint8_t green, uint8_t red) {
    const Rect r = IntersectRect(rect, target.Bounds());
    if (target.IsEmpty() || r.IsEmpty())
        return;
    const uint32_t pixel = blue | green << 8 | static_cast<uint32_t>(red) << 16;
    for (int32_t y = r.top; y < r.bottom; ++y) {
        uint8_t* p = target.Row(y) + static_cast<size_t>(r.left) * 4;
        for (int32_t x = r.left; x < r.right; ++x, p += 4)
            std::memcpy(p, &pixel, 4);
    }
}

void DrawBitmap(Bitmap& target, int32_t x, int32_t y, const Bitmap& source) {
    const Rect d{x, y, x + source.Width(), y + source.Height()};
    Stretch(PlaneOf(target), d, PlaneOf(source), source.Bounds(), false, false);
}

void FillRect(Bitmap& target, const Rect& rect, uint8_t blue, uint8_t green, uint8_t red) {
    const int32_t x0 = std::max(rect.left, 0), x1 = std::min(rect.right, target.Width());
    const int32_t y0 = std::max(rect.top, 0), y1 = std::min(rect.bottom, target.Height());
    for (int32_t y = y0; y < y1; ++y) {
        uint8_t* p = target.Row(y) + static_cast<size_t>(x0) * kBpp;
        for (int32_t x = x0; x < x1; ++x, p += kBpp) {
            p[0] = blue;
            p[1] = green;
            p[2] = red;
        }
    }
}

void StretchCopy(Bitmap& target, const Rect& destRect, const Bitmap& source, const Rect& sourceRect) {
    Stretch(PlaneOf(target), destRect, PlaneOf(source), sourceRect, false, false);
}

void StretchCopy(const BgrxPixels& target, const Rect& destRect, const BgrxPixels& source, const Rect& sourceRect) {
    Stretch(PlaneOf(target), destRect, PlaneOf(source), sourceRect, false, false);
}

namespace {

Rect CutToPicture(const Rect& r, int32_t width, int32_t height) {
    return Rect{std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, width), std::min(r.bottom, height)};
}

}  // namespace

void MirrorCopyRect(Bitmap& target,
                    const Rect& destRect,
                    const Bitmap& source,
                    const Rect& sourceRect,
                    bool flipHorizontal,
                    bool flipVertical) {
    Stretch(PlaneOf(target), destRect, PlaneOf(source), CutToPicture(sourceRect, source.Width(), source.Height()),
            flipHorizontal, flipVertical);
}

void MirrorCopyRect(const BgrxPixels& target,
                    const Rect& destRect,
                    const BgrxPixels& source,
                    const Rect& sourceRect,
                    bool flipHorizontal,
                    bool flipVertical) {
    Stretch(PlaneOf(target), destRect, PlaneOf(source), CutToPicture(sourceRect, source.width, source.height),
            flipHorizontal, flipVertical);
}

}  // namespace orlscr
