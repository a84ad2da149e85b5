#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "raster/bitmap.h"
#include "raster/geometry.h"
#include "transition/region.h"

namespace orlscr {

// Platform priorities of the animation thread.
enum class ThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// The platform's value for a priority (-15, -2, -1, 0, 1, 2, 15).
int ThreadPriorityValue(ThreadPriority priority);

// What the engine needs from the window that shows its frames. All calls but
// Sleep, EnterWorkerThread and RunOnMainThread come on the main thread.
class TransitionHost {
  public:
    virtual ~TransitionHost() = default;

    // A rectangle of the frame (frame coordinates) must be repainted.
    virtual void InvalidatePictureRect(const Rect& rect) = 0;
    // Repaint what is invalid now, before returning.
    virtual void UpdateNow() = 0;
    // Handle the pending messages of the main thread (hand-overs included).
    virtual void ProcessMessages() = 0;
    // Millisecond tick counter; compared by unsigned subtraction.
    virtual uint32_t TickCount() = 0;
    // Worker thread: run `task` on the main thread and return when it is done.
    // A host that can no longer reach its main thread (its window is gone)
    // returns without running it; the worker then ends.
    virtual void RunOnMainThread(const std::function<void()>& task) = 0;
    // Main thread: handle hand-overs (and other messages) until `done` holds.
    virtual void WaitWhileHandingOver(const std::function<bool()>& done) = 0;
    // Worker thread, first thing: take the given priority.
    virtual void EnterWorkerThread(ThreadPriority) {}
    // Screen changed its size (a transition was set up).
    virtual void ScreenResized() {}
};

// The transition machinery of the picture show control, without a window: the
// frame bitmaps, Progress and its frames, automatic runs on the main thread or
// on the animation thread, and the events.
//
// Invariants: Progress() stays in 0..100 and Step() in 1..100; while Busy(),
// NewBitmap() and OldBitmap() exist and have the size of Screen(); a worker
// thread exists only between Animate and the end of its run. Frames, events and
// every call below happen on the main thread; the worker only keeps time and
// hands each step over.
class TransitionEngine {
  public:
    using Notify = std::function<void()>;
    using CustomDraw = std::function<void(const Bitmap& picture, Bitmap& screen)>;

    explicit TransitionEngine(TransitionHost& host);
    // Ends a running worker (without OnComplete) before releasing anything.
    ~TransitionEngine();
    TransitionEngine(const TransitionEngine&) = delete;
    TransitionEngine& operator=(const TransitionEngine&) = delete;

    // What the destructor does, for an owner that must end the worker before
    // its window goes away: ends a running worker (without OnComplete) and
    // releases the frame bitmaps. The engine counts as destroyed afterwards.
    void Shutdown();

    // Properties.
    int Progress() const { return progress_; }
    void SetProgress(int value);
    bool Busy() const { return busy_; }
    bool Manual() const { return manual_; }
    void SetManual(bool value);
    int Step() const { return step_; }
    void SetStep(int value);
    int Delay() const { return delay_; }
    void SetDelay(int value) { delay_ = static_cast<uint16_t>(value); }
    bool Reverse() const { return reverse_; }
    void SetReverse(bool value) { reverse_ = value; }
    int Style() const { return style_; }
    void SetStyle(int value) { style_ = static_cast<uint8_t>(value); }
    bool Threaded() const { return threaded_; }
    void SetThreaded(bool value) { threaded_ = value; }
    ThreadPriority Priority() const { return priority_; }
    void SetPriority(ThreadPriority value) { priority_ = value; }
    bool Stopping() const { return stopping_; }
    bool Painting() const { return painting_; }
    void SetPainting(bool value) { painting_ = value; }
    bool Destroying() const { return destroying_; }
    bool HasThread() const { return worker_ && !worker_->ended; }

    const Bitmap& Screen() const { return screen_; }
    // A frame restores only what it knows differs from the old picture; a
    // caller that takes Screen to draw on makes the next frame restore all.
    Bitmap& Screen() {
        dirty_ = screen_.Bounds();
        dirtyParts_.reset();
        inPlaceShown_.reset();
        return screen_;
    }
    const Bitmap* NewBitmap() const { return newBitmap_.get(); }
    const Bitmap* OldBitmap() const { return oldBitmap_.get(); }

    // Events (each fires only when set). OnComplete may start the next
    // transition or destroy the engine; the other handlers must not destroy it,
    // but a message handler that runs between the frames of a main-thread run
    // may (the run then ends at once, touching nothing).
    Notify OnProgress;
    Notify OnComplete;
    CustomDraw OnBeforeNewFrame;
    CustomDraw OnCustomDraw;
    CustomDraw OnAfterNewFrame;

    // The previously shown picture fitted to a width x height frame: placed as
    // the control shows it (centred or at the top-left), the rest `blue`,
    // `green`, `red`.
    static Bitmap FitPicture(const Bitmap& shown,
                             int32_t width,
                             int32_t height,
                             bool center,
                             uint8_t blue,
                             uint8_t green,
                             uint8_t red);

    // Starts a transition from `from` to `to` (both the size of `to`; `from` is
    // cut or padded with black to that size). A run still Busy is stopped
    // first. With Reverse the run goes from 100 down to 0, so `to` goes into
    // OldBitmap and `from` into NewBitmap: the last frame shows `to` either way.
    // Screen takes the size of `to` and shows the starting picture; then,
    // unless Manual, Animate. Throws when called from inside a frame. Called
    // from OnComplete at the end of a main-thread run, the new run follows when
    // the handler has returned, from the same loop, so a show of any length
    // never nests one run inside another.
    void Execute(Bitmap from, Bitmap to);
    // Ends the transition without OnComplete; Screen keeps the last frame.
    // From inside a frame the stop takes effect when the frame is done.
    void Stop();
    // Continues the transition automatically from the current Progress.
    void Animate();
    // The end of a run (see the class comment of the control).
    void AnimationFinished();
    // One frame at the current Progress.
    void RenderFrame();
    // The styles whose frames below 100 show the new picture in place, within
    // a region, and the old one elsewhere.
    static bool DrawsInPlace(int style);
    // After a frame of such a style: where it shows the new picture; null
    // after any other frame.
    const Region* InPlaceShown() const { return inPlaceShown_ ? &*inPlaceShown_ : nullptr; }

    // The end test: Progress at the end value of the direction.
    bool AtEnd() const { return reverse_ ? progress_ == 0 : progress_ == 100; }

  private:
    // The animation thread's state, shared by the engine and the thread, so
    // that a thread the engine had to let go (see EndWorker) never touches
    // freed memory.
    struct Worker {
        std::thread thread;
        std::atomic<bool> terminated{false};
        std::atomic<bool> done{false};
        std::atomic<bool> orphaned{false};  // the engine let go of it; touch nothing of the engine
        bool looping = true;                // in its frame loop (under `mutex`): it makes more steps
        bool handingOver = false;           // its step or end notification runs now (main thread)
        bool ended = false;                 // its end notification has run (main thread)
        bool superseded = false;            // replaced by a newer worker; its end is ignored
        std::mutex mutex;
        std::condition_variable wake;
    };

    void MakeStep();
    // A frame below 100 of a style that shows the new picture in place (the
    // in-place rectangle styles and every region style): only the difference
    // between what this frame and the last one show of the new picture is
    // copied (from the new or the old picture) and invalidated.
    void RenderInPlaceFrame();
    // What may differ from the old picture: dirtyParts_, else dirty_.
    Region DirtyRegion() const;
    // Invalidates the rectangles of `parts`, or their bounding box when many.
    void InvalidateParts(const Region& parts);
    void AnimateOnMainThread();
    // One main-thread run to its end, pause or stop. False when the engine
    // was destroyed meanwhile.
    bool RunMainThreadLoop();
    void StartWorker();
    static void WorkerBody(TransitionEngine* engine, std::shared_ptr<Worker> worker, ThreadPriority priority);
    void WorkerEnded(Worker* worker);
    // Tells the worker to end and waits for it (handing over meanwhile). Called
    // from inside the worker's own hand-over (an OnComplete handler that starts
    // the next transition or destroys the engine) it cannot wait: the worker is
    // let go and ends by itself without touching the engine again.
    void EndWorker();
    void Release();
    void FinishStop();
    // A stop requested inside a frame, once the outermost frame is left.
    void FinishStopAfterFrame();

    TransitionHost& host_;
    Bitmap screen_;
    // The part of screen_ that may differ from *oldBitmap_ (within its bounds):
    // all that the frames since the last restore drew. The next frame restores
    // only this much of the old picture and invalidates it.
    Rect dirty_;
    // When set, the parts of dirty_ (its bounding box) that may differ.
    std::optional<Region> dirtyParts_;
    // After a frame of an in-place style: exactly the pixels that show the
    // new picture (the rest shows the old one); none after any other frame.
    std::optional<Region> inPlaceShown_;
    std::unique_ptr<Bitmap> newBitmap_;
    std::unique_ptr<Bitmap> oldBitmap_;

    std::atomic<uint8_t> progress_{0};
    std::atomic<bool> busy_{false};
    std::atomic<bool> manual_{false};
    std::atomic<bool> stopping_{false};
    std::atomic<bool> reverse_{false};
    std::atomic<uint16_t> delay_{40};
    uint16_t step_ = 4;
    uint8_t style_ = 51;
    bool threaded_ = true;
    ThreadPriority priority_ = ThreadPriority::tpNormal;
    bool painting_ = false;
    bool destroying_ = false;

    int frameDepth_ = 0;  // > 0 while a frame and its events run
    bool stopAfterFrame_ = false;
    int finishingMainRun_ = 0;     // > 0 while a main-thread run's AnimationFinished runs
    bool mainRunPending_ = false;  // a main-thread run was asked for meanwhile; it follows
    // False once the engine is destroyed; a main-thread run keeps a copy to
    // learn that a message handler deleted the engine under it.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    std::shared_ptr<Worker> worker_;
};

}  // namespace orlscr
