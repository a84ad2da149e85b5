#include "transition/pixel_styles.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <optional>
#include <utility>

#include "common/split_rows.h"
#include "raster/blit.h"
#include "raster/cpu_features.h"
#include "raster/pixel_plane.h"

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace orlscr {

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

// The same 64 bytes at a time with AVX-512.
__attribute__((target("avx512bw"))) size_t BlendRowAvx512(uint8_t* d,
                                                          const uint8_t* s,
                                                          const uint8_t* n,
                                                          size_t count,
                                                          int32_t p) {
    const __m512i keep = _mm512_set1_epi16(static_cast<int16_t>(FadeFactor(100 - p)));
    const __m512i take = _mm512_set1_epi16(static_cast<int16_t>(FadeFactor(p)));
    const __m512i zero = _mm512_setzero_si512();
    size_t i = 0;
    for (; i + 64 <= count; i += 64) {
        const __m512i sv = _mm512_loadu_si512(s + i);
        const __m512i nv = _mm512_loadu_si512(n + i);
        const __m512i lo = _mm512_add_epi16(_mm512_mulhi_epu16(_mm512_unpacklo_epi8(sv, zero), keep),
                                            _mm512_mulhi_epu16(_mm512_unpacklo_epi8(nv, zero), take));
        const __m512i hi = _mm512_add_epi16(_mm512_mulhi_epu16(_mm512_unpackhi_epi8(sv, zero), keep),
                                            _mm512_mulhi_epu16(_mm512_unpackhi_epi8(nv, zero), take));
        _mm512_storeu_si512(d + i, _mm512_packus_epi16(lo, hi));
    }
    return i;
}

#endif

// d = blend of s and n; d may be s.
void BlendRow(uint8_t* d, const uint8_t* s, const uint8_t* n, size_t count, int32_t p) {
    size_t i = 0;
#if defined(__SSE2__)
    if (HasAvx512Bw())
        i = BlendRowAvx512(d, s, n, count, p);
    if (HasAvx2())
        i += BlendRowAvx2(d + i, s + i, n + i, count - i, p);
    i += BlendRowSse2(d + i, s + i, n + i, count - i, p);
#endif
    for (; i < count; ++i)
        d[i] = BlendByte(s[i], n[i], p);
}

template <int kB>
void Blend(PixelPlane<kB> screen, PixelPlane<kB> oldBitmap, PixelPlane<kB> newBitmap, int32_t p) {
    p = std::clamp(p, 0, 100);
    const int32_t w = std::min({screen.width, oldBitmap.width, newBitmap.width});
    const int32_t h = std::min({screen.height, oldBitmap.height, newBitmap.height});
    if (w <= 0 || h <= 0)
        return;
    const size_t count = static_cast<size_t>(w) * kB;
    SplitRows(h, int64_t{w} * h, [&](int32_t, int32_t begin, int32_t end) {
        for (int32_t y = begin; y < end; ++y) {
            if (p == 0 || p == 100) {
                const uint8_t* from = (p == 0 ? oldBitmap : newBitmap).Row(y);
                if (from != screen.Row(y))
                    std::memcpy(screen.Row(y), from, count);
            } else {
                BlendRow(screen.Row(y), oldBitmap.Row(y), newBitmap.Row(y), count, p);
            }
        }
    });
}

}  // namespace

void BlendBitmaps(Bitmap& screen, const Bitmap& newBitmap, int32_t p) {
    Blend(PlaneOf(screen), PlaneOf(screen), PlaneOf(newBitmap), p);
}

void BlendBitmaps(Bitmap& screen, const Bitmap& oldBitmap, const Bitmap& newBitmap, int32_t p) {
    Blend(PlaneOf(screen), PlaneOf(oldBitmap), PlaneOf(newBitmap), p);
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

template <int kB>
inline void CopyPixel(uint8_t* to, PixelPlane<kB> from, int64_t u, int64_t v) {
    std::memcpy(to, from.At(u, v), kB);
}

template <int kB>
void RotateReference(PixelPlane<kB> screen, PixelPlane<kB> picture, int32_t cx, int32_t cy, double angle) {
    const Rotation r = RotationFor(angle);
    const int32_t w = std::min(screen.width, picture.width);
    const int32_t h = std::min(screen.height, picture.height);
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* row = screen.Row(y);
        for (int32_t x = 0; x < w; ++x) {
            const int64_t u = SourceU(r, cx, cy, x, y);
            const int64_t v = SourceV(r, cx, cy, x, y);
            if (u >= 0 && u < w && v >= 0 && v < h)
                CopyPixel(row + static_cast<size_t>(x) * kB, picture, u, v);
        }
    }
}

// RotateReference with the new picture taken from `source` outside its
// patches, for frames too large for the fixed point.
void RotateFromSourceReference(PixelPlane<4> screen,
                               PixelPlane<4> picture,
                               int32_t cx,
                               int32_t cy,
                               double angle,
                               const TurnSource& source) {
    const Rotation r = RotationFor(angle);
    const int32_t w = std::min(screen.width, picture.width);
    const int32_t h = std::min(screen.height, picture.height);
    const double kx = source.width / source.dest.Width(), ky = source.height / source.dest.Height();
    const BgrxPixels& from = source.picture;
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* row = screen.Row(y);
        for (int32_t x = 0; x < w; ++x) {
            const int64_t u = SourceU(r, cx, cy, x, y);
            const int64_t v = SourceV(r, cx, cy, x, y);
            if (u < 0 || u >= w || v < 0 || v >= h)
                continue;
            const bool patched = std::any_of(source.patches.begin(), source.patches.end(), [&](const Rect& p) {
                return u >= p.left && u < p.right && v >= p.top && v < p.bottom;
            });
            if (patched) {
                CopyPixel(row + static_cast<size_t>(x) * 4, picture, u, v);
                continue;
            }
            const auto at = [](double value, int32_t size) {
                return static_cast<int32_t>(std::clamp(std::floor(value), 0.0, static_cast<double>(size - 1)));
            };
            const int32_t s = at(source.left + (static_cast<double>(u) + 0.5 - source.dest.left) * kx, from.width);
            const int32_t t = at(source.top + (static_cast<double>(v) + 0.5 - source.dest.top) * ky, from.height);
            std::memcpy(row + static_cast<size_t>(x) * 4, from.Row(t) + static_cast<size_t>(s) * 4, 4);
        }
    }
}

}  // namespace

void RotateBitmapReference(Bitmap& screen, const Bitmap& newBitmap, int32_t cx, int32_t cy, double angle) {
    RotateReference(PlaneOf(screen), PlaneOf(newBitmap), cx, cy, angle);
}

#if defined(__SSE2__)
// The byte offset of column u within a row.
template <int kB>
__attribute__((target("avx2"))) inline __m256i ByteOffset(__m256i u) {
    if constexpr (kB == 4)
        return _mm256_slli_epi64(u, 2);
    return _mm256_add_epi64(u, _mm256_add_epi64(u, u));
}

// The inner loop of the swing for processors with AVX2, four pixels a step:
// the same fixed-point sums in four 64-bit lanes. It stops before the first
// group of four that holds a pixel whose fraction lies next to a half, or
// whose 4-byte load would read past the picture's last byte (its bottom-right
// pixel): the caller pulls those four one by one. Returns the pixels done.
template <int kB>
__attribute__((target("avx2"))) int32_t RotateRunAvx2(uint8_t* out,
                                                      PixelPlane<kB> from,
                                                      int64_t fu,
                                                      int64_t fv,
                                                      int64_t c,
                                                      int64_t s,
                                                      int32_t count,
                                                      int kShift,
                                                      int64_t tolerance,
                                                      bool prefetch) {
    const uint8_t* bits = from.bits;
    // Four bytes are read a pixel: for 3-byte pixels the last one would read
    // past the picture (no pixel of 4 bytes lies at offset -1).
    const int64_t last =
        kB == 4 ? -1 : static_cast<int64_t>(from.height - 1) * from.stride + static_cast<int64_t>(from.width - 1) * kB;
    __m256i u4 = _mm256_set_epi64x(fu + 3 * c, fu + 2 * c, fu + c, fu);
    __m256i v4 = _mm256_set_epi64x(fv + 3 * s, fv + 2 * s, fv + s, fv);
    const __m256i stepU = _mm256_set1_epi64x(4 * c), stepV = _mm256_set1_epi64x(4 * s);
    const __m256i tol = _mm256_set1_epi64x(tolerance);
    const __m256i stride = _mm256_set1_epi64x(from.stride);
    const __m256i lastOffset = _mm256_set1_epi64x(last);
    const __m256i zero = _mm256_setzero_si256();
    // The fraction bits of f + tolerance below 2 * tolerance (a power of
    // two) are all that is left after the shifts: the fraction lies within
    // the tolerance of 0 (f holds the source plus 1/2, so next to a half).
    const int up = 64 - kShift, down = up + __builtin_ctzll(static_cast<uint64_t>(2 * tolerance));
    const __m128i pack = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    // Far enough ahead for the memory to answer in time.
    constexpr int kAhead = 32;
    const __m256i aheadU = _mm256_set1_epi64x(kAhead * c), aheadV = _mm256_set1_epi64x(kAhead * s);
    alignas(32) int64_t offsets[4];
    alignas(32) int64_t ahead[4];
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m256i nearU =
            _mm256_cmpeq_epi64(_mm256_srli_epi64(_mm256_slli_epi64(_mm256_add_epi64(u4, tol), up), down), zero);
        const __m256i nearV =
            _mm256_cmpeq_epi64(_mm256_srli_epi64(_mm256_slli_epi64(_mm256_add_epi64(v4, tol), up), down), zero);
        const __m256i u = _mm256_srli_epi64(u4, kShift), v = _mm256_srli_epi64(v4, kShift);
        const __m256i offset = _mm256_add_epi64(_mm256_mul_epu32(v, stride), ByteOffset<kB>(u));
        const __m256i slow = _mm256_or_si256(_mm256_or_si256(nearU, nearV), _mm256_cmpeq_epi64(offset, lastOffset));
        if (!_mm256_testz_si256(slow, slow))
            break;
        _mm256_store_si256(reinterpret_cast<__m256i*>(offsets), offset);
        if (prefetch && i + kAhead + 4 <= count) {
            const __m256i au = _mm256_srli_epi64(_mm256_add_epi64(u4, aheadU), kShift);
            const __m256i av = _mm256_srli_epi64(_mm256_add_epi64(v4, aheadV), kShift);
            _mm256_store_si256(reinterpret_cast<__m256i*>(ahead),
                               _mm256_add_epi64(_mm256_mul_epu32(av, stride), ByteOffset<kB>(au)));
            for (int64_t a : ahead)
                _mm_prefetch(reinterpret_cast<const char*>(bits + a), _MM_HINT_T0);
        }
        uint32_t p0, p1, p2, p3;
        std::memcpy(&p0, bits + offsets[0], 4);
        std::memcpy(&p1, bits + offsets[1], 4);
        std::memcpy(&p2, bits + offsets[2], 4);
        std::memcpy(&p3, bits + offsets[3], 4);
        const __m128i four =
            _mm_set_epi32(static_cast<int>(p3), static_cast<int>(p2), static_cast<int>(p1), static_cast<int>(p0));
        uint8_t* o = out + static_cast<size_t>(i) * kB;
        if constexpr (kB == 4) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(o), four);
        } else {
            const __m128i packed = _mm_shuffle_epi8(four, pack);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(o), packed);
            const uint32_t tail = static_cast<uint32_t>(_mm_extract_epi32(packed, 2));
            std::memcpy(o + 8, &tail, 4);
        }
        u4 = _mm256_add_epi64(u4, stepU);
        v4 = _mm256_add_epi64(v4, stepV);
    }
    return i;
}

// GCC 12's AVX-512 intrinsics fill unused lanes from an undefined value that
// its own flow analysis then reports.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
// RotateRunAvx2 for 4-byte pixels with AVX-512, sixteen pixels a step in
// 32-bit lanes, gathered in one instruction. From each step's exact 64-bit
// fixed point (fu, fv), a lane k holds its fraction plus k steps in 26
// fraction bits (14 dropped from each term): it lies at most 16 units below
// the exact sum (in units of 2^-26), and the tolerance of NearHalf is 16
// units too. So a lane more than 32 units from a whole pixel has the exact
// sum's floor and is not near a half; a step with any lane closer is left to
// the caller, as one with a pixel near a half. Offsets stay below 2^31 as a
// picture of 4-byte pixels has fewer than 2^16 columns and rows.
__attribute__((target("avx512f"))) int32_t RotateRunAvx512(uint8_t* out,
                                                           PixelPlane<4> from,
                                                           int64_t fu,
                                                           int64_t fv,
                                                           int64_t c,
                                                           int64_t s,
                                                           int32_t count,
                                                           int kShift) {
    constexpr int kDropped = 14;
    const int fraction = kShift - kDropped;
    const int64_t fractionMask = (int64_t{1} << kShift) - 1;
    const __m512i lanes = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    const __m512i stepsU = _mm512_mullo_epi32(lanes, _mm512_set1_epi32(static_cast<int32_t>(c >> kDropped)));
    const __m512i stepsV = _mm512_mullo_epi32(lanes, _mm512_set1_epi32(static_cast<int32_t>(s >> kDropped)));
    const __m512i margin = _mm512_set1_epi32(32);
    // Fraction bits that are all zero within 32 units either side of a whole pixel.
    const __m512i far = _mm512_set1_epi32(static_cast<int32_t>((int64_t{1} << fraction) - 64));
    const __m512i rowPixels = _mm512_set1_epi32(from.stride / 4);
    const __m128i byFraction = _mm_cvtsi32_si128(fraction);
    int32_t i = 0;
    for (; i + 16 <= count; i += 16, fu += 16 * c, fv += 16 * s) {
        const __m512i u =
            _mm512_add_epi32(_mm512_set1_epi32(static_cast<int32_t>((fu & fractionMask) >> kDropped)), stepsU);
        const __m512i v =
            _mm512_add_epi32(_mm512_set1_epi32(static_cast<int32_t>((fv & fractionMask) >> kDropped)), stepsV);
        const __mmask16 near = _mm512_testn_epi32_mask(_mm512_add_epi32(u, margin), far) |
                               _mm512_testn_epi32_mask(_mm512_add_epi32(v, margin), far);
        if (near != 0)
            break;
        const __m512i at = _mm512_add_epi32(_mm512_mullo_epi32(_mm512_sra_epi32(v, byFraction), rowPixels),
                                            _mm512_sra_epi32(u, byFraction));
        const uint8_t* base = from.bits + (fv >> kShift) * from.stride + (fu >> kShift) * 4;
        _mm512_storeu_si512(out + static_cast<size_t>(i) * 4, _mm512_i32gather_epi32(at, base, 4));
    }
    return i;
}
#pragma GCC diagnostic pop

#endif

namespace {

// A row's pixels taken straight from a TurnSource's picture: pixel i of the
// run lies at (s0 + i ds, t0 + i dt) of it, whose pixel it takes (held within
// the picture).
struct SpreadRow {
    float s0, ds, t0, dt;
};

void SpreadRun(uint8_t* out, const BgrxPixels& from, const SpreadRow& row, int32_t count) {
    const float maxS = static_cast<float>(from.width - 1), maxT = static_cast<float>(from.height - 1);
    for (int32_t i = 0; i < count; ++i) {
        const float s = std::clamp(row.s0 + static_cast<float>(i) * row.ds, 0.0f, maxS);
        const float t = std::clamp(row.t0 + static_cast<float>(i) * row.dt, 0.0f, maxT);
        std::memcpy(out + static_cast<size_t>(i) * 4,
                    from.Row(static_cast<int32_t>(t)) + static_cast<size_t>(static_cast<int32_t>(s)) * 4, 4);
    }
}

#if defined(__SSE2__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
// SpreadRun sixteen pixels a step, gathered in one instruction; returns the
// pixels done (whole steps).
__attribute__((target("avx512f"))) int32_t SpreadRunAvx512(uint8_t* out,
                                                           const BgrxPixels& from,
                                                           const SpreadRow& row,
                                                           int32_t count) {
    const __m512 lanes = _mm512_setr_ps(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    const __m512 ds = _mm512_set1_ps(row.ds), dt = _mm512_set1_ps(row.dt);
    const __m512 s0 = _mm512_set1_ps(row.s0), t0 = _mm512_set1_ps(row.t0);
    const __m512 zero = _mm512_setzero_ps();
    const __m512 maxS = _mm512_set1_ps(static_cast<float>(from.width - 1));
    const __m512 maxT = _mm512_set1_ps(static_cast<float>(from.height - 1));
    const __m512i rowPixels = _mm512_set1_epi32(from.stride / 4);
    // The pixels' sources are fetched this far ahead: along a slanted line
    // they lie in a new row every few pixels, where the processor's own
    // prefetching does not follow.
    constexpr int32_t kAhead = 64;
    // The offsets in pixels of pixels i to i + 15 of the run.
    auto offsets = [&](int32_t i) __attribute__((target("avx512f"))) {
        const __m512 k = _mm512_add_ps(lanes, _mm512_set1_ps(static_cast<float>(i)));
        const __m512 s = _mm512_min_ps(_mm512_max_ps(_mm512_fmadd_ps(k, ds, s0), zero), maxS);
        const __m512 t = _mm512_min_ps(_mm512_max_ps(_mm512_fmadd_ps(k, dt, t0), zero), maxT);
        return _mm512_add_epi32(_mm512_mullo_epi32(_mm512_cvttps_epi32(t), rowPixels), _mm512_cvttps_epi32(s));
    };
    int32_t i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m512i at = offsets(i);
        if (i + kAhead + 16 <= count) {
            alignas(64) int32_t ahead[16];
            _mm512_store_si512(ahead, offsets(i + kAhead));
            for (const int32_t a : ahead)
                _mm_prefetch(reinterpret_cast<const char*>(from.bits) + static_cast<size_t>(a) * 4, _MM_HINT_T0);
        }
        _mm512_storeu_si512(out + static_cast<size_t>(i) * 4, _mm512_i32gather_epi32(at, from.bits, 4));
    }
    return i;
}
#pragma GCC diagnostic pop
#endif

}  // namespace

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
// loop copies it without bounds checks. Rows are pulled whole, in blocks of a
// few rows to each processor: neighbouring rows read neighbouring pixels of
// the picture, which the processor's second-level cache still holds from the
// row before even near a quarter turn (where a row of the frame is a column
// of the picture), and a whole row gives it long runs to fetch ahead. With
// `oldBitmap`, the pixels outside the runs are copied from it in the same
// pass, so the frame needs no restore beforehand.
namespace {

// The fixed-point walk of a turn by `angle` about (cx, cy) over a w x h
// frame from a picture as large, row by row.
class TurnWalk {
  public:
    static constexpr int kShift = 40;
    static constexpr int64_t kOne = int64_t{1} << kShift;
    static constexpr uint64_t kTolerance = uint64_t{1} << 18;

    TurnWalk(int32_t cx, int32_t cy, int32_t w, int32_t h, double angle)
        : r_(RotationFor(angle)),
          c_(std::llround(std::ldexp(r_.cosA, kShift))),
          s_(std::llround(std::ldexp(r_.sinA, kShift))),
          cx_(cx),
          cy_(cy),
          w_(w),
          h_(h) {}

    // A row's fixed-point source of x = 0, and the pixels [xa, xb) whose
    // source lies in the picture.
    struct Run {
        int64_t fu0, fv0;
        int32_t xa, xb;
    };

    // Whether the fixed point holds every offset of such a frame; when not,
    // the turn is done by the formula.
    static bool Fits(int32_t cx, int32_t cy, int32_t w, int32_t h) {
        constexpr int64_t kLimit = int64_t{1} << 16;
        return std::max({std::llabs(cx), std::llabs(static_cast<int64_t>(w) - cx), std::llabs(cy),
                         std::llabs(static_cast<int64_t>(h) - cy)}) < kLimit;
    }

    const Rotation& Turn() const { return r_; }
    int64_t Cos() const { return c_; }
    int64_t Sin() const { return s_; }

    // The fixed-point numbers hold the source coordinate plus 1/2, so their
    // floor is the nearest integer unless the fraction is next to 0.
    static bool NearHalf(int64_t f) {
        return (static_cast<uint64_t>(f + static_cast<int64_t>(kTolerance)) << (64 - kShift)) <
               (2 * kTolerance << (64 - kShift));
    }

    Run RunOf(int32_t y) const { return RunOf(y, Rect{0, 0, w_, h_}); }

    // The same for the pixels whose source lies within `bounds` of the picture.
    Run RunOf(int32_t y, const Rect& bounds) const {
        Run run;
        const int64_t dy = static_cast<int64_t>(y) - cy_;
        const int64_t dx0 = -static_cast<int64_t>(cx_);
        run.fu0 = dx0 * c_ - dy * s_ + kOne / 2 + (static_cast<int64_t>(cx_) << kShift);
        run.fv0 = dx0 * s_ + dy * c_ + kOne / 2 + (static_cast<int64_t>(cy_) << kShift);
        auto inside = [&](int32_t x) {
            const int64_t fu = run.fu0 + x * c_, fv = run.fv0 + x * s_;
            const int64_t u = NearHalf(fu) ? SourceU(r_, cx_, cy_, x, y) : fu >> kShift;
            const int64_t v = NearHalf(fv) ? SourceV(r_, cx_, cy_, x, y) : fv >> kShift;
            return u >= bounds.left && u < bounds.right && v >= bounds.top && v < bounds.bottom;
        };
        // Where cx + (x - cx) cos - dy sin lies in [left - 1/2, right - 1/2],
        // and the same for v, widened by two pixels for rounding.
        const double cd = static_cast<double>(r_.cosA), sd = static_cast<double>(r_.sinA);
        double lo = 0, hi = w_;
        auto limit = [&](double slope, double at0, int32_t low, int32_t high) {
            if (std::fabs(slope) < 1e-12) {
                if (at0 < low - 0.5 - 1e-6 || at0 > high - 0.5 + 1e-6)
                    hi = lo - 1;
                return;
            }
            double a = (low - 0.5 - at0) / slope, b = (high - 0.5 - at0) / slope;
            if (a > b)
                std::swap(a, b);
            lo = std::max(lo, a - 2);
            hi = std::min(hi, b + 2);
        };
        limit(cd, cx_ - cx_ * cd - static_cast<double>(dy) * sd, bounds.left, bounds.right);
        limit(sd, cy_ - cx_ * sd + static_cast<double>(dy) * cd, bounds.top, bounds.bottom);
        run.xa = run.xb = 0;
        if (lo < hi) {
            int32_t xa = static_cast<int32_t>(std::max(0.0, std::floor(lo)));
            int32_t xb = static_cast<int32_t>(std::min(static_cast<double>(w_), std::ceil(hi)));
            while (xa < xb && !inside(xa))
                ++xa;
            while (xb > xa && !inside(xb - 1))
                --xb;
            run.xa = xa;
            run.xb = xb;
        }
        return run;
    }

  private:
    Rotation r_;
    int64_t c_, s_;
    int32_t cx_, cy_, w_, h_;
};

// Returns the bounding box of the pixels it took from the new picture.
// Outside `stale` (when given) the screen holds the old picture already.
template <int kB>
Rect Rotate(PixelPlane<kB> screen,
            const PixelPlane<kB>* oldBitmap,
            PixelPlane<kB> newBitmap,
            int32_t cx,
            int32_t cy,
            double angle,
            const Region* stale = nullptr,
            std::vector<Rect>* takenRows = nullptr,
            const TurnSource* source = nullptr) {
    int32_t w = std::min(screen.width, newBitmap.width);
    int32_t h = std::min(screen.height, newBitmap.height);
    if (oldBitmap) {
        w = std::min(w, oldBitmap->width);
        h = std::min(h, oldBitmap->height);
    }
    if (w <= 0 || h <= 0)
        return Rect{};
    constexpr int kBpp = kB;
    const std::function<void(const Rect&)>* const drawOld = source && source->drawOld ? &source->drawOld : nullptr;
    if (drawOld)
        stale = nullptr;
    // Each row's span around what may differ from the old picture there (a
    // turned picture's last frame took one span a row).
    std::vector<int32_t> keepLeft(static_cast<size_t>(h), stale ? w : 0), keepRight(static_cast<size_t>(h), w);
    if (stale) {
        std::fill(keepRight.begin(), keepRight.end(), 0);
        for (const Rect& r : stale->Rects())
            for (int32_t y = std::max(r.top, 0); y < std::min(r.bottom, h); ++y) {
                keepLeft[y] = std::min(keepLeft[y], r.left);
                keepRight[y] = std::max(keepRight[y], r.right);
            }
    }
    auto restore = [&](int32_t y, int32_t from, int32_t to) {
        from = std::max(from, keepLeft[y]);
        to = std::min(to, keepRight[y]);
        if (drawOld && from < to)
            (*drawOld)(Rect{from, y, to, y + 1});
        else if (oldBitmap && from < to)
            std::memcpy(screen.Row(y) + static_cast<size_t>(from) * kBpp,
                        oldBitmap->Row(y) + static_cast<size_t>(from) * kBpp, static_cast<size_t>(to - from) * kBpp);
    };
    if (!TurnWalk::Fits(cx, cy, w, h)) {
        if (source && source->alongside)
            source->alongside();
        for (int32_t y = 0; y < h; ++y)
            restore(y, 0, w);
        if constexpr (kB == 4) {
            if (source) {
                RotateFromSourceReference(screen, newBitmap, cx, cy, angle, *source);
                if (takenRows)
                    takenRows->push_back(Rect{0, 0, w, h});
                return Rect{0, 0, w, h};
            }
        }
        RotateReference(screen, newBitmap, cx, cy, angle);
        if (takenRows)
            takenRows->push_back(Rect{0, 0, w, h});
        return Rect{0, 0, w, h};
    }

    const TurnWalk walk(cx, cy, w, h, angle);
    const Rotation& r = walk.Turn();
    constexpr int kShift = TurnWalk::kShift;
    constexpr uint64_t kTolerance = TurnWalk::kTolerance;
    const int64_t c = walk.Cos(), s = walk.Sin();
    auto nearHalf = &TurnWalk::NearHalf;
    using Run = TurnWalk::Run;
    constexpr int32_t kBlockRows = 16;
#if defined(__SSE2__)
    const bool avx2 = HasAvx2();
    const bool avx512 = avx2 && HasAvx512Bw();
#endif
    // Blocks of rows go to two processors; each piece keeps its own record of
    // what it took, joined in row order afterwards.
    struct Taken {
        Rect box;
        std::vector<Rect> rows;
    };
    // Pixels [xa, xb) of row y of its run, from the new picture; `first`
    // for the first row of a block.
    auto pull = [&](int32_t y, const Run& run, int32_t xa, int32_t xb, bool first) {
        if (xa >= xb)
            return;
        uint8_t* out = screen.Row(y) + static_cast<size_t>(xa) * kBpp;
        int64_t fu = run.fu0 + xa * c, fv = run.fv0 + xa * s;
        for (int32_t x = xa; x < xb;) {
            int32_t stop = xb;
#if defined(__SSE2__)
            if (avx2) {
                // The first row of a block brings the picture's rows into
                // the cache; the others find them there.
                int32_t done = 0, group = 4;
                if constexpr (kB == 4) {
                    static_assert(kShift == 40 && kTolerance == uint64_t{1} << 18,
                                  "RotateRunAvx512 allows for this fixed point");
                    if (avx512 && newBitmap.stride % 4 == 0) {
                        done = RotateRunAvx512(out, newBitmap, fu, fv, c, s, xb - x, kShift);
                        group = 16;
                    }
                }
                if (group == 4)
                    done = RotateRunAvx2<kB>(out, newBitmap, fu, fv, c, s, xb - x, kShift,
                                             static_cast<int64_t>(kTolerance), first);
                x += done;
                fu += done * c;
                fv += done * s;
                out += static_cast<size_t>(done) * kBpp;
                stop = std::min(xb, x + group);  // the group it left, one by one
            }
#endif
            for (; x < stop; ++x, fu += c, fv += s, out += kBpp) {
                if (nearHalf(fu) || nearHalf(fv)) [[unlikely]] {
                    const int64_t u = nearHalf(fu) ? SourceU(r, cx, cy, x, y) : fu >> kShift;
                    const int64_t v = nearHalf(fv) ? SourceV(r, cx, cy, x, y) : fv >> kShift;
                    CopyPixel(out, newBitmap, u, v);
                } else {
                    CopyPixel(out, newBitmap, fu >> kShift, fv >> kShift);
                }
            }
        }
    };
    // The same straight from the source's picture, where its patches do not
    // lie (pulled from the new picture after).
    auto spread = [&](int32_t y, const Run& run, int32_t xa, int32_t xb) {
        if constexpr (kB == 4) {
            constexpr double kUnit = 1.0 / static_cast<double>(TurnWalk::kOne);
            const double kx = source->width / source->dest.Width(), ky = source->height / source->dest.Height();
            // The run's fixed point holds the source plus 1/2: the centre of
            // the picture's pixel, in its coordinates.
            const double u = static_cast<double>(run.fu0 + xa * c) * kUnit,
                         v = static_cast<double>(run.fv0 + xa * s) * kUnit;
            const SpreadRow row{static_cast<float>(source->left + (u - source->dest.left) * kx),
                                static_cast<float>(static_cast<double>(c) * kUnit * kx),
                                static_cast<float>(source->top + (v - source->dest.top) * ky),
                                static_cast<float>(static_cast<double>(s) * kUnit * ky)};
            uint8_t* out = screen.Row(y) + static_cast<size_t>(xa) * 4;
            int32_t done = 0;
#if defined(__SSE2__)
            if (avx512)
                done = SpreadRunAvx512(out, source->picture, row, xb - xa);
#endif
            const SpreadRow rest{row.s0 + static_cast<float>(done) * row.ds, row.ds,
                                 row.t0 + static_cast<float>(done) * row.dt, row.dt};
            SpreadRun(out + static_cast<size_t>(done) * 4, source->picture, rest, xb - xa - done);
        }
    };
    const int32_t blocks = (h + kBlockRows - 1) / kBlockRows;
    std::vector<Taken> pieces(static_cast<size_t>(RowPieces(blocks)));
    const auto work = [&](int32_t piece, int32_t firstBlock, int32_t endBlock) {
        Taken& mine = pieces[static_cast<size_t>(piece)];
        for (int32_t y = firstBlock * kBlockRows; y < std::min(h, endBlock * kBlockRows); ++y) {
            const Run run = walk.RunOf(y);
            restore(y, 0, run.xa);
            restore(y, std::max(run.xa, run.xb), w);
            if (run.xa >= run.xb)
                continue;
            mine.box = UnionRect(mine.box, Rect{run.xa, y, run.xb, y + 1});
            if (takenRows)
                mine.rows.push_back(Rect{run.xa, y, run.xb, y + 1});
            const bool first = y % kBlockRows == 0;
            if constexpr (kB == 4) {
                if (source) {
                    spread(y, run, run.xa, run.xb);
                    for (const Rect& patch : source->patches)
                        if (const Run p = walk.RunOf(y, patch); p.xa < p.xb)
                            pull(y, run, std::max(p.xa, run.xa), std::min(p.xb, run.xb), first);
                    continue;
                }
            }
            pull(y, run, run.xa, run.xb, first);
        }
    };
    SplitRows(blocks, static_cast<int64_t>(w) * h, work, source ? source->alongside : nullptr);
    Rect taken;
    for (const Taken& piece : pieces) {
        taken = UnionRect(taken, piece.box);
        if (takenRows)
            takenRows->insert(takenRows->end(), piece.rows.begin(), piece.rows.end());
    }
    return taken;
}

}  // namespace

void RotateBitmap(Bitmap& screen, const Bitmap& newBitmap, int32_t cx, int32_t cy, double angle) {
    Rotate(PlaneOf(screen), static_cast<const Plane24*>(nullptr), PlaneOf(newBitmap), cx, cy, angle);
}

void RotateBitmap(Bitmap& screen,
                  const Bitmap& oldBitmap,
                  const Bitmap& newBitmap,
                  int32_t cx,
                  int32_t cy,
                  double angle) {
    const Plane24 old = PlaneOf(oldBitmap);
    Rotate(PlaneOf(screen), &old, PlaneOf(newBitmap), cx, cy, angle);
}

namespace {

// The corner a swing turns about, just outside the frame.
std::optional<Point> SwingCentre(int style, const FrameQuantities& f) {
    switch (style) {
        case 119:
            return Point{-1, -1};
        case 120:
            return Point{-1, f.H};
        case 121:
            return Point{f.W, -1};
        case 122:
            return Point{f.W, f.H};
        default:
            return std::nullopt;
    }
}

template <int kB>
Rect PixelStyleFrame(int style,
                     PixelPlane<kB> screen,
                     const PixelPlane<kB>* oldBitmap,
                     PixelPlane<kB> newBitmap,
                     const FrameQuantities& f,
                     const Region* stale,
                     std::vector<Rect>* takenRows,
                     const TurnSource* source = nullptr) {
    if (style == 118) {
        Blend(screen, oldBitmap ? *oldBitmap : screen, newBitmap, f.P);
        return f.P > 0 ? Rect{0, 0, screen.width, screen.height} : Rect{};
    }
    if (const std::optional<Point> c = SwingCentre(style, f))
        return Rotate(screen, oldBitmap, newBitmap, c->x, c->y, SwingAngle(f.P), stale, takenRows, source);
    return Rect{};
}

}  // namespace

Region PixelStyleSource(int style, const FrameQuantities& f) {
    const Rect full{0, 0, f.W, f.H};
    const std::optional<Point> c = SwingCentre(style, f);
    if (!c || f.W <= 0 || f.H <= 0)
        return Region(full);
    // Pixel (u, v) of the picture turns back to (x, y) of the frame; it is
    // read when that lies within a pixel of the frame (two, for safety).
    // Along a row of the picture both are linear in u.
    const Rotation r = RotationFor(SwingAngle(f.P));
    const double cosA = static_cast<double>(r.cosA), sinA = static_cast<double>(r.sinA);
    constexpr int32_t kBandRows = 8;
    constexpr double kMargin = 2.5;
    std::vector<Rect> bands;
    for (int32_t top = 0; top < f.H; top += kBandRows) {
        const int32_t bottom = std::min(f.H, top + kBandRows);
        double left = 1e18, right = -1e18;
        for (int32_t v = top; v < bottom; ++v) {
            double lo = -1e18, hi = 1e18;
            // x = cx + (u - cx) cos + (v - cy) sin, y = cy - (u - cx) sin + (v - cy) cos.
            auto limit = [&](double slope, double at_cx, double size) {
                if (std::fabs(slope) < 1e-12) {
                    if (at_cx < -kMargin || at_cx > size - 1 + kMargin)
                        hi = lo - 1;
                    return;
                }
                double a = c->x + (-kMargin - at_cx) / slope, b = c->x + (size - 1 + kMargin - at_cx) / slope;
                if (a > b)
                    std::swap(a, b);
                lo = std::max(lo, a);
                hi = std::min(hi, b);
            };
            limit(cosA, c->x + (v - c->y) * sinA, f.W);
            limit(-sinA, c->y + (v - c->y) * cosA, f.H);
            if (lo <= hi) {
                left = std::min(left, lo);
                right = std::max(right, hi);
            }
        }
        if (left <= right) {
            const auto at = [](double value) { return static_cast<int32_t>(std::clamp(value, -1e9, 1e9)); };
            bands.push_back(IntersectRect(Rect{at(std::floor(left)), top, at(std::ceil(right)) + 1, bottom}, full));
        }
    }
    return Region::FromRects(std::move(bands));
}

std::vector<Rect> PixelStyleTaken(int style, const FrameQuantities& f) {
    const std::optional<Point> c = SwingCentre(style, f);
    std::vector<Rect> rows;
    if (!c || f.W <= 0 || f.H <= 0 || !TurnWalk::Fits(c->x, c->y, f.W, f.H))
        return rows;
    const TurnWalk walk(c->x, c->y, f.W, f.H, SwingAngle(f.P));
    for (int32_t y = 0; y < f.H; ++y)
        if (const TurnWalk::Run run = walk.RunOf(y); run.xa < run.xb)
            rows.push_back(Rect{run.xa, y, run.xb, y + 1});
    return rows;
}

void DrawPixelStyle(int style, Bitmap& screen, const Bitmap& newBitmap, const FrameQuantities& f) {
    PixelStyleFrame(style, PlaneOf(screen), static_cast<const Plane24*>(nullptr), PlaneOf(newBitmap), f, nullptr,
                    nullptr);
}

Rect DrawPixelStyle(int style,
                    Bitmap& screen,
                    const Bitmap& oldBitmap,
                    const Bitmap& newBitmap,
                    const FrameQuantities& f,
                    const Region* stale,
                    std::vector<Rect>* takenRows) {
    const Plane24 old = PlaneOf(oldBitmap);
    return PixelStyleFrame(style, PlaneOf(screen), &oldBitmap != &screen ? &old : nullptr, PlaneOf(newBitmap), f, stale,
                           takenRows);
}

Rect DrawPixelStyle(int style,
                    const BgrxPixels& screen,
                    const BgrxPixels& oldPicture,
                    const BgrxPixels& newPicture,
                    const FrameQuantities& f,
                    const Region* stale,
                    std::vector<Rect>* takenRows,
                    const TurnSource* source) {
    const Plane32 old = PlaneOf(oldPicture);
    return PixelStyleFrame(style, PlaneOf(screen), &old, PlaneOf(newPicture), f, stale, takenRows, source);
}

}  // namespace orlscr
