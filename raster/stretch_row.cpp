#include "raster/stretch_row.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "raster/cpu_features.h"

namespace orlscr {

namespace {

constexpr int kStretchBpp = 3;

#if defined(__SSE2__)
// Each group stores 16 bytes of which the last 4 belong to the next group,
// which writes them again.
__attribute__((target("ssse3"))) void RunGroups(uint8_t* out,
                                                const uint8_t* in,
                                                const StretchRow::Group* g,
                                                size_t count) {
    for (size_t i = 0; i < count; ++i, out += 4 * kStretchBpp) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + g[i].base));
        const __m128i mask = _mm_loadu_si128(reinterpret_cast<const __m128i*>(g[i].shuffle));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(bytes, mask));
    }
}

__attribute__((target("ssse3"))) void RunGroupsOfTwoLoads(uint8_t* out,
                                                          const uint8_t* in,
                                                          const StretchRow::Group* g,
                                                          size_t count) {
    for (size_t i = 0; i < count; ++i, out += 4 * kStretchBpp) {
        const __m128i first = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + g[i].base)),
                                               _mm_loadu_si128(reinterpret_cast<const __m128i*>(g[i].shuffle)));
        const __m128i second = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + g[i].base2)),
                                                _mm_loadu_si128(reinterpret_cast<const __m128i*>(g[i].shuffle2)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_or_si128(first, second));
    }
}

// Where the pixels `first` .. `first + n - 1` of a group lie within one
// 16-byte load: its start, or -1.
int32_t LoadFor(const int32_t* offsets, size_t first, size_t n, size_t readable) {
    const int32_t lo = *std::min_element(offsets + first, offsets + first + n);
    const int32_t hi = *std::max_element(offsets + first, offsets + first + n);
    if (hi + kStretchBpp - lo > 16 || static_cast<size_t>(lo) + 16 > readable)
        return -1;
    return lo;
}

// Shuffle bytes placing output pixels `from` .. `to - 1` of the group at `i`
// from the load at `base`; the other bytes are zero.
void PlacePixels(uint8_t* shuffle, const int32_t* offsets, size_t i, int from, int to, int32_t base) {
    std::memset(shuffle, 0x80, 16);
    for (int k = from; k < to; ++k)
        for (int b = 0; b < kStretchBpp; ++b)
            shuffle[k * kStretchBpp + b] = static_cast<uint8_t>(offsets[i + k] - base + b);
}
#endif

}  // namespace

StretchRow::StretchRow(const int32_t* offsets, size_t count, size_t readable)
    : offsets_(offsets), count_(count), readable_(readable) {
#if defined(__SSE2__)
    if (!HasSsse3())
        return;
    // A group's 16-byte store reaches 4 bytes into the next group: leave at
    // least two pixels after the last group.
    for (size_t i = 0; i + 4 + 2 <= count; i += 4) {
        Group group{};
        group.base = LoadFor(offsets, i, 4, readable);
        if (group.base >= 0) {
            group.base2 = group.base;
            PlacePixels(group.shuffle, offsets, i, 0, 4, group.base);
            PlacePixels(group.shuffle2, offsets, i, 0, 0, group.base);
        } else {
            group.base = LoadFor(offsets, i, 2, readable);
            group.base2 = LoadFor(offsets, i + 2, 2, readable);
            if (group.base < 0 || group.base2 < 0)
                break;
            PlacePixels(group.shuffle, offsets, i, 0, 2, group.base);
            PlacePixels(group.shuffle2, offsets, i, 2, 4, group.base2);
            twoLoads_ = true;
        }
        groups_.push_back(group);
    }
#endif
}

void StretchRow::Run(uint8_t* out, const uint8_t* in) const {
    size_t i = 0;
#if defined(__SSE2__)
    if (!groups_.empty()) {
        (twoLoads_ ? RunGroupsOfTwoLoads : RunGroups)(out, in, groups_.data(), groups_.size());
        i = 4 * groups_.size();
    }
#endif
    // Four-byte stores, each overwriting the first byte of the next pixel,
    // which the next store writes again; the last pixel goes byte-wise. A
    // pixel is one four-byte load where that stays readable, else it is
    // composed in a register.
    for (; i + 1 < count_; ++i) {
        const uint8_t* p = in + offsets_[i];
        uint32_t pixel;
        if (static_cast<size_t>(offsets_[i]) + 4 <= readable_)
            std::memcpy(&pixel, p, 4);
        else
            pixel = p[0] | p[1] << 8 | p[2] << 16;
        std::memcpy(out + i * kStretchBpp, &pixel, 4);
    }
    if (i < count_) {
        const uint8_t* last = in + offsets_[i];
        out[i * kStretchBpp] = last[0];
        out[i * kStretchBpp + 1] = last[1];
        out[i * kStretchBpp + 2] = last[2];
    }
}

}  // namespace orlscr
