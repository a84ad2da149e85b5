#include "raster/scale.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "common/split_rows.h"
#include "raster/blit.h"
#include "raster/cpu_features.h"

namespace orlscr {

namespace {

constexpr int kWeightBits = 14;
constexpr int32_t kWeightOne = 1 << kWeightBits;

// The filter taps of one axis: destination pixel i is the sum over k of
// weights[offset[i] + k] * source[first[i] + k] for k < count[i], with weights
// in fixed point that add up to exactly kWeightOne, all source indexes inside
// the source.
struct AxisFilter {
    std::vector<int32_t> first;
    std::vector<int32_t> count;
    std::vector<int32_t> offset;
    std::vector<int32_t> weights;
};

// A tent filter as wide as one source pixel when enlarging (bilinear) and as
// one destination pixel when reducing, so every source pixel is counted.
AxisFilter MakeAxisFilter(int32_t source_size, int32_t dest_size) {
    AxisFilter filter;
    filter.first.resize(dest_size);
    filter.count.resize(dest_size);
    filter.offset.resize(dest_size);
    const double scale = static_cast<double>(source_size) / dest_size;
    const double radius = std::max(1.0, scale);
    std::vector<double> taps;
    for (int32_t i = 0; i < dest_size; ++i) {
        const double center = (i + 0.5) * scale - 0.5;
        int64_t lo = static_cast<int64_t>(std::floor(center - radius)) + 1;
        int64_t hi = static_cast<int64_t>(std::ceil(center + radius)) - 1;
        const int64_t first = std::clamp<int64_t>(lo, 0, source_size - 1);
        const int64_t last = std::clamp<int64_t>(hi, 0, source_size - 1);
        taps.assign(static_cast<size_t>(last - first + 1), 0.0);
        double total = 0;
        for (int64_t j = lo; j <= hi; ++j) {
            double w = 1.0 - std::abs(static_cast<double>(j) - center) / radius;
            if (w <= 0)
                continue;
            // Taps beyond an edge count for the edge pixel.
            taps[static_cast<size_t>(std::clamp(j, first, last) - first)] += w;
            total += w;
        }
        if (total <= 0) {  // cannot happen for a tap at distance < radius, but stay defined
            taps.assign(1, 1.0);
            total = 1.0;
        }
        filter.first[i] = static_cast<int32_t>(first);
        filter.count[i] = static_cast<int32_t>(taps.size());
        filter.offset[i] = static_cast<int32_t>(filter.weights.size());
        int32_t sum = 0;
        size_t largest = filter.weights.size();
        for (double t : taps) {
            int32_t w = static_cast<int32_t>(std::lround(t / total * kWeightOne));
            if (largest == filter.weights.size() || w > filter.weights[largest])
                largest = filter.weights.size();
            filter.weights.push_back(w);
            sum += w;
        }
        filter.weights[largest] += kWeightOne - sum;  // rounding remainder
    }
    return filter;
}

uint8_t Round(int32_t sum) {
    return static_cast<uint8_t>(std::clamp((sum + kWeightOne / 2) >> kWeightBits, 0, 255));
}

}  // namespace

Bitmap ScalePicture(const Bitmap& picture, int32_t width, int32_t height) {
    Bitmap result(width, height);
    if (picture.Width() == width && picture.Height() == height) {
        for (int32_t y = 0; y < height; ++y)
            std::memcpy(result.Row(y), picture.Row(y), static_cast<size_t>(width) * Bitmap::kBytesPerPixel);
        return result;
    }
    const AxisFilter across = MakeAxisFilter(picture.Width(), width);
    const AxisFilter down = MakeAxisFilter(picture.Height(), height);

    // Rows first: every source row at the new width.
    Bitmap narrow(width, picture.Height());
    for (int32_t y = 0; y < picture.Height(); ++y) {
        const uint8_t* in = picture.Row(y);
        uint8_t* out = narrow.Row(y);
        for (int32_t x = 0; x < width; ++x) {
            int32_t b = 0, g = 0, r = 0;
            const uint8_t* px = in + across.first[x] * 3;
            const int32_t* w = &across.weights[across.offset[x]];
            for (int32_t k = 0; k < across.count[x]; ++k, px += 3) {
                b += w[k] * px[0];
                g += w[k] * px[1];
                r += w[k] * px[2];
            }
            out[x * 3 + 0] = Round(b);
            out[x * 3 + 1] = Round(g);
            out[x * 3 + 2] = Round(r);
        }
    }
    // Then columns, a whole row at a time.
    const size_t row_bytes = static_cast<size_t>(width) * 3;
    std::vector<int32_t> sums(row_bytes);
    for (int32_t y = 0; y < height; ++y) {
        std::fill(sums.begin(), sums.end(), 0);
        const int32_t* w = &down.weights[down.offset[y]];
        for (int32_t k = 0; k < down.count[y]; ++k) {
            const uint8_t* in = narrow.Row(down.first[y] + k);
            for (size_t i = 0; i < row_bytes; ++i)
                sums[i] += w[k] * in[i];
        }
        uint8_t* out = result.Row(y);
        for (size_t i = 0; i < row_bytes; ++i)
            out[i] = Round(sums[i]);
    }
    return result;
}

namespace {

// Where destination index i of `count` samples the source: the first of the
// two taps (a byte offset for x, a row for y, clamped into the source) and
// the second tap's weight out of 256, always even: a position to 1/128 of a
// pixel, so that 7-bit arithmetic (the AVX2 loops) gives the same pixels.
struct Taps {
    std::vector<int32_t> first;
    std::vector<int32_t> second;
    std::vector<uint16_t> weight;
};

Taps MakeTaps(double start, double length, int32_t count, int32_t source_size, int32_t unit) {
    Taps taps;
    taps.first.resize(count);
    taps.second.resize(count);
    taps.weight.resize(count);
    // 16.16 fixed point for the position of every sample's centre.
    const int64_t step = std::llround(length / count * 65536.0);
    int64_t at = std::llround((start + length / count * 0.5 - 0.5) * 65536.0);
    for (int32_t i = 0; i < count; ++i, at += step) {
        const int64_t whole = at >> 16;
        const int32_t a = static_cast<int32_t>(std::clamp<int64_t>(whole, 0, source_size - 1));
        const int32_t b = static_cast<int32_t>(std::clamp<int64_t>(whole + 1, 0, source_size - 1));
        taps.first[i] = a * unit;
        taps.second[i] = b * unit;
        taps.weight[i] = whole < 0 || whole >= source_size - 1 ? 0 : static_cast<uint16_t>((at >> 8) & 0xFE);
    }
    return taps;
}

// The `count` samples from `offset` on.
Taps SliceTaps(Taps taps, int32_t offset, int32_t count) {
    if (offset == 0 && count == static_cast<int32_t>(taps.first.size()))
        return taps;
    auto slice = [offset, count](auto& v) {
        v.erase(v.begin() + offset + count, v.end());
        v.erase(v.begin(), v.begin() + offset);
    };
    slice(taps.first);
    slice(taps.second);
    slice(taps.weight);
    return taps;
}

}  // namespace

namespace {

#if defined(__SSE2__)
// Weights to 7 bits: the bytes of 32 pairs (a, b) weighed by (128 - w, w)
// each, in 16-bit lanes, rounded. maddubs takes unsigned weights times signed
// bytes, so the bytes are moved down by 128 and the sum moved back up.
__attribute__((target("avx2"))) inline __m256i WeighPairs(__m256i pairs, __m256i weights) {
    const __m256i sum = _mm256_maddubs_epi16(weights, _mm256_xor_si256(pairs, _mm256_set1_epi8(-128)));
    return _mm256_srli_epi16(_mm256_add_epi16(sum, _mm256_set1_epi16(128 * 128 + 64)), 7);
}

// BlendRows for processors with AVX2, 32 bytes a step; wb is even. Returns
// the bytes done.
__attribute__((target("avx2"))) size_t BlendRowsAvx2(const uint8_t* a,
                                                     const uint8_t* b,
                                                     uint32_t wb,
                                                     uint8_t* out,
                                                     size_t count) {
    const int w = static_cast<int>(wb / 2);
    const __m256i weights = _mm256_set1_epi16(static_cast<int16_t>(w << 8 | (128 - w)));
    size_t i = 0;
    for (; i + 32 <= count; i += 32) {
        const __m256i va = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + i));
        const __m256i vb = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + i));
        const __m256i low = WeighPairs(_mm256_unpacklo_epi8(va, vb), weights);
        const __m256i high = WeighPairs(_mm256_unpackhi_epi8(va, vb), weights);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_packus_epi16(low, high));
    }
    return i;
}
#endif

// Two rows mixed: out = (a * (256 - wb) + b * wb) / 256, rounded, for `count` bytes.
void BlendRows(const uint8_t* a, const uint8_t* b, uint32_t wb, uint8_t* out, size_t count) {
    size_t i = 0;
#if defined(__SSE2__)
    if (HasAvx2() && wb % 2 == 0)
        i = BlendRowsAvx2(a, b, wb, out, count);
    const __m128i weight_a = _mm_set1_epi16(static_cast<int16_t>(256 - wb));
    const __m128i weight_b = _mm_set1_epi16(static_cast<int16_t>(wb));
    const __m128i half = _mm_set1_epi16(128);
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= count; i += 16) {
        const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
        const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
        __m128i lo = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(va, zero), weight_a),
                                   _mm_mullo_epi16(_mm_unpacklo_epi8(vb, zero), weight_b));
        __m128i hi = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(va, zero), weight_a),
                                   _mm_mullo_epi16(_mm_unpackhi_epi8(vb, zero), weight_b));
        lo = _mm_srli_epi16(_mm_add_epi16(lo, half), 8);
        hi = _mm_srli_epi16(_mm_add_epi16(hi, half), 8);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(lo, hi));
    }
#endif
    for (; i < count; ++i)
        out[i] = static_cast<uint8_t>((a[i] * (256 - wb) + b[i] * wb + 128) >> 8);
}

// The three bytes of a pixel in three 16-bit lanes of a 64-bit word, so one
// multiplication weighs all of them (255 * 256 still fits a lane).
inline uint64_t Lanes(uint64_t pixel) {
    return (pixel & 0xFF) | (pixel & 0xFF00) << 8 | (pixel & 0xFF0000) << 16;
}

}  // namespace

void ScaleWindowInto(const Bitmap& picture,
                     double left,
                     double top,
                     double width,
                     double height,
                     Bitmap& frame,
                     const Rect& dest) {
    ScaleWindowInto(picture, left, top, width, height, frame, dest, frame.Bounds());
}

void ScaleWindowInto(const Bitmap& picture,
                     double left,
                     double top,
                     double width,
                     double height,
                     Bitmap& frame,
                     const Rect& dest,
                     const Rect& clip) {
    const Rect shown = IntersectRect(dest, frame.Bounds());
    const Rect d = IntersectRect(shown, clip);
    if (d.IsEmpty() || picture.IsEmpty() || width <= 0 || height <= 0)
        return;
    // The part of dest in the frame starts further into the window. Its
    // samples are taken whole and the clip's share of them kept, so a clip
    // changes no pixel.
    const double per_x = width / dest.Width(), per_y = height / dest.Height();
    const Taps across = SliceTaps(
        MakeTaps(left + (shown.left - dest.left) * per_x, per_x * shown.Width(), shown.Width(), picture.Width(), 3),
        d.left - shown.left, d.Width());
    const Taps down = SliceTaps(
        MakeTaps(top + (shown.top - dest.top) * per_y, per_y * shown.Height(), shown.Height(), picture.Height(), 1),
        d.top - shown.top, d.Height());
    // Rows are blended first, over the columns the samples need only, into a
    // row with room to read eight bytes at every pixel: each sample reads its
    // pixel and the next one at once (the next one weighs 0 at the edge).
    const int32_t from = *std::min_element(across.first.begin(), across.first.end());
    const int32_t to = *std::max_element(across.second.begin(), across.second.end()) + 3;
    // Each sample's weights for its pixel's three bytes and the next pixel's
    // three, as 16-bit lanes.
    std::vector<uint16_t> weights(static_cast<size_t>(d.Width()) * 8);
    for (int32_t x = 0; x < d.Width(); ++x) {
        const uint16_t w = across.weight[x];
        uint16_t* lanes = &weights[static_cast<size_t>(x) * 8];
        lanes[0] = lanes[1] = lanes[2] = static_cast<uint16_t>(256 - w);
        lanes[3] = lanes[4] = lanes[5] = w;
    }
    // The rows of a large frame are shared with a second processor.
    SplitRows(d.Height(), static_cast<int64_t>(d.Width()) * d.Height(), [&](int32_t, int32_t begin, int32_t end) {
        std::vector<uint8_t> blended(static_cast<size_t>(to) + 8);
        for (int32_t y = begin; y < end; ++y) {
            const uint8_t* a = picture.Row(down.first[y]);
            const uint32_t wb = down.weight[y];
            if (wb != 0)
                BlendRows(a + from, picture.Row(down.second[y]) + from, wb, blended.data() + from,
                          static_cast<size_t>(to - from));
            else
                std::memcpy(blended.data() + from, a + from, static_cast<size_t>(to - from));
            const uint8_t* row = blended.data();
            uint8_t* out = frame.Row(d.top + y) + static_cast<size_t>(d.left) * 3;
            const int32_t* first = across.first.data();
            const uint16_t* weight = across.weight.data();
            // Four bytes are written a pixel, the fourth overwritten by the next
            // pixel; the last pixel is written byte by byte.
            const int32_t last = d.Width() - 1;
            int32_t x = 0;
#if defined(__SSE2__)
            // Two pixels at a time while eight bytes can be written.
            const __m128i zero = _mm_setzero_si128();
            const __m128i half = _mm_set1_epi16(128);
            const __m128i low_three = _mm_setr_epi16(-1, -1, -1, 0, 0, 0, 0, 0);
            const __m128i* pair_weights = reinterpret_cast<const __m128i*>(weights.data());
            for (; x + 3 <= last; x += 2, out += 6) {
                __m128i a = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + first[x])), zero);
                __m128i b =
                    _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + first[x + 1])), zero);
                a = _mm_mullo_epi16(a, _mm_loadu_si128(pair_weights + x));
                b = _mm_mullo_epi16(b, _mm_loadu_si128(pair_weights + x + 1));
                a = _mm_and_si128(_mm_add_epi16(a, _mm_srli_si128(a, 6)), low_three);
                b = _mm_and_si128(_mm_add_epi16(b, _mm_srli_si128(b, 6)), low_three);
                const __m128i both = _mm_srli_epi16(_mm_add_epi16(_mm_or_si128(a, _mm_slli_si128(b, 6)), half), 8);
                _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(both, both));
            }
#endif
            for (; x <= last; ++x, out += 3) {
                uint64_t two;
                std::memcpy(&two, row + first[x], sizeof two);
                const uint64_t w = weight[x];
                const uint64_t mixed = (Lanes(two) * (256 - w) + Lanes(two >> 24) * w + 0x0000008000800080ull) >> 8 &
                                       0x000000FF00FF00FFull;
                const uint32_t pixel =
                    static_cast<uint32_t>((mixed & 0xFF) | (mixed >> 8 & 0xFF00) | (mixed >> 16 & 0xFF0000));
                if (x < last) {
                    std::memcpy(out, &pixel, 4);
                } else {
                    out[0] = static_cast<uint8_t>(pixel);
                    out[1] = static_cast<uint8_t>(pixel >> 8);
                    out[2] = static_cast<uint8_t>(pixel >> 16);
                }
            }
        }
    });
}

namespace {

#if defined(__SSE2__)
// Two pixels of SampleRowBgrxSsse3 from the load at `at`, in 16-bit lanes.
__attribute__((target("ssse3"))) inline __m128i SamplePairSsse3(const uint8_t* at,
                                                                const uint8_t* shuffle,
                                                                const uint8_t* weights) {
    const __m128i taps = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)),
                                          _mm_loadu_si128(reinterpret_cast<const __m128i*>(shuffle)));
    const __m128i sum = _mm_maddubs_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(weights)),
                                          _mm_xor_si128(taps, _mm_set1_epi8(-128)));
    return _mm_srli_epi16(_mm_add_epi16(sum, _mm_set1_epi16(128 * 128 + 64)), 7);
}

// The horizontal half with SSSE3, two pixels from one 16-byte load: when
// the second pixel's first tap lies at most two pixels after the first's
// (a reduction by at most 2), both taps of both lie in the four pixels from
// the first one's first tap. `shuffles` holds for every two pixels the byte
// order that lays out their taps byte by byte as (a, b) pairs, `bytes` their
// weights (128 - w, w) to 7 bits, 16 bytes each. Does the pairs whose load
// ends within `row_bytes` bytes; returns the pixels done.
__attribute__((target("ssse3"))) int32_t SampleRowBgrxSsse3(const uint8_t* row,
                                                            size_t row_bytes,
                                                            const int32_t* first,
                                                            const uint8_t* shuffles,
                                                            const uint8_t* bytes,
                                                            uint8_t* out,
                                                            int32_t count) {
    int32_t x = 0;
    for (; x + 4 <= count && static_cast<size_t>(first[x + 2]) + 16 <= row_bytes; x += 4)
        _mm_storeu_si128(
            reinterpret_cast<__m128i*>(out + static_cast<size_t>(x) * 4),
            _mm_packus_epi16(SamplePairSsse3(row + first[x], shuffles + x * 8, bytes + x * 8),
                             SamplePairSsse3(row + first[x + 2], shuffles + x * 8 + 16, bytes + x * 8 + 16)));
    return x;
}

// The pairs of pixels at x and x + 4, in the two lanes.
__attribute__((target("avx2"))) inline __m256i SamplePairsAvx2(const uint8_t* row,
                                                               const int32_t* first,
                                                               const uint8_t* shuffles,
                                                               const uint8_t* bytes,
                                                               int32_t x) {
    const __m256i taps = _mm256_shuffle_epi8(
        _mm256_inserti128_si256(
            _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + first[x]))),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + first[x + 4])), 1),
        _mm256_inserti128_si256(
            _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(shuffles + x * 8))),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(shuffles + x * 8 + 32)), 1));
    const __m256i weights = _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + x * 8))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + x * 8 + 32)), 1);
    return WeighPairs(taps, weights);
}

// SampleRowBgrxSsse3 with AVX2, eight pixels a step: the pairs of pixels
// (0, 1) and (4, 5) in the lanes of one register, (2, 3) and (6, 7) in those
// of another, so that packing puts them in order.
__attribute__((target("avx2"))) int32_t SampleRowBgrxAvx2(const uint8_t* row,
                                                          size_t row_bytes,
                                                          const int32_t* first,
                                                          const uint8_t* shuffles,
                                                          const uint8_t* bytes,
                                                          uint8_t* out,
                                                          int32_t count) {
    int32_t x = 0;
    for (; x + 8 <= count && static_cast<size_t>(first[x + 6]) + 16 <= row_bytes; x += 8)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + static_cast<size_t>(x) * 4),
                            _mm256_packus_epi16(SamplePairsAvx2(row, first, shuffles, bytes, x),
                                                SamplePairsAvx2(row, first, shuffles, bytes, x + 2)));
    return x;
}

// The rows of a scaled slide go through the AVX-512 loops below with every
// byte biased by -128 (stored xor 0x80), the signed operand maddubs wants,
// and each pair's weights doubled to (256 - 2w, 2w), so that a sum is twice
// WeighPairs' biased sum: its rounded result, (sum + 64) >> 7, is then the
// high byte of the doubled sum plus 128, and one byte permute packs those
// (plus another 128 in the high byte takes the bias off). A weight of 0 is
// the pair (a, a) weighed (128, 128), as 256 does not fit a byte. The
// pixels are exactly those of WeighPairs.
__attribute__((target("avx512bw"))) inline __m512i WeighDoubledPairs512(__m512i pairs, __m512i weights, __m512i round) {
    return _mm512_add_epi16(_mm512_maddubs_epi16(weights, pairs), round);
}

// The byte orders that take the high bytes of the 16-bit lanes of two
// registers (the first 64 of 128 bytes, then the second): kHighBytes[1]
// when they hold the low and the high halves of each 128-bit lane's bytes,
// as unpacking lays them out, kHighBytes[0] when they hold them in order.
constexpr auto kHighBytes = [] {
    std::array<std::array<uint8_t, 64>, 2> orders{};
    for (int unpacked = 0; unpacked < 2; ++unpacked)
        for (int j = 0; j < 64; ++j) {
            const int word = unpacked ? (j / 16) * 8 + j % 8 : j % 32;
            const bool second = unpacked ? j % 16 >= 8 : j >= 32;
            orders[unpacked][j] = static_cast<uint8_t>((second ? 64 : 0) + 2 * word + 1);
        }
    return orders;
}();

// Rows a and b blended down as BlendRows blends them (weight wb of b, even),
// `count` bytes into `out` biased. The same bytes of `ahead` (a row the next
// blend reads, or null) are fetched meanwhile: a new row of a picture that
// is not in the cache would otherwise wait for memory at every page.
__attribute__((target("avx512bw,avx512vbmi"))) void BlendRowsBiasedVbmi(const uint8_t* a,
                                                                        const uint8_t* b,
                                                                        uint32_t wb,
                                                                        uint8_t* out,
                                                                        size_t count,
                                                                        const uint8_t* ahead) {
    if (wb == 0)
        b = a;
    const int w0 = wb == 0 ? 128 : 256 - static_cast<int>(wb), w1 = wb == 0 ? 128 : static_cast<int>(wb);
    const __m512i weights = _mm512_set1_epi16(static_cast<int16_t>(w1 << 8 | w0));
    const __m512i bias = _mm512_set1_epi8(-128), round = _mm512_set1_epi16(128);
    const __m512i order = _mm512_loadu_si512(kHighBytes[1].data());
    auto step = [&](size_t i, __mmask64 mask) __attribute__((target("avx512bw,avx512vbmi"))) {
        const __m512i va = _mm512_xor_si512(_mm512_maskz_loadu_epi8(mask, a + i), bias);
        const __m512i vb = _mm512_xor_si512(_mm512_maskz_loadu_epi8(mask, b + i), bias);
        _mm512_mask_storeu_epi8(
            out + i, mask,
            _mm512_permutex2var_epi8(WeighDoubledPairs512(_mm512_unpacklo_epi8(va, vb), weights, round), order,
                                     WeighDoubledPairs512(_mm512_unpackhi_epi8(va, vb), weights, round)));
    };
    size_t i = 0;
    for (; i + 64 <= count; i += 64) {
        if (ahead)
            _mm_prefetch(reinterpret_cast<const char*>(ahead + i), _MM_HINT_T0);
        step(i, ~__mmask64{0});
    }
    if (i < count)
        step(i, (__mmask64{1} << (count - i)) - 1);
}

// Eight pixels of SampleRowBiasedVbmi from the 64 bytes at `at` (128 when
// kWide), in 16-bit lanes, in order.
template <bool kWide>
__attribute__((target("avx512bw,avx512vbmi"))) inline __m512i SampleEightBiasedVbmi(const uint8_t* at,
                                                                                    const uint8_t* perm,
                                                                                    const uint8_t* weights,
                                                                                    __m512i round) {
    const __m512i order = _mm512_loadu_si512(perm);
    const __m512i pairs = kWide ? _mm512_permutex2var_epi8(_mm512_loadu_si512(at), order, _mm512_loadu_si512(at + 64))
                                : _mm512_maskz_permutexvar_epi8(~__mmask64{0}, order, _mm512_loadu_si512(at));
    return WeighDoubledPairs512(pairs, _mm512_loadu_si512(weights), round);
}

// The horizontal half with AVX-512 byte permutes, from a biased row, for
// pixels [x0, x1) into `out` (pixel x0 first): where eight pixels' taps lie
// within the sixteen pixels from the first one's first tap (a reduction by at
// most two), one 64-byte load and one permute lay them out as (a, b) pairs;
// kWide, within thirty-two (a reduction by less than four), two loads and
// one permute of both. `perms` holds that byte order for every eight pixels
// from the first, 64 bytes each, and `bytes` their doubled weights, both for
// whole eights (the last one padded). The row must be readable 64 bytes (128
// when kWide) past each eight's first tap; pixels outside [x0, x1) are never
// written.
template <bool kWide>
__attribute__((target("avx512bw,avx512vbmi"))) void SampleRowBiasedVbmi(const uint8_t* row,
                                                                        const int32_t* first,
                                                                        const uint8_t* perms,
                                                                        const uint8_t* bytes,
                                                                        uint8_t* out,
                                                                        int32_t x0,
                                                                        int32_t x1) {
    // 128 more in the high byte takes the bias off.
    const __m512i round = _mm512_set1_epi16(static_cast<int16_t>(128 + 32768));
    const __m512i order = _mm512_loadu_si512(kHighBytes[0].data());
    // Pixels g * 8 to g * 8 + 15, those of `mask` stored.
    auto sixteen = [&](int32_t g, __mmask16 mask) __attribute__((target("avx512bw,avx512vbmi"))) {
        const int32_t from = g * 8;
        const size_t at = static_cast<size_t>(g) * 64;
        const __m512i low = SampleEightBiasedVbmi<kWide>(row + first[from], perms + at, bytes + at, round);
        // Past the last eight, its pixels again (not stored).
        const __m512i high =
            from + 8 < x1 ? SampleEightBiasedVbmi<kWide>(row + first[from + 8], perms + at + 64, bytes + at + 64, round)
                          : low;
        // Pixel g * 8 goes where pixel x0 - (x0 - g * 8) would be.
        uint8_t* to =
            reinterpret_cast<uint8_t*>(reinterpret_cast<uintptr_t>(out) + static_cast<uintptr_t>(from - x0) * 4);
        _mm512_mask_storeu_epi32(to, mask, _mm512_permutex2var_epi8(low, order, high));
    };
    int32_t g = x0 / 8;
    if (const int32_t skip = x0 - g * 8; skip > 0) {
        const int32_t past = std::max(0, g * 8 + 16 - x1);
        sixteen(g, static_cast<__mmask16>((0xFFFFu << skip) & (0xFFFFu >> past)));
        g += 2;
    }
    for (; g * 8 + 16 <= x1; g += 2)
        sixteen(g, 0xFFFF);
    if (g * 8 < x1)
        sixteen(g, static_cast<__mmask16>(0xFFFFu >> (g * 8 + 16 - x1)));
}

// Four pixels of SampleRowsBgrxGatherAvx2 from x on, in 16-bit lanes.
__attribute__((target("avx2"))) inline __m256i GatherFourAvx2(const uint8_t* upper,
                                                              const uint8_t* lower,
                                                              __m256i down,
                                                              const int32_t* first,
                                                              const uint8_t* bytes,
                                                              int32_t x) {
    const __m128i at = _mm_loadu_si128(reinterpret_cast<const __m128i*>(first + x));
    const __m256i a = _mm256_i32gather_epi64(reinterpret_cast<const long long*>(upper), at, 1);
    const __m256i b = _mm256_i32gather_epi64(reinterpret_cast<const long long*>(lower), at, 1);
    // The rows blended as BlendRowsAvx2 blends them, then within each 8-byte
    // pair of pixels their bytes channel by channel.
    const __m256i blended =
        _mm256_packus_epi16(WeighPairs(_mm256_unpacklo_epi8(a, b), down), WeighPairs(_mm256_unpackhi_epi8(a, b), down));
    const __m256i pair_up = _mm256_setr_epi8(0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15, 0, 4, 1, 5, 2, 6, 3,
                                             7, 8, 12, 9, 13, 10, 14, 11, 15);
    return WeighPairs(_mm256_shuffle_epi8(blended, pair_up),
                      _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + static_cast<size_t>(x) * 8)));
}

// Both halves of the 32-bit scaler at once for a reduction by more than two,
// where blending the rows first would blend every column the samples pass
// over: each pixel's two taps are neighbours (or the second weighs nothing),
// so an 8-byte gather from each row loads all four, blended down (weight
// `wb` of `lower`, even) and across exactly as the two halves would. `bytes`
// holds every pixel's weights across, as for SampleRowBgrxSsse3. Does the
// pixels whose loads end within `row_bytes` bytes; returns the pixels done.
__attribute__((target("avx2"))) int32_t SampleRowsBgrxGatherAvx2(const uint8_t* upper,
                                                                 const uint8_t* lower,
                                                                 uint32_t wb,
                                                                 size_t row_bytes,
                                                                 const int32_t* first,
                                                                 const uint8_t* bytes,
                                                                 uint8_t* out,
                                                                 int32_t count) {
    const int w = static_cast<int>(wb / 2);
    const __m256i down = _mm256_set1_epi16(static_cast<int16_t>(w << 8 | (128 - w)));
    int32_t x = 0;
    for (; x + 8 <= count && static_cast<size_t>(first[x + 7]) + 8 <= row_bytes; x += 8)
        _mm256_storeu_si256(
            reinterpret_cast<__m256i*>(out + static_cast<size_t>(x) * 4),
            _mm256_permute4x64_epi64(_mm256_packus_epi16(GatherFourAvx2(upper, lower, down, first, bytes, x),
                                                         GatherFourAvx2(upper, lower, down, first, bytes, x + 4)),
                                     0xD8));
    return x;
}

// The byte orders and doubled weights of SampleRowBiasedVbmi, for every eight
// pixels from the first (the last eight padded with the last pixel), and the
// bytes from an eight's first tap that it loads: 64, or 128 when an eight
// reaches further than sixteen pixels. None (0) when one reaches further
// than thirty-two, or the processor lacks the instructions.
size_t VbmiTables(const Taps& across, std::vector<uint8_t>& perms, std::vector<uint8_t>& bytes) {
    const size_t count = across.first.size(), groups = (count + 7) / 8;
    if (!HasAvx512Vbmi() || groups == 0)
        return 0;
    int32_t reach = 0;
    perms.resize(groups * 64);
    bytes.resize(groups * 64);
    for (size_t g = 0; g < groups; ++g) {
        const int32_t base = across.first[g * 8];
        for (size_t k = 0; k < 8; ++k) {
            const size_t i = std::min(g * 8 + k, count - 1);
            const int32_t a = across.first[i] - base, w = across.weight[i] & 0xFE;
            const int32_t b = w == 0 ? a : across.second[i] - base;
            if (a < 0 || b > 124)
                return 0;
            reach = std::max(reach, b + 4);
            for (int c = 0; c < 4; ++c) {
                perms[g * 64 + k * 8 + c * 2] = static_cast<uint8_t>(a + c);
                perms[g * 64 + k * 8 + c * 2 + 1] = static_cast<uint8_t>(b + c);
                bytes[g * 64 + k * 8 + c * 2] = static_cast<uint8_t>(w == 0 ? 128 : 256 - w);
                bytes[g * 64 + k * 8 + c * 2 + 1] = static_cast<uint8_t>(w == 0 ? 128 : w);
            }
        }
    }
    return reach <= 64 ? 64 : 128;
}

// The weights of SampleRowBgrxSsse3 (8 bytes a pixel, every pixel) and its
// shuffles; false (the shuffles of no use) when a pair of pixels reaches
// further. Neither when the processor lacks SSSE3.
bool Ssse3Tables(const Taps& across, std::vector<uint8_t>& shuffles, std::vector<uint8_t>& bytes) {
    const size_t count = across.first.size();
    if (!HasSsse3() || count == 0)
        return false;
    bytes.resize(count * 8);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t w = static_cast<uint8_t>(across.weight[i] / 2);
        for (int c = 0; c < 4; ++c) {
            bytes[i * 8 + c * 2] = static_cast<uint8_t>(128 - w);
            bytes[i * 8 + c * 2 + 1] = w;
        }
    }
    const size_t pairs = count / 2;
    shuffles.resize(pairs * 16);
    for (size_t p = 0; p < pairs; ++p) {
        const int32_t base = across.first[2 * p];
        for (int k = 0; k < 2; ++k) {
            const size_t i = 2 * p + k;
            const int32_t a = across.first[i] - base, b = across.second[i] - base;
            if (a < 0 || b > 12)
                return false;
            for (int c = 0; c < 4; ++c) {
                shuffles[p * 16 + k * 8 + c * 2] = static_cast<uint8_t>(a + c);
                shuffles[p * 16 + k * 8 + c * 2 + 1] = static_cast<uint8_t>(b + c);
            }
        }
    }
    return pairs > 0;
}
#endif

// The horizontal half of the 32-bit scaler, from a row already blended down:
// out[x] = (row[first[x]] * (256 - w) + row[second[x]] * w) / 256, rounded,
// where `pairs` holds (256 - w, w) four times for every x as 16-bit lanes;
// with `shuffles` and `bytes`, SampleRowBgrxSsse3 (or its AVX2 twin) does
// what it can first. first and second are byte offsets into a row of
// `row_bytes` bytes.
void SampleRowBgrx(const uint8_t* row,
                   const int32_t* first,
                   const int32_t* second,
                   const uint16_t* pairs,
                   size_t row_bytes,
                   const uint8_t* shuffles,
                   const uint8_t* bytes,
                   uint8_t* out,
                   int32_t count) {
    int32_t x = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i half = _mm_set1_epi32(128);
    auto sample = [&](int32_t i) {
        uint32_t a, b;
        std::memcpy(&a, row + first[i], 4);
        std::memcpy(&b, row + second[i], 4);
        const __m128i ab = _mm_unpacklo_epi8(
            _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(a)), _mm_cvtsi32_si128(static_cast<int>(b))), zero);
        const __m128i sum =
            _mm_madd_epi16(ab, _mm_loadu_si128(reinterpret_cast<const __m128i*>(pairs + static_cast<size_t>(i) * 8)));
        return _mm_srli_epi32(_mm_add_epi32(sum, half), 8);
    };
    if (shuffles && HasAvx2())
        x = SampleRowBgrxAvx2(row, row_bytes, first, shuffles, bytes, out, count);
    if (shuffles)
        x += SampleRowBgrxSsse3(row, row_bytes, first + x, shuffles + x * 8, bytes + x * 8, out + x * 4, count - x);
    for (; x + 4 <= count; x += 4) {
        const __m128i low = _mm_packs_epi32(sample(x), sample(x + 1));
        const __m128i high = _mm_packs_epi32(sample(x + 2), sample(x + 3));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + static_cast<size_t>(x) * 4), _mm_packus_epi16(low, high));
    }
#endif
    for (; x < count; ++x) {
        const uint8_t* a = row + first[x];
        const uint8_t* b = row + second[x];
        const uint32_t wa = pairs[static_cast<size_t>(x) * 8], wb = pairs[static_cast<size_t>(x) * 8 + 1];
        for (int k = 0; k < 4; ++k)
            out[x * 4 + k] = static_cast<uint8_t>((a[k] * wa + b[k] * wb + 128) >> 8);
    }
}

// PackRow's work with SSSE3, four pixels a step; returns the pixels done.
#if defined(__SSE2__)
__attribute__((target("ssse3"))) int32_t PackRowSsse3(const uint8_t* in, uint8_t* out, int32_t count) {
    const __m128i order = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    int32_t x = 0;
    for (; x + 4 <= count; x += 4) {
        const __m128i packed =
            _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + static_cast<size_t>(x) * 4)), order);
        uint8_t* at = out + static_cast<size_t>(x) * 3;
        _mm_storel_epi64(reinterpret_cast<__m128i*>(at), packed);
        const uint32_t tail = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(packed, 8)));
        std::memcpy(at + 8, &tail, 4);
    }
    return x;
}
#endif

// `count` 32-bit pixels as 24-bit ones.
void PackRow(const uint8_t* in, uint8_t* out, int32_t count) {
    int32_t x = 0;
#if defined(__SSE2__)
    if (HasSsse3())
        x = PackRowSsse3(in, out, count);
#endif
    for (; x < count; ++x)
        std::memcpy(out + static_cast<size_t>(x) * 3, in + static_cast<size_t>(x) * 4, 3);
}

}  // namespace

void ScaleWindowInto(const BgrxPixels& picture,
                     double left,
                     double top,
                     double width,
                     double height,
                     const BgrxPixels& frame,
                     const Rect& dest) {
    ScaleWindowInto(picture, left, top, width, height, frame, dest, frame.Bounds());
}

void ScaleWindowInto(const BgrxPixels& picture,
                     double left,
                     double top,
                     double width,
                     double height,
                     const BgrxPixels& frame,
                     const Rect& dest,
                     const Rect& clip) {
    if (frame.IsEmpty())
        return;
    const BgrxScalePlan plan(picture, left, top, width, height, frame.Bounds(), dest);
    const Rect d = IntersectRect(plan.Shown(), clip);
    if (d.IsEmpty())
        return;
    // Every frame of a moving slide comes here: its rows are shared with a
    // second processor.
    SplitRows(d.Height(), static_cast<int64_t>(d.Width()) * d.Height(), [&](int32_t, int32_t begin, int32_t end) {
        plan.Draw(frame, Rect{d.left, d.top + begin, d.right, d.top + end});
    });
}

BgrxScalePlan::BgrxScalePlan(const BgrxPixels& picture,
                             double left,
                             double top,
                             double width,
                             double height,
                             const Rect& bounds,
                             const Rect& dest)
    : picture_(picture), shown_(IntersectRect(dest, bounds)) {
    if (shown_.IsEmpty() || picture.IsEmpty() || width <= 0 || height <= 0) {
        shown_ = Rect{};
        return;
    }
    const double per_x = width / dest.Width(), per_y = height / dest.Height();
    Taps across =
        MakeTaps(left + (shown_.left - dest.left) * per_x, per_x * shown_.Width(), shown_.Width(), picture.width, 4);
    Taps down =
        MakeTaps(top + (shown_.top - dest.top) * per_y, per_y * shown_.Height(), shown_.Height(), picture.height, 1);
    // The taps only move forward, so a run of pixels reads the source from
    // its first pixel's first tap to its last pixel's second.
    rowBytes_ = static_cast<size_t>(across.second.back()) + 4;
    // Rows go through the eight-pixel loop whole when it can take them, so
    // the other loops' tables are made only when it cannot (a plan is made
    // for every frame of a moving slide).
    bool eights = false;
#if defined(__SSE2__)
    eightsReach_ = VbmiTables(across, perms_, eightBytes_);
    eights = eightsReach_ != 0;
    if (!eights) {
        perms_.clear();
        eightBytes_.clear();
        if (!Ssse3Tables(across, shuffles_, bytes_))
            shuffles_.clear();
    }
#endif
    if (!eights) {
        pairs_.resize(static_cast<size_t>(shown_.Width()) * 8);
        for (int32_t x = 0; x < shown_.Width(); ++x)
            for (int k = 0; k < 4; ++k) {
                pairs_[static_cast<size_t>(x) * 8 + 2 * k] = static_cast<uint16_t>(256 - across.weight[x]);
                pairs_[static_cast<size_t>(x) * 8 + 2 * k + 1] = across.weight[x];
            }
    }
    acrossFirst_ = std::move(across.first);
    acrossSecond_ = std::move(across.second);
    downFirst_ = std::move(down.first);
    downSecond_ = std::move(down.second);
    downWeight_ = std::move(down.weight);
}

void BgrxScalePlan::SampleRow(const uint8_t* row, int32_t x, int32_t count, uint8_t* out) const {
    // The two-pixel tables start at even pixels.
    const bool tables = !shuffles_.empty() && x % 2 == 0;
    SampleRowBgrx(row, acrossFirst_.data() + x, acrossSecond_.data() + x, pairs_.data() + static_cast<size_t>(x) * 8,
                  rowBytes_, tables ? shuffles_.data() + static_cast<size_t>(x) * 8 : nullptr,
                  tables ? bytes_.data() + static_cast<size_t>(x) * 8 : nullptr, out, count);
}

void BgrxScalePlan::Draw(const BgrxPixels& frame, const Rect& clip) const {
    const Rect d = IntersectRect(IntersectRect(shown_, clip), frame.Bounds());
    for (int32_t y = d.top; y < d.bottom; ++y)
        DrawRow(y, d.left, d.right, frame.Row(y) + static_cast<size_t>(d.left) * 4);
}

void BgrxScalePlan::DrawRow(int32_t y, int32_t left, int32_t right, uint8_t* out) const {
    int32_t x0 = left - shown_.left;
    const int32_t x1 = right - shown_.left;
#if defined(__SSE2__)
    if (shuffles_.empty() && !bytes_.empty() && HasAvx2()) {
        const int32_t at = y - shown_.top;
        const int32_t done = SampleRowsBgrxGatherAvx2(picture_.Row(downFirst_[at]), picture_.Row(downSecond_[at]),
                                                      downWeight_[at], rowBytes_, acrossFirst_.data() + x0,
                                                      bytes_.data() + static_cast<size_t>(x0) * 8, out, x1 - x0);
        x0 += done;
        out += static_cast<size_t>(done) * 4;
        if (x0 == x1)
            return;
    }
#endif
    // Rows are blended first, over the columns the samples read only.
    const int32_t from = acrossFirst_[x0], to = acrossSecond_[x1 - 1] + 4;
    thread_local std::vector<uint8_t> blended;
    const int32_t at = y - shown_.top;
    const uint8_t* row = picture_.Row(downFirst_[at]);
#if defined(__SSE2__)
    if (!perms_.empty()) {
        if (blended.size() < rowBytes_ + eightsReach_)
            blended.resize(rowBytes_ + eightsReach_);
        // A row the next row of the frame reads that this one does not.
        const size_t next = static_cast<size_t>(at) + 1;
        const uint8_t* ahead = next < downSecond_.size() && downSecond_[next] != downSecond_[at]
                                   ? picture_.Row(downSecond_[next]) + from
                                   : nullptr;
        BlendRowsBiasedVbmi(row + from, picture_.Row(downSecond_[at]) + from, downWeight_[at], blended.data() + from,
                            static_cast<size_t>(to - from), ahead);
        const auto sample = eightsReach_ > 64 ? SampleRowBiasedVbmi<true> : SampleRowBiasedVbmi<false>;
        sample(blended.data(), acrossFirst_.data(), perms_.data(), eightBytes_.data(), out, x0, x1);
        return;
    }
#endif
    if (blended.size() < rowBytes_)
        blended.resize(rowBytes_);
    if (const uint32_t wb = downWeight_[at]; wb != 0) {
        BlendRows(row + from, picture_.Row(downSecond_[at]) + from, wb, blended.data() + from,
                  static_cast<size_t>(to - from));
        row = blended.data();
    }
    // Pixels up to where the tables start, then the rest.
    int32_t x = x0;
    if (x % 2 != 0 && !shuffles_.empty()) {
        SampleRow(row, x, 1, out);
        ++x;
        out += 4;
    }
    SampleRow(row, x, x1 - x, out);
}

void ScaleWindowInto(const BgrxPixels& picture,
                     double left,
                     double top,
                     double width,
                     double height,
                     Bitmap& frame,
                     const Rect& dest,
                     const Rect& clip) {
    const BgrxScalePlan plan(picture, left, top, width, height, frame.Bounds(), dest);
    const Rect d = IntersectRect(plan.Shown(), clip);
    if (d.IsEmpty())
        return;
    SplitRows(d.Height(), static_cast<int64_t>(d.Width()) * d.Height(), [&](int32_t, int32_t begin, int32_t end) {
        std::vector<uint8_t> row(static_cast<size_t>(d.Width()) * 4);
        for (int32_t y = d.top + begin; y < d.top + end; ++y) {
            plan.DrawRow(y, d.left, d.right, row.data());
            PackRow(row.data(), frame.Row(y) + static_cast<size_t>(d.left) * 3, d.Width());
        }
    });
}

}  // namespace orlscr
