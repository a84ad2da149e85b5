#include "transition/transition_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/random.h"
#include "raster/bgrx_image.h"
#include "raster/blit.h"
#include "support/test_pictures.h"
#include "transition/bgrx_style_frame.h"
#include "transition/region_styles.h"

namespace orlscr {
namespace {

using testing::Pattern;
using testing::SamePixel;
using testing::Solid;

// Stands for the window and the main thread: records invalidations, counts
// updates, and runs the worker's hand-overs when the "main thread" (the test)
// processes its messages. The tick counter is fake and advances by one a call.
class TestHost : public TransitionHost {
  public:
    std::vector<Rect> invalidated;
    std::vector<std::string>* log = nullptr;
    std::function<void()> onMessages;  // runs inside every ProcessMessages
    std::atomic<uint32_t> ticks{0};

    std::atomic<int> priority{-1};

    void InvalidatePictureRect(const Rect& rect) override { invalidated.push_back(rect); }
    void EnterWorkerThread(ThreadPriority value) override { priority = static_cast<int>(value); }
    void UpdateNow() override {
        if (log)
            log->push_back("update");
    }
    void ProcessMessages() override {
        RunHandOvers();
        if (onMessages)
            onMessages();
    }
    uint32_t TickCount() override { return ticks++; }

    void RunOnMainThread(const std::function<void()>& task) override {
        // A worker the engine let go may still be here after the host is gone.
        const std::shared_ptr<Queue> queue = queue_;
        Request request{&task};
        std::unique_lock lock(queue->mutex);
        queue->requests.push_back(&request);
        queue->changed.notify_all();
        queue->changed.wait(lock, [&] { return request.done; });
    }
    void WaitWhileHandingOver(const std::function<bool()>& done) override {
        while (!done()) {
            RunHandOvers();
            std::unique_lock lock(queue_->mutex);
            queue_->changed.wait_for(lock, std::chrono::milliseconds(1), [&] { return !queue_->requests.empty(); });
        }
    }

    // The test's message loop: runs hand-overs until `done` holds.
    void PumpUntil(const std::function<bool()>& done) { WaitWhileHandingOver(done); }
    // Waits, without running anything, until a worker asks for a hand-over.
    void WaitForHandOverRequest() {
        std::unique_lock lock(queue_->mutex);
        queue_->changed.wait(lock, [&] { return !queue_->requests.empty(); });
    }
    // Waits for one hand-over and runs it alone.
    void RunOneHandOver() {
        WaitForHandOverRequest();
        RunHandOvers(1);
    }

  private:
    struct Request {
        const std::function<void()>* task;
        bool done = false;
    };
    struct Queue {
        std::mutex mutex;
        std::condition_variable changed;
        std::deque<Request*> requests;
    };
    void RunHandOvers(size_t limit = SIZE_MAX) {
        for (size_t count = 0; count < limit; ++count) {
            Request* request = nullptr;
            {
                std::lock_guard lock(queue_->mutex);
                if (queue_->requests.empty())
                    return;
                request = queue_->requests.front();
                queue_->requests.pop_front();
            }
            (*request->task)();
            std::lock_guard lock(queue_->mutex);
            request->done = true;
            queue_->changed.notify_all();
        }
    }
    std::shared_ptr<Queue> queue_ = std::make_shared<Queue>();
};

const Bitmap kOld = Solid(40, 30, 0);
const Bitmap kNew = Pattern(40, 30);

class Machinery : public ::testing::TestWithParam<bool> {
  protected:
    Machinery() {
        engine_->SetThreaded(GetParam());
        engine_->SetDelay(0);
        engine_->OnProgress = [this] { frames_.push_back(engine_->Progress()); };
        engine_->OnComplete = [this] { ++completed_; };
    }
    // Runs the message loop until the run has ended or paused.
    void RunToRest() {
        host_.PumpUntil([this] { return !engine_->HasThread(); });
    }

    TestHost host_;
    std::unique_ptr<TransitionEngine> engine_ = std::make_unique<TransitionEngine>(host_);
    std::vector<int> frames_;
    int completed_ = 0;
};

TEST_P(Machinery, ForwardRunStepsToExactlyOneHundredThenCompletesOnce) {
    engine_->SetStep(30);
    engine_->OnComplete = [this] {
        EXPECT_EQ(frames_.size(), 4u) << "OnComplete comes after the last frame's OnProgress";
        ++completed_;
    };
    engine_->Execute(kOld, kNew);
    RunToRest();
    EXPECT_EQ(frames_, (std::vector<int>{30, 60, 90, 100}));
    EXPECT_EQ(completed_, 1);
    EXPECT_FALSE(engine_->Busy());
    EXPECT_EQ(engine_->NewBitmap(), nullptr);
    EXPECT_EQ(engine_->OldBitmap(), nullptr);
    EXPECT_EQ(engine_->Screen(), kNew);  // the last frame stays
}

TEST_P(Machinery, ReverseRunFromThreeWithStepFourEndsAtZero) {
    engine_->SetReverse(true);
    engine_->SetManual(true);
    engine_->Execute(kNew, kOld);  // the picture to remain is kOld
    EXPECT_EQ(engine_->Progress(), 100);
    engine_->SetProgress(3);
    frames_.clear();
    engine_->SetManual(false);
    RunToRest();
    EXPECT_EQ(frames_, (std::vector<int>{0}));
    EXPECT_EQ(completed_, 1);
    EXPECT_EQ(engine_->Screen(), kOld);
}

TEST_P(Machinery, ManualPausesTheRunAndResumesFromTheSameProgress) {
    engine_->SetStep(30);
    engine_->OnProgress = [this] {
        frames_.push_back(engine_->Progress());
        if (engine_->Progress() == 60 && frames_.size() == 2)
            engine_->SetManual(true);
    };
    engine_->Execute(kOld, kNew);
    RunToRest();
    EXPECT_EQ(frames_, (std::vector<int>{30, 60}));
    EXPECT_TRUE(engine_->Busy());
    EXPECT_NE(engine_->NewBitmap(), nullptr);
    EXPECT_EQ(completed_, 0);

    engine_->SetProgress(70);  // the host drives frames while paused
    engine_->SetManual(false);
    RunToRest();
    EXPECT_EQ(frames_, (std::vector<int>{30, 60, 70, 100}));
    EXPECT_EQ(completed_, 1);
}

TEST_P(Machinery, ResumingAtTheEndValueCompletesWithoutAFrame) {
    engine_->SetManual(true);
    engine_->Execute(kOld, kNew);
    engine_->SetProgress(100);
    frames_.clear();
    engine_->SetManual(false);
    RunToRest();
    EXPECT_TRUE(frames_.empty());
    EXPECT_EQ(completed_, 1);
    EXPECT_FALSE(engine_->Busy());
}

TEST_P(Machinery, StopFromOutsideAFrameEndsWithoutComplete) {
    engine_->SetStep(10);
    if (GetParam()) {
        engine_->SetDelay(60000);  // the worker sleeps; Stop must wake it
        engine_->Execute(kOld, kNew);
        host_.PumpUntil([this] { return !frames_.empty(); });
        engine_->Stop();
    } else {
        host_.onMessages = [this] {
            if (engine_->Progress() == 20)
                engine_->Stop();
        };
        engine_->Execute(kOld, kNew);
    }
    EXPECT_FALSE(engine_->Busy());
    EXPECT_FALSE(engine_->Stopping());
    EXPECT_FALSE(engine_->HasThread());
    EXPECT_EQ(completed_, 0);
    EXPECT_EQ(engine_->NewBitmap(), nullptr);
    EXPECT_NE(engine_->Screen(), kOld);  // the last frame stays
}

TEST_P(Machinery, StopFromInsideAFrameTakesEffectAfterIt) {
    engine_->SetStep(25);
    engine_->OnAfterNewFrame = [this](const Bitmap&, Bitmap&) {
        if (engine_->Progress() == 50)
            engine_->Stop();
    };
    engine_->Execute(kOld, kNew);
    RunToRest();
    EXPECT_EQ(frames_, (std::vector<int>{25, 50}));
    EXPECT_FALSE(engine_->Busy());
    EXPECT_FALSE(engine_->Stopping());
    EXPECT_EQ(completed_, 0);
}

TEST_P(Machinery, StyleZeroWithoutHandlerShowsTheNewPictureInOneFrame) {
    engine_->SetStyle(0);
    engine_->Execute(kOld, kNew);
    RunToRest();
    EXPECT_EQ(frames_, (std::vector<int>{100}));
    EXPECT_EQ(completed_, 1);
    EXPECT_EQ(engine_->Screen(), kNew);
}

TEST_P(Machinery, ReversedStyleZeroWithoutHandlerNeverEndsByItself) {
    engine_->SetStyle(0);
    engine_->SetReverse(true);
    engine_->OnProgress = [this] {
        frames_.push_back(engine_->Progress());
        if (frames_.size() == 5)
            engine_->Stop();
    };
    engine_->Execute(kNew, kOld);
    RunToRest();
    EXPECT_EQ(frames_, (std::vector<int>(5, 100)));
    EXPECT_EQ(completed_, 0);
    EXPECT_FALSE(engine_->Busy());
}

TEST_P(Machinery, ExecuteDuringARunStopsItAndStartsFromWhatIsShown) {
    const Bitmap third = Solid(40, 30, 200);
    engine_->SetManual(true);
    engine_->Execute(kOld, kNew);
    engine_->SetProgress(50);
    const Bitmap halfway = engine_->Screen();
    engine_->Execute(engine_->Screen(), third);
    EXPECT_EQ(completed_, 0);
    EXPECT_EQ(*engine_->OldBitmap(), halfway);
    EXPECT_EQ(*engine_->NewBitmap(), third);
    engine_->SetManual(false);
    RunToRest();
    EXPECT_EQ(completed_, 1);
    EXPECT_EQ(engine_->Screen(), third);
}

TEST(MachineryThread, DestroyingTheControlWaitsForTheWorkerWithoutComplete) {
    TestHost host;
    auto engine = std::make_unique<TransitionEngine>(host);
    int completed = 0, progressed = 0;
    engine->SetDelay(60000);
    engine->OnComplete = [&] { ++completed; };
    engine->OnProgress = [&] { ++progressed; };
    engine->Execute(kOld, kNew);
    host.PumpUntil([&] { return progressed > 0; });
    engine.reset();  // returns only once the worker has ended
    EXPECT_EQ(completed, 0);
    EXPECT_EQ(progressed, 1);
}

TEST_P(Machinery, OnCompleteMayStartTheNextTransition) {
    const Bitmap third = Solid(40, 30, 200);
    engine_->SetStep(50);
    engine_->OnComplete = [&] {
        if (++completed_ == 1)
            engine_->Execute(engine_->Screen(), third);
    };
    engine_->Execute(kOld, kNew);
    RunToRest();
    EXPECT_EQ(completed_, 2);
    EXPECT_EQ(frames_, (std::vector<int>{50, 100, 50, 100}));
    EXPECT_EQ(engine_->Screen(), third);
}

TEST_P(Machinery, OnCompleteMayDestroyTheEngine) {
    bool gone = false;
    engine_->OnComplete = [&] {
        engine_.reset();
        gone = true;
    };
    engine_->SetStep(50);
    engine_->Execute(kOld, kNew);
    host_.PumpUntil([&] { return gone; });
    EXPECT_EQ(engine_, nullptr);
}

TEST(MachineryThread, TheWorkerTakesThePriorityOfWhenItWasMade) {
    TestHost host;
    TransitionEngine engine(host);
    engine.SetDelay(0);
    engine.SetPriority(ThreadPriority::tpHighest);
    engine.Execute(kOld, kNew);
    engine.SetPriority(ThreadPriority::tpIdle);  // for the next worker
    host.PumpUntil([&] { return !engine.HasThread(); });
    EXPECT_EQ(host.priority, static_cast<int>(ThreadPriority::tpHighest));
    EXPECT_EQ(ThreadPriorityValue(ThreadPriority::tpHighest), 2);
    EXPECT_EQ(ThreadPriorityValue(ThreadPriority::tpIdle), -15);
}

TEST(MachineryThread, AFailingFrameEndsTheWorkerRunAsIfCompleted) {
    TestHost host;
    TransitionEngine engine(host);
    int completed = 0;
    engine.SetDelay(0);
    engine.OnComplete = [&] { ++completed; };
    engine.OnAfterNewFrame = [](const Bitmap&, Bitmap&) { throw std::runtime_error("boom"); };
    engine.Execute(kOld, kNew);
    host.PumpUntil([&] { return !engine.HasThread(); });
    EXPECT_FALSE(engine.Busy());
    EXPECT_EQ(completed, 1);
}

TEST(MachineryMain, MessagesAreProcessedUntilMoreThanDelayHasPassed) {
    // The fake clock moves one millisecond a reading, so a frame's message
    // loop reads it (and handles messages) once per millisecond.
    for (const int delay : {0, 5}) {
        TestHost host;
        TransitionEngine engine(host);
        engine.SetThreaded(false);
        engine.SetDelay(delay);
        engine.SetStep(50);
        std::vector<int> batches;
        int messages = 0;
        host.onMessages = [&] { ++messages; };
        engine.OnProgress = [&] {
            batches.push_back(messages);
            messages = 0;
        };
        engine.Execute(kOld, kNew);
        // Before the second frame the messages of delay + 1 milliseconds; none
        // after the last one.
        EXPECT_EQ(batches, (std::vector<int>{0, delay + 1})) << "delay " << delay;
        EXPECT_EQ(messages, 0);
    }
}

TEST(MachineryMain, AFailingFrameReachesTheCallerAndLeavesTheTransitionBusy) {
    TestHost host;
    TransitionEngine engine(host);
    engine.SetThreaded(false);
    engine.OnAfterNewFrame = [](const Bitmap&, Bitmap&) { throw std::runtime_error("boom"); };
    EXPECT_THROW(engine.Execute(kOld, kNew), std::runtime_error);
    EXPECT_TRUE(engine.Busy());
    engine.OnAfterNewFrame = nullptr;
    engine.Stop();
    EXPECT_FALSE(engine.Busy());
}

INSTANTIATE_TEST_SUITE_P(BothPaths, Machinery, ::testing::Bool(), [](const auto& info) {
    return info.param ? "Threaded" : "MainThread";
});

class Frames : public ::testing::Test {
  protected:
    Frames() {
        engine_.SetManual(true);
        engine_.OnProgress = [this] { ++progressEvents_; };
    }
    TestHost host_;
    TransitionEngine engine_{host_};
    int progressEvents_ = 0;
};

TEST_F(Frames, ProgressSetterClampsAndIgnoresNoOps) {
    engine_.SetProgress(40);
    EXPECT_EQ(engine_.Progress(), 0);  // not busy: not stored
    engine_.Execute(kOld, kNew);
    engine_.SetProgress(150);
    EXPECT_EQ(engine_.Progress(), 100);
    EXPECT_EQ(engine_.Screen(), kNew);
    EXPECT_EQ(progressEvents_, 1);
    engine_.SetProgress(100);
    EXPECT_EQ(progressEvents_, 1);
}

TEST_F(Frames, LoweringProgressInvalidatesTheWholeFrameFirst) {
    engine_.Execute(kOld, kNew);
    engine_.SetProgress(60);
    host_.invalidated.clear();
    engine_.SetProgress(40);
    ASSERT_FALSE(host_.invalidated.empty());
    EXPECT_EQ(host_.invalidated.front(), (Rect{0, 0, 40, 30}));
}

TEST_F(Frames, StepAndIdleManualValues) {
    engine_.SetStep(0);
    EXPECT_EQ(engine_.Step(), 1);
    engine_.SetStep(250);
    EXPECT_EQ(engine_.Step(), 100);
    engine_.SetReverse(true);
    engine_.SetManual(false);
    EXPECT_EQ(engine_.Progress(), 100);
    engine_.SetReverse(false);
    engine_.SetManual(true);
    EXPECT_EQ(engine_.Progress(), 0);
}

TEST_F(Frames, EventsComeInOrderWithinAFrame) {
    std::vector<std::string> log;
    host_.log = &log;
    engine_.SetStyle(0);
    engine_.OnBeforeNewFrame = [&](const Bitmap&, Bitmap&) { log.push_back("before"); };
    engine_.OnCustomDraw = [&](const Bitmap&, Bitmap&) { log.push_back("custom"); };
    engine_.OnAfterNewFrame = [&](const Bitmap&, Bitmap&) { log.push_back("after"); };
    engine_.OnProgress = [&] { log.push_back("progress"); };
    engine_.Execute(kOld, kNew);
    log.clear();
    engine_.SetProgress(50);
    EXPECT_EQ(log, (std::vector<std::string>{"before", "custom", "after", "update", "progress"}));
}

TEST_F(Frames, StyleZeroHandlerFrameStandsAsDrawn) {
    engine_.SetStyle(0);
    engine_.OnCustomDraw = [](const Bitmap& picture, Bitmap& screen) {
        std::copy(picture.Row(5), picture.Row(5) + 3, screen.Row(5));  // one pixel
    };
    engine_.Execute(kOld, kNew);
    engine_.SetProgress(50);
    Bitmap expected = kOld;
    std::copy(kNew.Row(5), kNew.Row(5) + 3, expected.Row(5));
    EXPECT_EQ(engine_.Screen(), expected);
    EXPECT_EQ(engine_.Progress(), 50);
}

TEST_F(Frames, StylesAboveTheRangeOnlyRestoreTheOldPicture) {
    engine_.SetStyle(200);
    int after = 0;
    engine_.OnAfterNewFrame = [&](const Bitmap&, Bitmap&) { ++after; };
    engine_.Execute(kOld, kNew);
    engine_.SetProgress(50);
    EXPECT_EQ(engine_.Screen(), kOld);
    EXPECT_EQ(after, 0);
}

TEST_F(Frames, EveryStyleEndsWithTheNewPicture) {
    const Bitmap oldPicture = Solid(64, 48, 0);
    const Bitmap newPicture = Pattern(64, 48);
    for (int style = 0; style < kStyleCount; ++style) {
        engine_.SetStyle(style);
        engine_.Execute(oldPicture, newPicture);
        engine_.SetProgress(100);
        EXPECT_EQ(engine_.Screen(), newPicture) << "style " << style;
        engine_.Stop();
    }
}

// The pixels of `screen` that differ from `old`.
std::vector<std::pair<int, int>> Changed(const Bitmap& screen, const Bitmap& old) {
    std::vector<std::pair<int, int>> changed;
    for (int y = 0; y < screen.Height(); ++y)
        for (int x = 0; x < screen.Width(); ++x)
            if (!SamePixel(screen, x, y, old, x, y))
                changed.emplace_back(x, y);
    return changed;
}

TEST_F(Frames, AtZeroOnlyThePiecesOfSomeStylesAreDrawn) {
    const Bitmap oldPicture = Solid(64, 48, 0);
    const Bitmap newPicture = Pattern(64, 48);
    const auto withPieces = [](int s) { return (s >= 12 && s <= 17) || (s >= 29 && s <= 34) || (s >= 54 && s <= 57); };
    for (int style = 1; style < kStyleCount; ++style) {
        if (IsPixelStyle(style))
            continue;  // they draw the frame themselves
        engine_.SetStyle(style);
        engine_.Execute(oldPicture, newPicture);
        engine_.RenderFrame();
        const auto changed = Changed(engine_.Screen(), oldPicture);
        if (!withPieces(style)) {
            EXPECT_TRUE(changed.empty()) << "style " << style;
        }
        if (style == 12) {
            ASSERT_EQ(changed.size(), 48u);
            for (const auto& [x, y] : changed)
                EXPECT_EQ(x, 0);
        }
        if (style == 55) {
            EXPECT_EQ(changed, (std::vector<std::pair<int, int>>{{0, 0}, {0, 47}, {63, 47}}));
        }
        engine_.Stop();
    }
}

TEST_F(Frames, DefaultStyleAtHalfwayShowsTheCentreBoxMagnified) {
    const Bitmap newPicture = Pattern(800, 600);
    engine_.Execute(Solid(800, 600, 0), newPicture);
    EXPECT_EQ(engine_.Style(), 51);
    engine_.SetProgress(50);
    // S = (200, 150, 600, 450) over D = (-400, -300, 1200, 900): 4x, centred.
    EXPECT_TRUE(SamePixel(engine_.Screen(), 400, 300, newPicture, 400, 300));
    EXPECT_TRUE(SamePixel(engine_.Screen(), 0, 0, newPicture, 300, 225));
    EXPECT_TRUE(SamePixel(engine_.Screen(), 799, 599, newPicture, 499, 374));
    EXPECT_EQ(host_.invalidated.back(), (Rect{-400, -300, 1200, 900}));
}

}  // namespace
}  // namespace orlscr

namespace orlscr {
namespace {

// Odd and tiny sizes at every progress: nothing is read or written outside the
// bitmaps (run under the sanitizers), and 100 is always the new picture.
TEST(FrameEdges, EveryRectangleStyleAtEveryProgressOnTinyPictures) {
    TestHost host;
    TransitionEngine engine(host);
    engine.SetManual(true);
    for (const auto& [w, h] : {std::pair{1, 1}, std::pair{2, 1}, std::pair{1, 3}, std::pair{7, 5}, std::pair{33, 2}}) {
        const Bitmap oldPicture = Solid(w, h, 0);
        const Bitmap newPicture = Pattern(w, h);
        for (int style = 0; style <= 57; ++style) {
            engine.SetStyle(style);
            engine.Execute(oldPicture, newPicture);
            for (int p = 1; p <= 100; ++p)
                engine.SetProgress(p);
            EXPECT_EQ(engine.Screen(), newPicture) << "style " << style << " " << w << "x" << h;
            engine.Stop();
        }
    }
}

TEST(FrameEdges, AnEmptyPictureDrawsNothing) {
    TestHost host;
    TransitionEngine engine(host);
    engine.SetManual(true);
    for (int style = 0; style <= 57; ++style) {
        engine.SetStyle(style);
        engine.Execute(Bitmap(), Bitmap());
        engine.SetProgress(50);
        engine.SetProgress(100);
        EXPECT_TRUE(engine.Screen().IsEmpty());
        engine.Stop();
    }
}

}  // namespace
}  // namespace orlscr

namespace orlscr {
namespace {

// Faults of the frame machinery around pausing, stopping, chaining and the end
// of its window.

TEST(MachineryThread, ResumingFromAFrameAfterTheWorkerLeftItsLoopCarriesTheRunOn) {
    TestHost host;
    TransitionEngine engine(host);
    std::vector<int> frames;
    int completed = 0;
    bool bitmapsHeld = true;
    engine.SetDelay(0);
    engine.SetStep(10);
    engine.OnComplete = [&] {
        EXPECT_EQ(frames.back(), 100) << "OnComplete in the middle of the run";
        ++completed;
    };
    engine.OnProgress = [&] {
        frames.push_back(engine.Progress());
        bitmapsHeld = bitmapsHeld && engine.NewBitmap() && engine.OldBitmap();
        if (engine.Progress() == 20)
            engine.SetManual(true);  // the worker leaves its loop after this frame
        else if (engine.Progress() == 30)
            engine.SetManual(false);  // resumed from inside a frame the host drives
    };
    engine.Execute(kOld, kNew);
    while (engine.Progress() != 20)
        host.RunOneHandOver();
    // The worker leaves its loop; its end notification waits to be handed over.
    host.WaitForHandOverRequest();
    engine.SetProgress(30);
    host.PumpUntil([&] { return !engine.HasThread() && !engine.Busy(); });
    EXPECT_EQ(frames, (std::vector<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
    EXPECT_EQ(completed, 1);
    EXPECT_TRUE(bitmapsHeld);
    EXPECT_EQ(engine.Screen(), kNew);
}

// A host that is destroyed together with its engine, as the control's window
// is when a message handler deletes the control.
struct OwnedView : TransitionHost {
    std::function<void()>* onMessages = nullptr;
    TransitionEngine engine{*this};

    void InvalidatePictureRect(const Rect&) override {}
    void UpdateNow() override {}
    void ProcessMessages() override { (*onMessages)(); }
    uint32_t TickCount() override { return ticks++; }
    void RunOnMainThread(const std::function<void()>& task) override { task(); }
    void WaitWhileHandingOver(const std::function<bool()>&) override {}
    uint32_t ticks = 0;
};

TEST(MachineryMain, AMessageHandlerMayDeleteTheControlDuringTheRun) {
    // Under the address sanitizer any use of the freed engine or host fails.
    std::function<void()> onMessages;
    auto view = std::make_unique<OwnedView>();
    view->onMessages = &onMessages;
    int frames = 0, completed = 0;
    view->engine.SetThreaded(false);
    view->engine.SetDelay(0);
    view->engine.SetStep(10);
    view->engine.OnProgress = [&] { ++frames; };
    view->engine.OnComplete = [&] { ++completed; };
    onMessages = [&] {
        if (frames == 3)
            view.reset();
    };
    view->engine.Execute(kOld, kNew);
    EXPECT_EQ(view, nullptr);
    EXPECT_EQ(frames, 3);
    EXPECT_EQ(completed, 0);
}

// The distance between the lowest and the highest stack address seen.
struct StackSpan {
    uintptr_t low = UINTPTR_MAX;
    uintptr_t high = 0;
    void Mark() {
        volatile char here = 0;
        const auto at = reinterpret_cast<uintptr_t>(&here);
        low = std::min(low, at);
        high = std::max(high, at);
    }
    uintptr_t Size() const { return high - low; }
};

TEST(MachineryMain, TransitionsChainedFromOnCompleteDoNotNest) {
    TestHost host;
    TransitionEngine engine(host);
    const Bitmap a = Solid(2, 2, 10), b = Solid(2, 2, 200);
    constexpr int kShow = 10000;
    int completed = 0;
    StackSpan span;
    engine.SetThreaded(false);
    engine.SetDelay(0);
    engine.SetStep(100);
    engine.OnComplete = [&] {
        span.Mark();
        if (++completed < kShow)
            engine.Execute(engine.Screen(), completed % 2 ? a : b);
    };
    engine.Execute(b, a);
    EXPECT_EQ(completed, kShow);
    EXPECT_FALSE(engine.Busy());
    // One transition's frames take a few kilobytes of stack at most; nested
    // transitions would take that ten thousand times.
    EXPECT_LT(span.Size(), 64u * 1024u);
}

TEST_P(Machinery, AFrameHandlerThatStopsAndThrowsStillEndsTheTransition) {
    engine_->SetStep(25);
    engine_->OnAfterNewFrame = [this](const Bitmap&, Bitmap&) {
        if (engine_->Progress() == 50) {
            engine_->Stop();
            throw std::runtime_error("boom");
        }
    };
    if (GetParam()) {
        engine_->Execute(kOld, kNew);
        RunToRest();
    } else {
        EXPECT_THROW(engine_->Execute(kOld, kNew), std::runtime_error);
    }
    EXPECT_FALSE(engine_->Busy());
    EXPECT_FALSE(engine_->Stopping());
    EXPECT_EQ(engine_->NewBitmap(), nullptr);
    EXPECT_EQ(completed_, 0);

    // The same from a frame the host drives.
    engine_->OnAfterNewFrame = nullptr;
    engine_->SetManual(true);
    engine_->Execute(kOld, kNew);
    engine_->OnProgress = [this] {
        engine_->Stop();
        throw std::runtime_error("boom");
    };
    EXPECT_THROW(engine_->SetProgress(40), std::runtime_error);
    EXPECT_FALSE(engine_->Busy());
    EXPECT_FALSE(engine_->Stopping());
}

// A host whose window is gone: hand-overs cannot be made any more.
class WindowGoneHost : public TestHost {
  public:
    void RunOnMainThread(const std::function<void()>&) override {
        std::lock_guard lock(mutex);
        ++handOvers;
        changed.notify_all();
    }
    void EnterWorkerThread(ThreadPriority) override {
        // Signals when the worker thread has ended.
        struct ExitSignal {
            WindowGoneHost* host;
            ~ExitSignal() {
                std::lock_guard lock(host->mutex);
                host->workerExited = true;
                host->changed.notify_all();
            }
        };
        thread_local ExitSignal signal{this};
    }
    std::mutex mutex;
    std::condition_variable changed;
    int handOvers = 0;
    bool workerExited = false;
};

TEST(MachineryThread, AfterTheWindowIsGoneAThreadedRunDoesNotLeaveAWorkerSpinning) {
    WindowGoneHost host;
    TransitionEngine engine(host);
    engine.SetDelay(0);
    engine.Shutdown();  // the window was destroyed
    engine.Execute(kOld, kNew);
    {
        // A spinning worker asks for a hand-over again and again.
        std::unique_lock lock(host.mutex);
        host.changed.wait(lock, [&] { return host.workerExited || host.handOvers > 1000; });
        EXPECT_TRUE(host.workerExited);
        EXPECT_LE(host.handOvers, 2);
    }
}

}  // namespace
}  // namespace orlscr

namespace orlscr {
namespace {

// A frame restores only what the frames before it drew. Each frame of a run
// (forward, backward, jumping) must equal the same frame drawn from a fully
// restored old picture (as with a handler that draws first), and what the
// frame invalidates must hold every pixel that changed on screen since the
// frame before.
TEST(PartialFrames, EveryStyleMatchesAFullRestoreAndInvalidatesAllItChanged) {
    const Bitmap oldPicture = Pattern(64, 48, 3);
    const Bitmap newPicture = Pattern(64, 48, 7);
    const std::vector<int> progress{4, 8, 30, 31, 60, 45, 46, 80, 99, 100};
    for (int style = 1; style < kStyleCount; ++style) {
        for (bool reverse : {false, true}) {
            std::vector<Bitmap> frames[2];
            for (int full = 0; full < 2; ++full) {
                TestHost host;
                TransitionEngine engine(host);
                engine.SetManual(true);
                engine.SetStyle(style);
                engine.SetReverse(reverse);
                if (full)  // a frame with a handler drawing first restores all of it
                    engine.OnBeforeNewFrame = [](const Bitmap&, Bitmap&) {};
                SharedRandom().Reset(99);
                engine.Execute(oldPicture, newPicture);
                Bitmap shown = std::as_const(engine).Screen();
                for (int p : progress) {
                    host.invalidated.clear();
                    engine.SetProgress(reverse ? 100 - p : p);
                    const Bitmap& screen = std::as_const(engine).Screen();
                    frames[full].push_back(screen);
                    for (int32_t y = 0; y < screen.Height(); ++y)
                        for (int32_t x = 0; x < screen.Width(); ++x) {
                            if (SamePixel(screen, x, y, shown, x, y))
                                continue;
                            const bool covered =
                                std::any_of(host.invalidated.begin(), host.invalidated.end(), [&](const Rect& r) {
                                    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
                                });
                            ASSERT_TRUE(covered) << "style " << style << " reverse " << reverse << " at " << p << ": "
                                                 << x << "," << y << " changed unseen";
                        }
                    shown = screen;
                }
                engine.Stop();
            }
            for (size_t i = 0; i < progress.size(); ++i)
                ASSERT_TRUE(frames[0][i] == frames[1][i])
                    << "style " << style << " reverse " << reverse << " at " << progress[i];
        }
    }
}

BgrxImage Widened(const Bitmap& picture) {
    BgrxImage image(picture.Width(), picture.Height());
    CopyToBgrx(image.Pixels(), 0, 0, picture, picture.Bounds());
    return image;
}

bool SameBgrx(const BgrxPixels& a, const BgrxPixels& b) {
    for (int32_t y = 0; y < a.height; ++y)
        if (std::memcmp(a.Row(y), b.Row(y), static_cast<size_t>(a.width) * 4) != 0)
            return false;
    return true;
}

// Only what a frame reads of a picture need be drawn: the rest spoiled.
BgrxImage WidenedWithin(const Bitmap& picture, const Region& read) {
    BgrxImage image = Widened(picture);
    for (int32_t y = 0; y < picture.Height(); ++y)
        for (int32_t x = 0; x < picture.Width(); ++x)
            if (!read.Contains(x, y))
                std::memset(image.Pixels().Row(y) + x * 4, 0xEE, 4);
    return image;
}

// A frame composed in 32 bits from both pictures, on top of the last one,
// equals the engine's frame widened, whether the old picture stayed (only
// what the last frame drew is put back) or changed (drawn into the frame
// first), and though the pictures hold only what the frame says it reads. Odd sizes and sides in
// both proportions reach the stretches' and the swings' edges.
TEST(BgrxStyleFrames, EachEqualsTheEngineFrameWidened) {
    const std::vector<int> progress{0, 4, 30, 31, 60, 45, 99, 100};
    for (const auto& [w, h] : {std::pair{61, 37}, std::pair{30, 47}}) {
        const Bitmap newPicture = Pattern(w, h, 7);
        for (int style = 0; style < kStyleCount; ++style) {
            if (!DrawsBgrxStyleFrame(style))
                continue;
            BgrxImage frame(w, h);
            std::optional<Region> drawn;
            for (size_t k = 0; k < progress.size(); ++k) {
                const bool oldMoves = k % 3 == 2;
                const Bitmap oldPicture = Pattern(w, h, oldMoves ? 3 + static_cast<int>(k) : 3);
                TestHost host;
                TransitionEngine engine(host);
                engine.SetManual(true);
                engine.SetStyle(style);
                engine.Execute(oldPicture, newPicture);
                engine.SetProgress(progress[k]);
                const Region stale = oldMoves || !drawn ? Region(Rect{0, 0, w, h}) : *drawn;
                const FrameQuantities f = ComputeFrame(w, h, progress[k], engine.Step());
                const BgrxStyleFrameReads reads = ReadsOfBgrxStyleFrame(style, f, stale);
                const BgrxImage coming = WidenedWithin(newPicture, reads.newPicture);
                if (oldMoves) {  // drawn straight into the frame where it is read, nothing stale
                    frame = WidenedWithin(oldPicture, reads.oldPicture);
                    drawn = DrawBgrxStyleFrame(style, f, frame.Pixels(), frame.Pixels(), coming.Pixels(), Region());
                } else {
                    drawn = DrawBgrxStyleFrame(style, f, frame.Pixels(),
                                               WidenedWithin(oldPicture, reads.oldPicture).Pixels(), coming.Pixels(),
                                               stale);
                }
                ASSERT_TRUE(SameBgrx(frame.Pixels(), Widened(std::as_const(engine).Screen()).Pixels()))
                    << "style " << style << " " << w << "x" << h << " at " << progress[k];
                if (oldMoves)
                    drawn = Region(Rect{0, 0, w, h});  // the next frame's old picture differs again
            }
        }
    }
}

}  // namespace
}  // namespace orlscr
