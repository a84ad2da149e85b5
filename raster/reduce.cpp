#include "raster/reduce.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

namespace orlscr {

namespace {

constexpr int kWeightBits = 14;
constexpr int32_t kOne = 1 << kWeightBits;
constexpr double kPi = 3.14159265358979323846;

double Radius(ReduceFilter filter) {
    switch (filter) {
        case ReduceFilter::kBox:
            return 0.5;
        case ReduceFilter::kTriangle:
            return 1.0;
        case ReduceFilter::kCatmullRom:
        case ReduceFilter::kMitchell:
            return 2.0;
        case ReduceFilter::kLanczos3:
            return 3.0;
    }
    return 1.0;
}

double Cubic(double x, double b, double c) {
    x = std::fabs(x);
    if (x < 1)
        return ((12 - 9 * b - 6 * c) * x * x * x + (-18 + 12 * b + 6 * c) * x * x + (6 - 2 * b)) / 6;
    if (x < 2)
        return ((-b - 6 * c) * x * x * x + (6 * b + 30 * c) * x * x + (-12 * b - 48 * c) * x + (8 * b + 24 * c)) / 6;
    return 0;
}

double Sinc(double x) {
    return x == 0 ? 1.0 : std::sin(kPi * x) / (kPi * x);
}

// The filter's weight at distance x (in output pixels).
double Kernel(ReduceFilter filter, double x) {
    switch (filter) {
        case ReduceFilter::kBox:
            return x >= -0.5 && x < 0.5 ? 1.0 : 0.0;
        case ReduceFilter::kTriangle:
            return std::max(0.0, 1.0 - std::fabs(x));
        case ReduceFilter::kCatmullRom:
            return Cubic(x, 0, 0.5);
        case ReduceFilter::kMitchell:
            return Cubic(x, 1.0 / 3, 1.0 / 3);
        case ReduceFilter::kLanczos3:
            return std::fabs(x) < 3 ? Sinc(x) * Sinc(x / 3) : 0.0;
    }
    return 0;
}

// For every output position along one side: the first source position and
// `count` weights that sum to kOne (positions past an edge are folded onto it).
struct Taps {
    int count = 0;
    std::vector<int32_t> first;
    std::vector<int32_t> weights;  // count per output position
};

Taps MakeTaps(int32_t from, int32_t to, ReduceFilter filter) {
    const double scale = static_cast<double>(from) / to;
    const double stretch = std::max(scale, 1.0);  // the filter widened to the output's pixels
    const double support = Radius(filter) * stretch;
    Taps taps;
    taps.count = std::min<int>(static_cast<int>(std::ceil(support * 2)) + 1, from);
    taps.first.resize(to);
    taps.weights.assign(static_cast<size_t>(to) * taps.count, 0);
    std::vector<double> raw(taps.count);
    for (int32_t i = 0; i < to; ++i) {
        const double centre = (i + 0.5) * scale - 0.5;
        int32_t first = static_cast<int32_t>(std::floor(centre - support)) + 1;
        first = std::clamp(first, 0, from - taps.count);
        taps.first[i] = first;
        std::fill(raw.begin(), raw.end(), 0.0);
        double total = 0;
        // Every source position in reach, folded into the window at the edges.
        const int32_t lo = static_cast<int32_t>(std::floor(centre - support));
        const int32_t hi = static_cast<int32_t>(std::ceil(centre + support));
        for (int32_t j = lo; j <= hi; ++j) {
            const double w = Kernel(filter, (j - centre) / stretch);
            if (w == 0)
                continue;
            const int32_t at = std::clamp(j, 0, from - 1);
            const int32_t k = std::clamp(at - first, 0, taps.count - 1);
            raw[k] += w;
            total += w;
        }
        if (total == 0) {  // a box too narrow to hit a pixel centre: the nearest
            raw[std::clamp(static_cast<int32_t>(std::lround(centre)) - first, 0, taps.count - 1)] = 1;
            total = 1;
        }
        int32_t* weights = taps.weights.data() + static_cast<size_t>(i) * taps.count;
        int32_t sum = 0, largest = 0;
        for (int k = 0; k < taps.count; ++k) {
            weights[k] = static_cast<int32_t>(std::lround(raw[k] / total * kOne));
            sum += weights[k];
            if (weights[k] > weights[largest])
                largest = k;
        }
        weights[largest] += kOne - sum;
    }
    return taps;
}

inline uint8_t Clamp(int32_t sum) {
    sum = (sum + (kOne >> 1)) >> kWeightBits;
    return static_cast<uint8_t>(sum < 0 ? 0 : sum > 255 ? 255 : sum);
}

// sums = (first ? 0 : sums) + weight * row, `count` of each.
void AddRow(int32_t* __restrict sums, const uint8_t* __restrict row, int32_t weight, size_t count, bool first) {
    if (first) {
        for (size_t i = 0; i < count; ++i)
            sums[i] = weight * row[i];
    } else {
        for (size_t i = 0; i < count; ++i)
            sums[i] += weight * row[i];
    }
}

// Across every source row first (into rows of the output's width), then
// down the columns of that. `N` bytes a pixel, known to the compiler so the
// inner loops unroll.
template <int N>
void Resample(const PixelView& from, const PixelView& to, const Taps& across, const Taps& down) {
    const size_t midStride = static_cast<size_t>(to.width) * N;
    std::vector<uint8_t> mid(midStride * from.height);
    for (int32_t y = 0; y < from.height; ++y) {
        const uint8_t* src = from.bits + static_cast<size_t>(y) * from.stride;
        uint8_t* dst = mid.data() + static_cast<size_t>(y) * midStride;
        for (int32_t x = 0; x < to.width; ++x) {
            const int32_t* w = across.weights.data() + static_cast<size_t>(x) * across.count;
            const uint8_t* s = src + static_cast<size_t>(across.first[x]) * N;
            int32_t sum[N] = {};
            for (int k = 0; k < across.count; ++k, s += N)
                for (int c = 0; c < N; ++c)
                    sum[c] += w[k] * s[c];
            for (int c = 0; c < N; ++c)
                *dst++ = Clamp(sum[c]);
        }
    }
    // Down: whole rows at a time into sums, which the compiler keeps in
    // vector registers (nothing aliases them).
    std::vector<int32_t> sums(midStride);
    for (int32_t y = 0; y < to.height; ++y) {
        const int32_t* w = down.weights.data() + static_cast<size_t>(y) * down.count;
        AddRow(sums.data(), mid.data() + static_cast<size_t>(down.first[y]) * midStride, w[0], midStride, true);
        for (int k = 1; k < down.count; ++k)
            AddRow(sums.data(), mid.data() + static_cast<size_t>(down.first[y] + k) * midStride, w[k], midStride,
                   false);
        uint8_t* __restrict dst = to.bits + static_cast<size_t>(y) * to.stride;
        const int32_t* __restrict sum = sums.data();
        for (size_t i = 0; i < midStride; ++i)
            dst[i] = Clamp(sum[i]);
    }
}

}  // namespace

void ReducePixels(const PixelView& from, const PixelView& to, ReduceFilter filter) {
    if (from.channels != to.channels || (from.channels != 3 && from.channels != 4))
        throw std::invalid_argument("pixels of different kinds");
    if (from.width <= 0 || from.height <= 0 || to.width <= 0 || to.height <= 0)
        return;
    const Taps across = MakeTaps(from.width, to.width, filter);
    const Taps down = MakeTaps(from.height, to.height, filter);
    if (from.channels == 3)
        Resample<3>(from, to, across, down);
    else
        Resample<4>(from, to, across, down);
}

Bitmap ReduceBitmap(const Bitmap& picture, int32_t width, int32_t height, ReduceFilter filter) {
    Bitmap out;
    out.Resize(width, height);
    ReducePixels(PixelView{const_cast<uint8_t*>(picture.Bits()), picture.Width(), picture.Height(),
                           static_cast<size_t>(picture.Stride()), Bitmap::kBytesPerPixel},
                 PixelView{out.Bits(), width, height, static_cast<size_t>(out.Stride()), Bitmap::kBytesPerPixel},
                 filter);
    return out;
}

}  // namespace orlscr
