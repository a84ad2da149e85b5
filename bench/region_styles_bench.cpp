// Frame cost of the region and pixel styles (58..127), one thread. A frame is
// what the frame routine does for these styles: restore the old picture into
// the frame bitmap, then build the style's region and draw the new picture
// through it, or run the pixel style. Style -1, the restore alone, is the
// baseline: compare every style against the baseline of the same run.
// Progress cycles through 1..97 in steps of 4, the frames of an ordinary run.
#include <benchmark/benchmark.h>

#include <cstring>
#include <optional>

#include "common/random.h"
#include "transition/frame.h"
#include "transition/pixel_styles.h"
#include "transition/region_styles.h"

namespace orlscr {
namespace {

struct Pictures {
    Bitmap oldPicture, newPicture, screen;

    Pictures(int32_t w, int32_t h) : oldPicture(w, h), newPicture(w, h), screen(w, h) {
        uint32_t v = 1;
        for (size_t i = 0; i < oldPicture.Stride() * static_cast<size_t>(h); ++i) {
            v = v * 1103515245u + 12345u;
            oldPicture.Bits()[i] = static_cast<uint8_t>(v >> 24);
            newPicture.Bits()[i] = static_cast<uint8_t>(v >> 16);
        }
    }

    void Restore() {
        std::memcpy(screen.Bits(), oldPicture.Bits(), static_cast<size_t>(screen.Stride()) * screen.Height());
    }
};

void Frame(benchmark::State& state) {
    const int style = static_cast<int>(state.range(0));
    const int32_t w = static_cast<int32_t>(state.range(1));
    const int32_t h = static_cast<int32_t>(state.range(2));
    Pictures pictures(w, h);
    SharedRandom().Reset();
    int32_t p = 1;
    for (auto _ : state) {
        pictures.Restore();
        const FrameQuantities f = ComputeFrame(w, h, p, 4);
        if (IsPixelStyle(style)) {
            DrawPixelStyle(style, pictures.screen, pictures.newPicture, f);
        } else if (IsRegionStyle(style)) {
            if (std::optional<Region> region = BuildStyleRegion(style, f))
                DrawThroughRegion(pictures.screen, pictures.newPicture, *region);
        }
        benchmark::DoNotOptimize(pictures.screen.Bits());
        benchmark::ClobberMemory();
        p = p >= 97 ? 1 : p + 4;
    }
}

// The fade straight from both pictures, without the restore: what a frame of
// style 118 costs when the frame loop lets the style read the old picture.
void FadeFromBoth(benchmark::State& state) {
    const int32_t w = static_cast<int32_t>(state.range(0));
    const int32_t h = static_cast<int32_t>(state.range(1));
    Pictures pictures(w, h);
    int32_t p = 1;
    for (auto _ : state) {
        BlendBitmaps(pictures.screen, pictures.oldPicture, pictures.newPicture, p);
        benchmark::DoNotOptimize(pictures.screen.Bits());
        benchmark::ClobberMemory();
        p = p >= 97 ? 1 : p + 4;
    }
}

void Sizes(benchmark::internal::Benchmark* b) {
    for (auto [w, h] : {std::pair{800, 600}, {1920, 1080}}) {
        // Style -1 is no style at all: the baseline.
        b->Args({-1, w, h});
        for (int style = 58; style <= 127; ++style)
            b->Args({style, w, h});
    }
}

BENCHMARK(Frame)->Apply(Sizes)->ArgNames({"style", "w", "h"})->Unit(benchmark::kMicrosecond);
BENCHMARK(FadeFromBoth)->Args({800, 600})->Args({1920, 1080})->ArgNames({"w", "h"})->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace orlscr

BENCHMARK_MAIN();
