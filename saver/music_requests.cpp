#include "saver/music_requests.h"

#include <chrono>
#include <utility>

namespace orlscr {

void MusicRequests::Start(const TSSFileLocations& settings, const std::string& tempDir, LeadBytePredicate isLeadByte) {
    MusicRequest request;
    request.kind = MusicRequest::Kind::Start;
    request.settings = settings;
    request.tempDir = tempDir;
    request.isLeadByte = isLeadByte;
    Post(std::move(request));
}

bool MusicRequests::Finish(uint32_t boundMs) {
    MusicRequest request;
    request.kind = MusicRequest::Kind::Finish;
    Post(std::move(request));
    std::unique_lock<std::mutex> lock(mutex_);
    return finished_.wait_for(lock, std::chrono::milliseconds(boundMs), [this] { return finishedFlag_; });
}

void MusicRequests::Post(MusicRequest request) {
    std::function<void()> wake;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (finishPosted_)
            return;
        finishPosted_ = request.kind == MusicRequest::Kind::Finish;
        queue_.push_back(std::move(request));
        wake = wake_;
    }
    if (wake)
        wake();
}

void MusicRequests::SetWake(std::function<void()> wake) {
    std::lock_guard<std::mutex> lock(mutex_);
    wake_ = std::move(wake);
}

std::deque<MusicRequest> MusicRequests::Take() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(queue_, {});
}

void MusicRequests::SetFinished() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        finishedFlag_ = true;
    }
    finished_.notify_all();
}

bool MusicRequests::Finished() {
    std::lock_guard<std::mutex> lock(mutex_);
    return finishedFlag_;
}

MusicWorker::MusicWorker(SoundDevice& device) : device_(device) {}

bool MusicWorker::Serve(MusicRequests& requests) {
    for (MusicRequest& request : requests.Take()) {
        if (finished_)
            break;
        if (request.kind == MusicRequest::Kind::Start) {
            if (music_)
                continue;
            settings_ = std::move(request.settings);
            music_ = std::make_unique<Music>(settings_, device_, std::move(request.tempDir), request.isLeadByte);
            music_->Start();
        } else {
            finished_ = true;
            if (music_)
                music_->Shutdown();
            requests.SetFinished();
        }
    }
    return finished_;
}

void MusicWorker::Notify(bool failed) {
    if (music_ && !finished_)
        music_->mpSaverNotify(failed);
}

}  // namespace orlscr
