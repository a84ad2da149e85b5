// How the resampling filters and JPEG qualities of the stored pictures were
// chosen (it measures, it never judges).
//
// Filters: a source four times the output's size holds a sine pattern at a
// frequency given in cycles per output pixel. Below 0.5 the output can show it
// and should keep its contrast ("kept"); above 0.5 it cannot, and what remains
// is a false pattern ("folded"). "ringing" is the overshoot beside a sharp
// edge, in levels of 255.
//
// Qualities: the photo given (a JPEG; default: none, only the filters) is
// reduced to fit 3840x2160 with the chosen filter and encoded at several
// qualities; for each the bytes and the PSNR against the reduced picture.
//
// Usage: build/native/bench/reduce_filter_bench [PHOTO.jpg]

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "builder/stored_picture.h"
#include "picture/decode.h"
#include "raster/reduce.h"

using namespace orlscr;

namespace {

constexpr double kPi = 3.14159265358979323846;

// Contrast kept at `cycles` per output pixel, in parts of the source's.
double Contrast(ReduceFilter filter, double cycles) {
    constexpr int32_t kOut = 256, kScale = 4;
    Bitmap source(kOut * kScale, 4);
    for (int32_t x = 0; x < source.Width(); ++x) {
        const double v = 127.5 + 100 * std::sin(2 * kPi * cycles * (x + 0.5) / kScale);
        for (int32_t y = 0; y < 4; ++y)
            std::memset(source.Row(y) + 3 * x, static_cast<int>(std::lround(v)), 3);
    }
    const Bitmap out = ReduceBitmap(source, kOut, 1, filter);
    // The amplitude of what the output shows at the frequency, or at the one
    // it folds onto above 0.5 cycles a pixel.
    const double shown = cycles <= 0.5 ? cycles : 1 - cycles;
    double mean = 0, re = 0, im = 0;
    const int32_t from = 16, to = kOut - 16;
    for (int32_t x = from; x < to; ++x)
        mean += out.Row(0)[3 * x];
    mean /= to - from;
    for (int32_t x = from; x < to; ++x) {
        const double v = out.Row(0)[3 * x] - mean;
        re += v * std::cos(2 * kPi * shown * (x + 0.5));
        im += v * std::sin(2 * kPi * shown * (x + 0.5));
    }
    return 2 * std::hypot(re, im) / (to - from) / 100;
}

int Ringing(ReduceFilter filter) {
    Bitmap edge(1000, 2);
    for (int32_t x = 0; x < 1000; ++x)
        for (int32_t y = 0; y < 2; ++y)
            std::memset(edge.Row(y) + 3 * x, x < 503 ? 40 : 215, 3);
    const Bitmap out = ReduceBitmap(edge, 250, 1, filter);
    int worst = 0;
    for (int32_t x = 0; x < 250; ++x) {
        const int v = out.Row(0)[3 * x];
        worst = std::max(worst, std::max(40 - v, v - 215));
    }
    return worst;
}

double Psnr(const Bitmap& a, const Bitmap& b) {
    double sum = 0;
    for (int32_t y = 0; y < a.Height(); ++y)
        for (int32_t x = 0; x < a.Width() * 3; ++x) {
            const double d = double(a.Row(y)[x]) - b.Row(y)[x];
            sum += d * d;
        }
    const double mse = sum / (double(a.Width()) * a.Height() * 3);
    return 10 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace

int main(int argc, char** argv) {
    const struct {
        ReduceFilter filter;
        const char* name;
    } filters[] = {{ReduceFilter::kBox, "box"},
                   {ReduceFilter::kTriangle, "triangle"},
                   {ReduceFilter::kCatmullRom, "Catmull-Rom"},
                   {ReduceFilter::kMitchell, "Mitchell"},
                   {ReduceFilter::kLanczos3, "Lanczos-3"}};
    std::printf("%-12s %8s %8s %8s %8s %8s\n", "filter", "kept.25", "kept.40", "fold.60", "fold.80", "ringing");
    for (const auto& f : filters)
        std::printf("%-12s %8.2f %8.2f %8.2f %8.2f %8d\n", f.name, Contrast(f.filter, 0.25), Contrast(f.filter, 0.40),
                    Contrast(f.filter, 0.60), Contrast(f.filter, 0.80), Ringing(f.filter));
    if (argc < 2)
        return 0;

    std::ifstream in(argv[1], std::ios::binary);
    const std::string bytes(std::istreambuf_iterator<char>(in), {});
    const Bitmap photo = DecodePictureFile(bytes);
    const mkscr::PictureSize size = mkscr::FitWithin(photo.Width(), photo.Height(), mkscr::StoreBound{});
    const Bitmap reduced = ReduceBitmap(photo, size.width, size.height);
    std::printf("\n%s: %dx%d reduced to %dx%d (%zu bytes)\n%8s %10s %8s\n", argv[1], photo.Width(), photo.Height(),
                size.width, size.height, bytes.size(), "quality", "bytes", "PSNR dB");
    for (int quality : {75, 80, 85, 88, 90, 92, 95, 98}) {
        const std::vector<uint8_t> jpeg = EncodeJpegFile(reduced, quality);
        const Bitmap back =
            DecodePictureFile(std::string_view(reinterpret_cast<const char*>(jpeg.data()), jpeg.size()));
        std::printf("%8d %10zu %8.2f\n", quality, jpeg.size(), Psnr(reduced, back));
    }
    return 0;
}
