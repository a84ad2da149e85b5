// Time per frame of every transition style at 800 x 600 and 1920 x 1080, one
// thread, and in the same run the baseline every frame starts with: copying the
// old picture into the frame.
//
//   transition_bench --benchmark_min_time=0.1 [--benchmark_filter=1920]
//
// A style's frame is measured over the progress values of a run with Step 4
// (4, 8, ... 96), so each figure is the mean over a whole transition.

#include <benchmark/benchmark.h>

#include <string>
#include <utility>

#include "bench/null_host.h"
#include "raster/blit.h"
#include "transition/transition_engine.h"

namespace orlscr {
namespace {

Bitmap Picture(int w, int h, int seed) {
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = b.Row(y) + 3 * x;
            p[0] = static_cast<uint8_t>(x * seed + y);
            p[1] = static_cast<uint8_t>(y * seed);
            p[2] = static_cast<uint8_t>(x ^ y);
        }
    return b;
}

void Baseline(benchmark::State& state, int w, int h) {
    const Bitmap old = Picture(w, h, 3);
    Bitmap screen(w, h);
    for (auto _ : state) {
        DrawBitmap(screen, 0, 0, old);
        benchmark::DoNotOptimize(screen.Bits());
        benchmark::ClobberMemory();
    }
}

void Style(benchmark::State& state, int style, int w, int h) {
    NullHost host;
    TransitionEngine engine(host);
    engine.SetManual(true);
    engine.SetStyle(style);
    engine.Execute(Picture(w, h, 3), Picture(w, h, 7));
    int progress = 0;
    for (auto _ : state) {
        progress = progress >= 96 ? 4 : progress + 4;
        engine.SetProgress(progress);
        if (style == 0 && engine.Progress() == 100) {
            // Style 0 without a handler jumps to 100; go back for the next frame.
            state.PauseTiming();
            engine.Stop();
            engine.Execute(Picture(w, h, 3), Picture(w, h, 7));
            state.ResumeTiming();
        }
        benchmark::DoNotOptimize(std::as_const(engine).Screen().Bits());
    }
}

int Register() {
    for (const auto& [w, h] : {std::pair{800, 600}, std::pair{1920, 1080}}) {
        const std::string size = std::to_string(w) + "x" + std::to_string(h);
        benchmark::RegisterBenchmark(("baseline/" + size).c_str(), Baseline, w, h)->Unit(benchmark::kMillisecond);
        for (int style = 0; style <= 127; ++style)
            benchmark::RegisterBenchmark(("style/" + std::to_string(style) + "/" + size).c_str(), Style, style, w, h)
                ->Unit(benchmark::kMillisecond);
    }
    return 0;
}

const int registered = Register();

}  // namespace
}  // namespace orlscr

BENCHMARK_MAIN();
