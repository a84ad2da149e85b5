#include "common/split_rows.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace orlscr {

namespace {

// Below this many pixels (a quarter of a 1920 x 1080 frame) the work takes
// too little time to pay for waking a thread, which under Wine costs a round
// trip to its server each way.
constexpr int64_t kMinPixels = 512 * 1024;
constexpr int32_t kMaxPieces = 8;

using Work = std::function<void(int32_t, int32_t, int32_t)>;

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
                const std::lock_guard<std::mutex> lock(failureMutex_);
                if (!failure_)
                    failure_ = std::current_exception();
            }
        }
    }

    void RethrowFailure() const {
        if (failure_)
            std::rethrow_exception(failure_);
    }

  private:
    int32_t Begin(int32_t piece) const { return static_cast<int32_t>(int64_t{count_} * piece / pieces_); }

    const Work& work_;
    const int32_t count_;
    const int32_t pieces_;
    std::atomic<int32_t> next_{0};
    std::mutex failureMutex_;
    std::exception_ptr failure_;
};

// One thread that waits for a split, takes its pieces with the caller and
// says when it is done. It lives as long as the process (the system ends it
// with the process, so no exit path has to wait for it).
class RowHelper {
  public:
    RowHelper() {
        std::thread([this] { Serve(); }).detach();
    }

    // False when another caller has the helper.
    bool Run(Pieces& pieces) {
        const std::unique_lock<std::mutex> caller(callers_, std::try_to_lock);
        if (!caller.owns_lock())
            return false;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            job_ = &pieces;
            claimed_ = false;
        }
        wake_.notify_one();
        pieces.TakeUntilDone();
        std::unique_lock<std::mutex> lock(mutex_);
        if (!claimed_)
            job_ = nullptr;  // the helper never came: the pieces were all the caller's
        else
            done_.wait(lock, [this] { return job_ == nullptr; });
        return true;
    }

  private:
    void Serve() {
        t_inSplit = true;
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return job_ != nullptr && !claimed_; });
            Pieces* pieces = job_;
            claimed_ = true;
            lock.unlock();
            pieces->TakeUntilDone();
            lock.lock();
            job_ = nullptr;
            done_.notify_one();
        }
    }

    std::mutex callers_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    Pieces* job_ = nullptr;
    bool claimed_ = false;
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

int32_t RowPieces(int32_t count) {
    return std::clamp(count, 1, kMaxPieces);
}

void SplitRows(int32_t count, int64_t pixels, const Work& work) {
    if (count <= 0)
        return;
    Pieces pieces(work, count);
    RowHelper* helper = count >= 2 && pixels >= kMinPixels && !t_inSplit ? Helper() : nullptr;
    const bool outer = !t_inSplit;
    t_inSplit = true;
    if (!helper || !helper->Run(pieces))
        pieces.TakeUntilDone();
    t_inSplit = !outer;
    pieces.RethrowFailure();
}

}  // namespace orlscr
