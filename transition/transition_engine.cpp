#include "transition/transition_engine.h"

#include <chrono>

#include "common/error.h"
#include "raster/blit.h"
#include "transition/frame.h"
#include "transition/pixel_styles.h"
#include "transition/rect_styles.h"
#include "transition/region_change.h"
#include "transition/region_styles.h"

namespace orlscr {

namespace {

// Beyond this many rectangles a frame invalidates fewer, larger ones. Two
// edges moving apart change two strips: each goes on its own.
constexpr size_t kMaxInvalidRects = 8;

// Counts the frames in progress for as long as it lives.
class FrameScope {
  public:
    explicit FrameScope(int& depth) : depth_(depth) { ++depth_; }
    ~FrameScope() { --depth_; }
    FrameScope(const FrameScope&) = delete;
    FrameScope& operator=(const FrameScope&) = delete;

  private:
    int& depth_;
};

}  // namespace

int ThreadPriorityValue(ThreadPriority priority) {
    switch (priority) {
        case ThreadPriority::tpIdle:
            return -15;
        case ThreadPriority::tpLowest:
            return -2;
        case ThreadPriority::tpLower:
            return -1;
        case ThreadPriority::tpNormal:
            return 0;
        case ThreadPriority::tpHigher:
            return 1;
        case ThreadPriority::tpHighest:
            return 2;
        case ThreadPriority::tpTimeCritical:
            return 15;
    }
    return 0;
}

TransitionEngine::TransitionEngine(TransitionHost& host) : host_(host) {}

TransitionEngine::~TransitionEngine() {
    *alive_ = false;
    Shutdown();
}

void TransitionEngine::Shutdown() {
    destroying_ = true;
    if (worker_) {
        worker_->terminated = true;
        EndWorker();
    }
    busy_ = false;
    Release();
}

void TransitionEngine::SetStep(int value) {
    step_ = static_cast<uint16_t>(value < 1 ? 1 : value > 100 ? 100 : value);
}

void TransitionEngine::SetProgress(int value) {
    if (value > 100)
        value = 100;
    if (value < 0)
        value = 0;
    if (!busy_ || value == progress_)
        return;
    try {
        FrameScope frame(frameDepth_);
        if (value < progress_ && !painting_)
            host_.InvalidatePictureRect(screen_.Bounds());
        progress_ = static_cast<uint8_t>(value);
        RenderFrame();
        if (!destroying_ && OnProgress)
            OnProgress();
    } catch (...) {
        // A handler that stopped the transition and then failed: the stop
        // still takes effect before the error goes on.
        FinishStopAfterFrame();
        throw;
    }
    FinishStopAfterFrame();
}

void TransitionEngine::FinishStopAfterFrame() {
    if (stopAfterFrame_ && frameDepth_ == 0)
        FinishStop();
}

void TransitionEngine::SetManual(bool value) {
    if (value == manual_)
        return;
    manual_ = value;
    if (worker_) {
        std::lock_guard lock(worker_->mutex);
        worker_->wake.notify_all();
    }
    if (!busy_) {
        progress_ = reverse_ ? 100 : 0;
        return;
    }
    if (!value)
        Animate();
}

void TransitionEngine::RenderFrame() {
    if (!newBitmap_ || !oldBitmap_)
        return;
    FrameScope frame(frameDepth_);
    const Bitmap& picture = *newBitmap_;
    const Bitmap& old = *oldBitmap_;
    const Rect bounds = screen_.Bounds();
    const int style = style_;
    // The fade and the swings write every pixel from both pictures, so they
    // need no restore; with a handler drawing first they work on what it drew.
    const bool wholeFrame = IsPixelStyle(style) && !OnBeforeNewFrame;
    if (DrawsInPlace(style) && progress_ < 100 && !OnBeforeNewFrame && !OnAfterNewFrame) {
        RenderInPlaceFrame();
        return;
    }
    inPlaceShown_.reset();
    // Everything this frame draws over the old picture.
    Rect drawn;
    std::vector<Rect> drawnParts;
    auto note = [&](const Rect& r) {
        const Rect part = IntersectRect(r, bounds);
        drawn = UnionRect(drawn, part);
        drawnParts.push_back(part);
    };
    // Outside this the frame shows the old picture.
    const Region stale = dirty_.IsEmpty() ? Region() : DirtyRegion();
    if (!dirty_.IsEmpty()) {
        const Region& lastDrawn = stale;
        // Only what the last frame drew differs from the old picture; a style
        // that writes the whole frame restores it as it goes.
        if (IsRectStyle(style) && !OnBeforeNewFrame && progress_ > 0) {
            // What the style overwrites anyway needs no restore: a moving or
            // zooming picture covers most of the frame in every step.
            // At 100 the whole new picture is drawn.
            if (progress_ < 100) {
                Region restore = lastDrawn;
                restore.Subtract(Region::FromRects(
                    RectStyleCover(style, ComputeFrame(picture.Width(), picture.Height(), progress_, step_))));
                DrawThroughRegion(screen_, old, restore);
            }
        } else if (!wholeFrame) {
            StretchCopy(screen_, dirty_, old, dirty_);
        }
        InvalidateParts(lastDrawn);
    }
    // Until the frame is done (a handler may throw halfway).
    dirty_ = bounds;
    dirtyParts_.reset();
    if (OnBeforeNewFrame) {
        note(bounds);
        OnBeforeNewFrame(picture, screen_);
    }

    const int32_t W = picture.Width(), H = picture.Height();
    Rect dest{0, 0, W, H};
    Rect source = dest;
    std::optional<Region> region;
    std::optional<Region> takenRows;
    const FrameQuantities f = ComputeFrame(W, H, progress_, step_);
    if (!IsStyle(style)) {
        dirty_ = drawn;
        dirtyParts_.reset();
        return;
    }

    if (style == kCustomStyle) {
        if (OnCustomDraw) {
            note(bounds);
            OnCustomDraw(picture, screen_);
        } else {
            // The whole picture at once: at 100 the finish below draws all of
            // it, so neither a copy here nor a region is needed.
            progress_ = 100;
        }
    } else if (IsRectStyle(style)) {
        RunRectStyle(
            style, f, screen_, picture,
            [this, &note](const Rect& r) {
                note(r);
                host_.InvalidatePictureRect(r);
            },
            dest, source);
    } else if (IsRegionStyle(style)) {
        region = BuildStyleRegion(style, f);
    } else if (IsPixelStyle(style)) {
        if (wholeFrame) {
            std::vector<Rect> rows;
            dest = IntersectRect(DrawPixelStyle(style, screen_, old, picture, f, &stale, &rows), bounds);
            note(dest);
            if (!rows.empty() && progress_ < 100 && !OnAfterNewFrame) {
                // A turned picture covers a slanted shape: only its rows changed.
                takenRows = Region::FromRects(std::move(rows));
                dest = Rect{};
            }
        } else {
            DrawPixelStyle(style, screen_, picture, f);
            note(bounds);
        }
    }

    if (progress_ == 100) {
        DrawBitmap(screen_, 0, 0, picture);
        note(bounds);
        host_.InvalidatePictureRect(bounds);
    } else if (progress_ > 0) {
        if (IsRectStyle(style)) {
            StretchCopy(screen_, dest, picture, source);
            note(dest);
        } else if (region && (style == kCustomStyle || IsRegionStyle(style))) {
            DrawThroughRegion(screen_, picture, *region);
            note(region->BoundingBox());
        }
    }
    if (IsRegionStyle(style))
        dest = region && progress_ > 0 ? IntersectRect(region->BoundingBox(), bounds) : Rect{};
    region.reset();

    if (OnAfterNewFrame)
        note(bounds);
    dirty_ = drawn;
    // Two halves closing in, or a picture moving past an unchanged rest:
    // only the pieces themselves differ from the old picture.
    if (IsRectStyle(style) && !OnBeforeNewFrame && !OnAfterNewFrame)
        dirtyParts_ = Region::FromRects(std::move(drawnParts));
    if (takenRows) {
        InvalidateParts(*takenRows);
        dirtyParts_ = std::move(takenRows);
    }
    if (!dest.IsEmpty())
        host_.InvalidatePictureRect(dest);
    if (OnAfterNewFrame)
        OnAfterNewFrame(picture, screen_);
    if (!painting_)
        host_.UpdateNow();
}

bool TransitionEngine::DrawsInPlace(int style) {
    return IsInPlaceRectStyle(style) || IsRegionStyle(style);
}

void TransitionEngine::RenderInPlaceFrame() {
    const Bitmap& picture = *newBitmap_;
    const Bitmap& old = *oldBitmap_;
    const Rect bounds = screen_.Bounds();
    const FrameQuantities f = ComputeFrame(picture.Width(), picture.Height(), progress_, step_);
    Region shown;
    if (IsRegionStyle(style_)) {
        // Built at every progress, as a random style draws from the shared
        // generator whether or not its region is used.
        std::optional<Region> region = BuildStyleRegion(style_, f);
        if (region && progress_ > 0) {
            shown = std::move(*region);
            const Rect box = shown.BoundingBox();
            if (IntersectRect(box, bounds) != box)
                shown.Intersect(Region(bounds));
        }
    } else {
        std::vector<Rect> pieces;
        Rect dest = bounds, source = bounds;
        RectStylePieces(style_, f, pieces, dest, source);
        if (progress_ > 0)
            pieces.push_back(dest);
        for (Rect& r : pieces)
            r = IntersectRect(r, bounds);
        shown = Region::FromRects(std::move(pieces));
    }
    if (inPlaceShown_) {
        // Only the difference between what showed the new picture and what
        // shows it now changes.
        const Region before = std::move(*inPlaceShown_);
        inPlaceShown_.reset();
        dirty_ = bounds;  // until the frame is done
        dirtyParts_.reset();
        for (const Rect& r : DrawRegionChange(screen_, old, picture, before, shown, kMaxInvalidRects))
            host_.InvalidatePictureRect(r);
    } else {
        // The first such frame: what earlier frames drew may differ from the
        // old picture.
        Region restore = DirtyRegion();
        restore.Subtract(shown);
        dirty_ = bounds;  // until the frame is done
        dirtyParts_.reset();
        DrawThroughRegion(screen_, old, restore);
        DrawThroughRegion(screen_, picture, shown);
        restore.Unite(shown);
        InvalidateParts(restore);
    }
    dirty_ = shown.BoundingBox();
    inPlaceShown_ = std::move(shown);
    if (!painting_)
        host_.UpdateNow();
}

Region TransitionEngine::DirtyRegion() const {
    return dirtyParts_ ? *dirtyParts_ : Region(dirty_);
}

void TransitionEngine::InvalidateParts(const Region& parts) {
    for (const Rect& r : CoverRegion(parts, screen_.Width(), screen_.Height(), kMaxInvalidRects))
        host_.InvalidatePictureRect(r);
}

void TransitionEngine::MakeStep() {
    const int progress = progress_;
    const int step = step_;
    if (reverse_)
        SetProgress(progress < step ? 0 : progress - step);
    else
        SetProgress(progress + step);
}

void TransitionEngine::Animate() {
    if (threaded_)
        StartWorker();
    else
        AnimateOnMainThread();
}

void TransitionEngine::AnimateOnMainThread() {
    if (finishingMainRun_ > 0) {
        // Asked from OnComplete of a main-thread run: the loop below runs it
        // once the handler has returned, instead of nesting it here.
        mainRunPending_ = true;
        return;
    }
    do {
        mainRunPending_ = false;
        if (!RunMainThreadLoop())
            return;
    } while (mainRunPending_ && busy_ && !manual_ && !stopping_);
}

bool TransitionEngine::RunMainThreadLoop() {
    const std::shared_ptr<bool> alive = alive_;
    bool ended = false;
    do {
        const uint32_t t0 = host_.TickCount();
        MakeStep();
        // A stop made inside the frame has already finished the transition.
        ended = busy_ && AtEnd();
        if (!ended) {
            do {
                host_.ProcessMessages();
                if (!*alive)
                    return false;  // a message handler deleted the engine (and its host)
            } while (host_.TickCount() - t0 <= delay_ && busy_ && !manual_ && !stopping_);
        }
    } while (!ended && busy_ && !manual_ && !stopping_);
    if (!ended)
        return true;
    ++finishingMainRun_;
    try {
        AnimationFinished();
    } catch (...) {
        if (*alive)
            --finishingMainRun_;
        throw;
    }
    if (!*alive)
        return false;  // OnComplete destroyed the engine
    --finishingMainRun_;
    return true;
}

void TransitionEngine::StartWorker() {
    if (worker_) {
        bool live;
        {
            // Decided under the worker's lock, as the worker decides to leave
            // its loop: either it has left (and a new worker is needed), or it
            // will read Manual as it is now and carry on.
            std::lock_guard lock(worker_->mutex);
            live = worker_->looping && !worker_->terminated && !worker_->superseded;
        }
        if (live && frameDepth_ > 0)
            return;  // its loop is still running and carries on after this frame
        worker_->superseded = true;
        worker_->terminated = true;
        EndWorker();
    }
    auto worker = std::make_shared<Worker>();
    // The priority is taken now, when the thread is made; the main thread may
    // change the property while the worker starts.
    const ThreadPriority priority = priority_;
    // A thread that cannot be made throws to the caller, and the transition
    // stays set up without frames; no worker is recorded that Stop or the
    // destructor would wait for in vain. The new worker's hand-overs run only
    // when this thread next handles messages, so it is known by then.
    worker->thread = std::thread([this, worker, priority] { WorkerBody(this, worker, priority); });
    worker_ = std::move(worker);
}

void TransitionEngine::WorkerBody(TransitionEngine* engine, std::shared_ptr<Worker> worker, ThreadPriority priority) {
    TransitionHost& host = engine->host_;
    host.EnterWorkerThread(priority);
    // Runs `task` on the main thread, marked as this worker's hand-over. False
    // when the host could not reach the main thread (its window is gone).
    auto handOver = [&host, &worker](const std::function<void()>& task) {
        bool ran = false;
        host.RunOnMainThread([&worker, &task, &ran] {
            ran = true;
            worker->handingOver = true;
            try {
                task();
            } catch (...) {
                // A failing step ends the run (below); a failing OnComplete
                // handler leaves nothing to undo.
                worker->terminated = true;
            }
            worker->handingOver = false;
        });
        return ran;
    };
    // Whether to make another step, decided under the lock StartWorker reads
    // `looping` under.
    auto carryOn = [engine, &worker] {
        std::lock_guard lock(worker->mutex);
        worker->looping = !worker->terminated && !engine->manual_ && !engine->stopping_ && engine->busy_;
        return worker->looping;
    };
    while (carryOn()) {
        const uint32_t t0 = host.TickCount();
        if (!handOver([engine] { engine->MakeStep(); }))
            break;  // nothing will ever take a step: end instead of spinning
        if (worker->orphaned)
            break;
        if (worker->terminated)
            break;  // the step failed: the run ends as if completed
        const uint32_t elapsed = host.TickCount() - t0;
        if (engine->AtEnd())
            break;
        const uint32_t delay = engine->delay_;
        if (delay > elapsed) {
            std::unique_lock lock(worker->mutex);
            worker->wake.wait_for(lock, std::chrono::milliseconds(delay - elapsed),
                                  [&] { return worker->terminated || engine->stopping_ || engine->manual_; });
        }
    }
    {
        std::lock_guard lock(worker->mutex);
        worker->looping = false;
    }
    if (!worker->orphaned) {
        Worker* raw = worker.get();
        handOver([engine, raw] { engine->WorkerEnded(raw); });
    }
    worker->done = true;  // the engine may join and forget the worker from here on
}

void TransitionEngine::WorkerEnded(Worker* worker) {
    if (worker != worker_.get() || worker->superseded)
        return;
    worker->ended = true;
    if (!busy_)
        return;  // stopped from inside a frame; already cleaned up
    AnimationFinished();
}

void TransitionEngine::EndWorker() {
    if (!worker_)
        return;
    std::shared_ptr<Worker> worker = std::move(worker_);
    worker->terminated = true;
    if (worker->handingOver) {
        // Inside its own hand-over: it waits for us, so we cannot wait for it.
        worker->orphaned = true;
        worker->thread.detach();
        return;
    }
    {
        std::lock_guard lock(worker->mutex);
        worker->wake.notify_all();
    }
    if (!worker->done)
        host_.WaitWhileHandingOver([&worker] { return worker->done.load(); });
    worker->thread.join();
}

void TransitionEngine::AnimationFinished() {
    if (worker_)
        worker_->ended = true;
    if (!stopping_ && manual_)
        return;
    busy_ = false;
    Release();
    if (!destroying_ && !stopping_ && OnComplete) {
        // Called through a copy: the handler may destroy the engine, and with
        // it OnComplete. Nothing of the engine is touched afterwards.
        const Notify handler = OnComplete;
        handler();
    }
}

void TransitionEngine::Release() {
    newBitmap_.reset();
    oldBitmap_.reset();
}

void TransitionEngine::Stop() {
    if (frameDepth_ > 0) {
        if (busy_) {
            stopping_ = true;
            stopAfterFrame_ = true;
        }
        return;
    }
    if (!busy_ && !worker_)
        return;
    stopping_ = true;
    if (worker_)
        EndWorker();  // its end notification cleans up without OnComplete
    if (busy_)
        AnimationFinished();
    stopping_ = false;
}

void TransitionEngine::FinishStop() {
    stopAfterFrame_ = false;
    if (busy_)
        AnimationFinished();
    stopping_ = false;
}

Bitmap TransitionEngine::FitPicture(const Bitmap& shown,
                                    int32_t width,
                                    int32_t height,
                                    bool center,
                                    uint8_t blue,
                                    uint8_t green,
                                    uint8_t red) {
    Bitmap fitted(width, height);
    FillRect(fitted, fitted.Bounds(), blue, green, red);
    if (center)
        DrawBitmap(fitted, (width - shown.Width()) / 2, (height - shown.Height()) / 2, shown);
    else
        DrawBitmap(fitted, 0, 0, shown);
    return fitted;
}

void TransitionEngine::Execute(Bitmap from, Bitmap to) {
    if (frameDepth_ > 0)
        throw Error("A transition cannot be started from inside one of its frames");
    Stop();
    if (worker_)
        EndWorker();
    const int32_t W = to.Width(), H = to.Height();
    if (from.Width() != W || from.Height() != H)
        from = FitPicture(from, W, H, false, 0, 0, 0);
    screen_.Resize(W, H);
    DrawBitmap(screen_, 0, 0, from);
    // With Reverse, Screen starts with the picture that comes in last.
    dirty_ = reverse_ ? screen_.Bounds() : Rect{};
    dirtyParts_.reset();
    inPlaceShown_.reset();
    if (reverse_) {
        newBitmap_ = std::make_unique<Bitmap>(std::move(from));
        oldBitmap_ = std::make_unique<Bitmap>(std::move(to));
    } else {
        newBitmap_ = std::make_unique<Bitmap>(std::move(to));
        oldBitmap_ = std::make_unique<Bitmap>(std::move(from));
    }
    stopping_ = false;
    stopAfterFrame_ = false;
    progress_ = reverse_ ? 100 : 0;
    busy_ = true;
    host_.ScreenResized();
    host_.InvalidatePictureRect(screen_.Bounds());
    if (!manual_)
        Animate();
}

}  // namespace orlscr
