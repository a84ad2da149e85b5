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
        const int32_t lo = std::min({offsets[i], offsets[i + 1], offsets[i + 2], offsets[i + 3]});
        const int32_t hi = std::max({offsets[i], offsets[i + 1], offsets[i + 2], offsets[i + 3]});
        if (hi + kStretchBpp - lo > 16 || static_cast<size_t>(lo) + 16 > readable)
            break;
        Group group{lo, {}};
        for (int k = 0; k < 4; ++k)
            for (int b = 0; b < kStretchBpp; ++b)
                group.shuffle[k * kStretchBpp + b] = static_cast<uint8_t>(offsets[i + k] - lo + b);
        for (int b = 4 * kStretchBpp; b < 16; ++b)
            group.shuffle[b] = 0x80;  // a zero byte; the next group overwrites it
        groups_.push_back(group);
    }
#endif
}

void StretchRow::Run(uint8_t* out, const uint8_t* in) const {
    size_t i = 0;
#if defined(__SSE2__)
    if (!groups_.empty()) {
        RunGroups(out, in, groups_.data(), groups_.size());
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
