// What a frame of a moving slide costs the slide viewer at 1920 x 1080, in 32
// bits, against copying a whole frame: a slide in motion, and transitions
// between two moving slides (a wipe, and a pattern of many parts). Then the
// styles that move, stretch, blend or turn the coming slide (1 a squeeze in,
// 3 a push, 13 and 16 squeezes, 51 a zoom, 118 the fade, 119 a swing),
// composed in 32 bits between still and moving slides, against the engine's
// 24-bit frame widened whole, as the control showed such frames before. It
// measures, it never judges.
//
// Usage: build/native/bench/motion_frame_bench

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "bench/null_host.h"
#include "common/split_rows.h"
#include "raster/bgrx_image.h"
#include "raster/blit.h"
#include "tools/slideview/slide_decor.h"
#include "tools/slideview/transition_frame.h"
#include "transition/bgrx_style_frame.h"
#include "transition/style_ranges.h"
#include "transition/transition_engine.h"

using namespace orlscr;

namespace {

constexpr int32_t kWidth = 1920, kHeight = 1080;

class NoFont : public OverlayFont {
  public:
    int32_t Width(std::string_view text, int32_t) const override { return static_cast<int32_t>(text.size()) * 10; }
    Bitmap Mask(const std::string&, int32_t, int32_t width, int32_t mask_height, int32_t, int32_t) const override {
        return Bitmap(width, mask_height);
    }
};

Bitmap Picture(int32_t width, int32_t height, int shift) {
    Bitmap b(width, height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                b.Row(y)[x * 3 + c] = static_cast<uint8_t>(x * (c + 1) + y * shift);
    return b;
}

// Two moving slides with a caption and the clock, as the viewer has them.
struct Slides {
    Slides() {
        SlideOptions options;
        options.motion = true;
        options.fit = SlideFit::kCover;
        const NoFont font;
        going.FirstFrame(Picture(2400, 1500, 1), options, "Going", 1, kWidth, kHeight, 96, {"9:00", 540}, font);
        coming.FirstFrame(Picture(2400, 1350, 3), options, "Coming", 2, kWidth, kHeight, 96, {"9:00", 540}, font);
    }
    SlideDecor going, coming;
};

// Between two frames the viewer shows the first, and the copies that takes
// (into the window, then to the display) push the slides' pictures out of
// the cache: frames measured cold come after as much memory written.
void EvictCaches(benchmark::State& state) {
    static std::vector<uint8_t> other(size_t{64} << 20);
    state.PauseTiming();
    std::memset(other.data(), static_cast<int>(other[0] + 1), other.size());
    state.ResumeTiming();
}

void BM_CopyFrame(benchmark::State& state) {
    BgrxImage from(kWidth, kHeight), to(kWidth, kHeight);
    FillBgrx(from.Pixels(), from.Pixels().Bounds(), 1, 2, 3);
    FillBgrx(to.Pixels(), to.Pixels().Bounds(), 3, 2, 1);
    for (auto _ : state)
        CopyBgrx(to.Pixels(), 0, 0, from.Pixels(), from.Pixels().Bounds());
}
BENCHMARK(BM_CopyFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

// Argument 1: each frame cold.
void BM_SlideInMotion(benchmark::State& state) {
    Slides slides;
    BgrxImage frame(kWidth, kHeight);
    double t = 0;
    for (auto _ : state) {
        if (state.range(0) != 0)
            EvictCaches(state);
        slides.coming.DrawMotion(frame.Pixels(), t);
        t = t < 1 ? t + 0.01 : 0;
    }
}
BENCHMARK(BM_SlideInMotion)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Frames alternate between 40 and 41 %, as a run goes on.
int ProgressOf(int64_t frame) {
    return 40 + static_cast<int>(frame % 2);
}

// A transition's frame at 40 %: the coming slide within `shown`.
void Transition(benchmark::State& state, const Region& shown) {
    Slides slides;
    BgrxImage frame(kWidth, kHeight), aside;
    for (auto _ : state) {
        const BgrxScalePlan going_at = slides.going.MotionPlan(0.9), coming_at = slides.coming.MotionPlan(0.1);
        const DrawSlidePart going = [&](const BgrxPixels& f, const Rect& part) {
            slides.going.DrawMotionPart(f, going_at, part);
        };
        const DrawSlidePart coming = [&](const BgrxPixels& f, const Rect& part) {
            slides.coming.DrawMotionPart(f, coming_at, part);
        };
        ComposeTransitionFrame(frame.Pixels(), shown, going, coming, aside);
    }
}

void BM_TransitionWipe(benchmark::State& state) {
    Transition(state, Region(Rect{0, 0, kWidth * 2 / 5, kHeight}));
}
BENCHMARK(BM_TransitionWipe)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GoingOnly(benchmark::State& state) {
    Transition(state, Region());
}
BENCHMARK(BM_GoingOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
void BM_ComingOnly(benchmark::State& state) {
    Transition(state, Region(Rect{0, 0, kWidth, kHeight}));
}
BENCHMARK(BM_ComingOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

// The fade between moving slides, blended a few rows at a time as they are
// drawn (compare ComposedMoving/118, blended from both slides whole).
void BM_FadeMoving(benchmark::State& state) {
    Slides slides;
    BgrxImage frame(kWidth, kHeight), aside;
    int64_t n = 0;
    for (auto _ : state) {
        if (state.range(0) != 0)
            EvictCaches(state);
        const BgrxScalePlan going_at = slides.going.MotionPlan(0.9), coming_at = slides.coming.MotionPlan(0.1);
        ComposeFadeFrame(
            frame.Pixels(), ProgressOf(n++),
            [&](const BgrxPixels& f, const Rect& part) { slides.going.DrawMotionPart(f, going_at, part); },
            [&](const BgrxPixels& f, const Rect& part) { slides.coming.DrawMotionPart(f, coming_at, part); }, aside);
    }
}
BENCHMARK(BM_FadeMoving)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// A chequered pattern of cells of the given size.
void BM_TransitionPattern(benchmark::State& state) {
    const auto size = static_cast<int32_t>(state.range(0));
    std::vector<Rect> cells;
    for (int32_t y = 0; y < kHeight; y += size)
        for (int32_t x = (y / size) % 2 * size; x < kWidth; x += 2 * size)
            cells.push_back(Rect{x, y, x + size, y + size});
    Transition(state, Region::FromRects(cells));
}
BENCHMARK(BM_TransitionPattern)->Arg(60)->Arg(12)->Unit(benchmark::kMillisecond)->UseRealTime();

// A shape with a rectangle of its own in every row (an opening circle).
void BM_TransitionShape(benchmark::State& state) {
    std::vector<Rect> rows;
    for (int32_t y = 0; y < kHeight; ++y) {
        const int32_t dy = y - kHeight / 2, r = kHeight * 2 / 5;
        if (dy * dy < r * r) {
            const auto half = static_cast<int32_t>(std::sqrt(double(r * r - dy * dy)));
            rows.push_back(Rect{kWidth / 2 - half, y, kWidth / 2 + half, y + 1});
        }
    }
    Transition(state, Region::FromRects(rows));
}
BENCHMARK(BM_TransitionShape)->Unit(benchmark::kMillisecond)->UseRealTime();

BgrxImage Widened(const Bitmap& picture) {
    BgrxImage image(picture.Width(), picture.Height());
    CopyToBgrx(image.Pixels(), 0, 0, picture, picture.Bounds());
    return image;
}

// The styles measured both ways, in milliseconds of real time.
void ComposedStyles(benchmark::internal::Benchmark* b) {
    for (const int style : {1, 3, 13, 16, 51, 118, 119})
        b->Arg(style);
    b->Unit(benchmark::kMillisecond)->UseRealTime();
}

void BM_ComposedStill(benchmark::State& state) {
    const int style = static_cast<int>(state.range(0));
    const BgrxImage old = Widened(Picture(kWidth, kHeight, 1)), coming = Widened(Picture(kWidth, kHeight, 3));
    BgrxImage frame(kWidth, kHeight);
    Region drawn(frame.Pixels().Bounds());
    int64_t n = 0;
    for (auto _ : state)
        drawn = DrawBgrxStyleFrame(style, ComputeFrame(kWidth, kHeight, ProgressOf(n++), 4), frame.Pixels(),
                                   old.Pixels(), coming.Pixels(), drawn);
}
BENCHMARK(BM_ComposedStill)->Apply(ComposedStyles);

void BM_ComposedMoving(benchmark::State& state) {
    const int style = static_cast<int>(state.range(0));
    Slides slides;
    BgrxImage coming(kWidth, kHeight), frame(kWidth, kHeight);
    const Region all(frame.Pixels().Bounds());
    int64_t n = 0;
    for (auto _ : state) {
        const FrameQuantities f = ComputeFrame(kWidth, kHeight, ProgressOf(n++), 4);
        const bool spreads = state.range(1) != 0 && DrawsOnlyUnmirroredCopies(style, f);
        BgrxStyleFrameReads reads = ReadsOfBgrxStyleFrame(style, f, all, spreads);
        const BgrxScalePlan going_at = slides.going.MotionPlan(0.9), coming_at = slides.coming.MotionPlan(0.1);
        // A swing takes the moving coming slide straight from its picture and
        // draws the going one itself, in the same pass.
        std::optional<TurnSource> turn;
        if (state.range(1) != 0 && IsPixelStyle(style) && style != kFadeStyle) {
            turn = slides.coming.TurnSourceAt(0.1);
            reads.newPicture.Intersect(Region::FromRects(turn->patches));
            reads.oldPicture = Region();
            turn->drawOld = [&](const Rect& part) { slides.going.DrawMotionPart(frame.Pixels(), going_at, part); };
        }
        // As the viewer draws them: each slide where the frame reads it, the
        // going one straight into the frame, the coming one spread straight
        // into the places a rect style moves or stretches it to.
        const DrawStyleCopy spread = [&](const BgrxPixels& into, const RectStyleCopy& copy) {
            slides.coming.DrawMotionStretched(into, 0.1, copy.source, copy.dest);
        };
        SplitRows(8, int64_t{kWidth} * kHeight, [&](int32_t, int32_t begin, int32_t end) {
            const Rect rows{0, kHeight * begin / 8, kWidth, kHeight * end / 8};
            for (const Rect& part : reads.oldPicture.Rects())
                slides.going.DrawMotionPart(frame.Pixels(), going_at, IntersectRect(part, rows));
            for (const Rect& part : reads.newPicture.Rects())
                slides.coming.DrawMotionPart(coming.Pixels(), coming_at, IntersectRect(part, rows));
        });
        DrawBgrxStyleFrame(style, f, frame.Pixels(), frame.Pixels(), coming.Pixels(), Region(),
                           spreads ? &spread : nullptr, turn ? &*turn : nullptr);
    }
}
// Second argument: 1 spreads the coming slide straight into a rect style's
// copies, or a swing turns it straight from its picture, as the viewer does;
// 0 draws it whole and copies or turns it from there, as it did.
BENCHMARK(BM_ComposedMoving)
    ->Args({3, 0})
    ->Args({3, 1})
    ->Args({13, 0})
    ->Args({13, 1})
    ->Args({16, 1})
    ->Args({51, 1})
    ->Args({118, 0})
    ->Args({119, 0})
    ->Args({119, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_EngineFrameWidened(benchmark::State& state) {
    NullHost host;
    TransitionEngine engine(host);
    engine.SetManual(true);
    engine.SetStyle(static_cast<int>(state.range(0)));
    engine.Execute(Picture(kWidth, kHeight, 1), Picture(kWidth, kHeight, 3));
    BgrxImage frame(kWidth, kHeight);
    int64_t n = 0;
    for (auto _ : state) {
        engine.SetProgress(ProgressOf(n++));
        const Bitmap& screen = std::as_const(engine).Screen();
        CopyToBgrx(frame.Pixels(), 0, 0, screen, screen.Bounds());
    }
    engine.Stop();
}
BENCHMARK(BM_EngineFrameWidened)->Apply(ComposedStyles);

}  // namespace

BENCHMARK_MAIN();
