#include "common/split_rows.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace orlscr {

namespace {

// Below this many pixels a frame's rows take less time than waking a thread.
constexpr int64_t kMinPixels = 64 * 1024;

// One thread that waits for a range of rows, runs it and says so. It lives
// as long as the process (the system ends it with the process, so no exit
// path has to wait for it).
class RowHelper {
  public:
    RowHelper() {
        std::thread([this] { Serve(); }).detach();
    }

    // False when another caller has the helper.
    bool Run(const std::function<void(int32_t, int32_t)>& work, int32_t helperEnd, int32_t count) {
        std::unique_lock<std::mutex> caller(callers_, std::try_to_lock);
        if (!caller.owns_lock())
            return false;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            work_ = &work;
            end_ = helperEnd;
            failure_ = nullptr;
        }
        wake_.notify_one();
        std::exception_ptr mine;
        try {
            work(helperEnd, count);
        } catch (...) {
            mine = std::current_exception();
        }
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [this] { return work_ == nullptr; });
        if (mine)
            std::rethrow_exception(mine);
        if (failure_)
            std::rethrow_exception(failure_);
        return true;
    }

  private:
    void Serve() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return work_ != nullptr; });
            const auto* work = work_;
            const int32_t end = end_;
            lock.unlock();
            std::exception_ptr failure;
            try {
                (*work)(0, end);
            } catch (...) {
                failure = std::current_exception();
            }
            lock.lock();
            failure_ = failure;
            work_ = nullptr;
            done_.notify_one();
        }
    }

    std::mutex callers_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    const std::function<void(int32_t, int32_t)>* work_ = nullptr;
    int32_t end_ = 0;
    std::exception_ptr failure_;
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

void SplitRows(int32_t count, int64_t pixels, const std::function<void(int32_t begin, int32_t end)>& work) {
    if (count <= 0)
        return;
    if (count >= 2 && pixels >= kMinPixels) {
        if (RowHelper* helper = Helper(); helper && helper->Run(work, count / 2, count))
            return;
    }
    work(0, count);
}

}  // namespace orlscr
