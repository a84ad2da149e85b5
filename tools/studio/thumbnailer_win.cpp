#include "tools/studio/thumbnailer_win.h"

#include <memory>

#include "picture/load.h"

namespace orlscr::studio {

Thumbnailer::Thumbnailer(HWND window, UINT message) : window_(window), message_(message) {
    worker_ = std::thread([this] { Run(); });
}

Thumbnailer::~Thumbnailer() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ending_ = true;
        jobs_.clear();
    }
    wake_.notify_all();
    worker_.join();
}

void Thumbnailer::Request(const std::string& path, int width, int height) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        jobs_.push_back(Job{path, width, height});
    }
    wake_.notify_one();
}

void Thumbnailer::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    jobs_.clear();
}

void Thumbnailer::Run() {
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return ending_ || !jobs_.empty(); });
            if (ending_)
                return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        auto result = std::make_unique<Thumbnail>();
        try {
            result->checked = CheckedSlide(job.path);
            if (result->checked.refusal.empty()) {
                try {
                    result->picture = LoadSlidePicture(job.path, job.width, job.height);
                } catch (const std::exception&) {
                    // Taken, but made into slides at build time (a presentation,
                    // a format the viewer does not read): listed without a thumbnail.
                }
            }
        } catch (const std::exception& e) {
            result->checked = StudioSlide{job.path, {}, e.what(), std::string(), true};
        }
        if (PostMessageW(window_, message_, 0, reinterpret_cast<LPARAM>(result.get())))
            result.release();
    }
}

}  // namespace orlscr::studio
