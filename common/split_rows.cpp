#include "common/split_rows.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

#if defined(_WIN32)
#include <windows.h>
#endif
#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace orlscr {

namespace {

// Below this many pixels (a quarter of a 1920 x 1080 frame) the work takes
// too little time to pay for waking a thread, which under Wine costs a round
// trip to its server each way.
constexpr int64_t kMinPixels = 512 * 1024;
// Small pieces: the one a thread finishes last keeps the other idle briefly.
constexpr int32_t kMaxPieces = 16;

using Work = std::function<void(int32_t, int32_t, int32_t)>;

// The helper's lock and condition. On Windows the system's slim ones: a
// hand-over through them stays in the process (under Wine too), where the
// C++ library's semaphores make a round trip to the system each way.
#if defined(_WIN32)
class Mutex {
  public:
    void lock() { ::AcquireSRWLockExclusive(&lock_); }
    void unlock() { ::ReleaseSRWLockExclusive(&lock_); }
    bool try_lock() { return ::TryAcquireSRWLockExclusive(&lock_) != 0; }
    SRWLOCK* Native() { return &lock_; }

  private:
    SRWLOCK lock_ = SRWLOCK_INIT;
};

class Condition {
  public:
    void notify_one() { ::WakeConditionVariable(&condition_); }
    template <typename Ready>
    void wait(std::unique_lock<Mutex>& lock, Ready ready) {
        while (!ready())
            ::SleepConditionVariableSRW(&condition_, lock.mutex()->Native(), INFINITE, 0);
    }

  private:
    CONDITION_VARIABLE condition_ = CONDITION_VARIABLE_INIT;
};
#else
using Mutex = std::mutex;
using Condition = std::condition_variable;
#endif

// True on a thread while it works on a split's pieces (always on the helper):
// a split made from inside a piece runs on that thread alone, as the helper
// is taken, by the very split that thread works for.
thread_local bool t_inSplit = false;

// The pieces of one split, taken by whichever thread comes first.
class Pieces {
  public:
    Pieces(const Work& work, int32_t count) : work_(work), count_(count), pieces_(RowPieces(count)) {}

    void TakeUntilDone() {
        for (int32_t piece; (piece = next_++) < pieces_;) {
            try {
                work_(piece, Begin(piece), Begin(piece + 1));
            } catch (...) {
                next_ = pieces_;  // no more pieces for anyone
                KeepFailure();
            }
        }
    }

    // Runs `alongside` (when there is one) as if it were a piece: its failure
    // is rethrown once every piece is done.
    void RunAlongside(const std::function<void()>& alongside) {
        if (!alongside)
            return;
        try {
            alongside();
        } catch (...) {
            KeepFailure();
        }
    }

    void RethrowFailure() const {
        if (failure_)
            std::rethrow_exception(failure_);
    }

  private:
    // The first failure is the one rethrown; call from a handler.
    void KeepFailure() {
        const std::lock_guard<std::mutex> lock(failureMutex_);
        if (!failure_)
            failure_ = std::current_exception();
    }

    int32_t Begin(int32_t piece) const { return static_cast<int32_t>(int64_t{count_} * piece / pieces_); }

    const Work& work_;
    const int32_t count_;
    const int32_t pieces_;
    std::atomic<int32_t> next_{0};
    std::mutex failureMutex_;
    std::exception_ptr failure_;
};

// Spins while `busy` holds, for at most `limit`; false when it still holds.
template <typename Busy>
bool SpinWhile(Busy busy, std::chrono::microseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    for (int turn = 1;; ++turn) {
        if (!busy())
            return true;
        if (turn % 64 == 0) {
            if (std::chrono::steady_clock::now() >= until)
                return false;
            // Other work that waits for a processor (the display server
            // drawing the last frame) goes first.
            std::this_thread::yield();
        }
#if defined(__SSE2__)
        _mm_pause();
#endif
    }
}

// How long the helper stays awake for a split after a job or a call to
// ReadyRowHelper, and the caller for a helper still on its last piece: a
// thread put to sleep takes a long while to wake (up to a millisecond under
// Wine in a virtual machine), which would cost a frame that much.
constexpr std::chrono::microseconds kAwakeAfterJob{300};
constexpr std::chrono::microseconds kAwakeWhenReadied{3000};
constexpr std::chrono::microseconds kCallerWaitsAwake{1000};

// One thread that waits for a split, takes its pieces with the caller and
// says when it is done. It lives as long as the process (the system ends it
// with the process, so no exit path has to wait for it).
class RowHelper {
  public:
    RowHelper() {
        std::thread([this] { Serve(); }).detach();
    }

    // False when another caller has the helper (and nothing was run).
    bool Run(Pieces& pieces, const std::function<void()>& alongside) {
        const std::unique_lock<Mutex> caller(callers_, std::try_to_lock);
        if (!caller.owns_lock())
            return false;
        {
            const std::lock_guard<Mutex> lock(mutex_);
            claimed_ = false;
            job_ = &pieces;
        }
        wake_.notify_one();
        pieces.RunAlongside(alongside);
        pieces.TakeUntilDone();
        // A helper that came is at most a piece behind.
        SpinWhile([this] { return claimed_ && job_ != nullptr; }, kCallerWaitsAwake);
        std::unique_lock<Mutex> lock(mutex_);
        if (!claimed_)
            job_ = nullptr;  // the helper never came: the pieces were all the caller's
        else
            done_.wait(lock, [this] { return job_ == nullptr; });
        return true;
    }

    void Ready() {
        {
            const std::lock_guard<Mutex> lock(mutex_);
            readied_ = true;
        }
        wake_.notify_one();
    }

  private:
    bool Waiting() const { return job_ != nullptr && !claimed_; }

    void Serve() {
        t_inSplit = true;
        std::unique_lock<Mutex> lock(mutex_);
        std::chrono::microseconds awake{0};
        for (;;) {
            if (!Waiting() && awake.count() > 0) {
                lock.unlock();
                SpinWhile([this] { return !Waiting(); }, awake);
                lock.lock();
            }
            wake_.wait(lock, [this] { return Waiting() || readied_; });
            if (readied_ && !Waiting()) {
                readied_ = false;
                awake = kAwakeWhenReadied;
                continue;
            }
            readied_ = false;
            Pieces* pieces = job_;
            claimed_ = true;
            lock.unlock();
            pieces->TakeUntilDone();
            lock.lock();
            job_ = nullptr;
            done_.notify_one();
            awake = kAwakeAfterJob;
        }
    }

    Mutex callers_;
    Mutex mutex_;
    Condition wake_;
    Condition done_;
    // Read without the lock while spinning.
    std::atomic<Pieces*> job_{nullptr};
    std::atomic<bool> claimed_{false};
    bool readied_ = false;
};

RowHelper* Helper() {
    static RowHelper* const helper = []() -> RowHelper* {
        if (std::thread::hardware_concurrency() < 2)
            return nullptr;
        try {
            return new RowHelper;  // never deleted: see RowHelper
        } catch (const std::exception&) {
            return nullptr;  // no thread to be had: the caller does it all
        }
    }();
    return helper;
}

}  // namespace

void ReadyRowHelper() {
    if (RowHelper* helper = Helper())
        helper->Ready();
}

int32_t RowPieces(int32_t count) {
    return std::clamp(count, 1, kMaxPieces);
}

void SplitRows(int32_t count, int64_t pixels, const Work& work) {
    SplitRows(count, pixels, work, nullptr);
}

void SplitRows(int32_t count, int64_t pixels, const Work& work, const std::function<void()>& alongside) {
    if (count <= 0) {
        if (alongside)
            alongside();
        return;
    }
    Pieces pieces(work, count);
    RowHelper* helper = count >= 2 && pixels >= kMinPixels && !t_inSplit ? Helper() : nullptr;
    const bool outer = !t_inSplit;
    t_inSplit = true;
    if (!helper || !helper->Run(pieces, alongside)) {
        pieces.RunAlongside(alongside);
        pieces.TakeUntilDone();
    }
    t_inSplit = !outer;
    pieces.RethrowFailure();
}

}  // namespace orlscr
