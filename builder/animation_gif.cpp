#include "builder/animation_gif.h"

#include <condition_variable>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "raster/bitmap.h"
#include "raster/reduce.h"

namespace orlscr::mkscr {

namespace {

std::string SizeText(PictureSize size) {
    return std::to_string(size.width) + "x" + std::to_string(size.height);
}

// Hands an animation's frames from the decoding thread to one of its own
// that adds them to the GIF, so the next frame is decoded while this one is
// converted. Holds one frame besides the one being added; the GIF gets the
// frames in order and none after the first it leaves out, as when they are
// added on the decoding thread. Always holds: `waiting` only while the slot
// holds a frame the converting thread has not taken up yet.
class FramePipe {
  public:
    FramePipe(AnimationGif& gif, size_t frameBytes) : gif_(gif), slot_(frameBytes) {
        thread_ = std::thread([this] { Run(); });
    }
    ~FramePipe() { Close(); }
    FramePipe(const FramePipe&) = delete;
    FramePipe& operator=(const FramePipe&) = delete;

    // False once a frame has been left out or adding one failed: no more
    // are wanted.
    bool Give(const uint8_t* rgba, int32_t durationMs) {
        std::unique_lock<std::mutex> hold(lock_);
        taken_.wait(hold, [this] { return !waiting_; });
        if (cut_ || failure_)
            return false;
        std::memcpy(slot_.data(), rgba, slot_.size());
        durationMs_ = durationMs;
        waiting_ = true;
        given_.notify_one();
        return true;
    }

    // Waits until every frame given is added; throws what adding one threw.
    // True when a frame was left out.
    bool Finish() {
        Close();
        if (failure_)
            std::rethrow_exception(failure_);
        return cut_;
    }

  private:
    void Close() {
        {
            const std::lock_guard<std::mutex> hold(lock_);
            closed_ = true;
        }
        given_.notify_one();
        if (thread_.joinable())
            thread_.join();
    }

    void Run() {
        std::unique_lock<std::mutex> hold(lock_);
        for (;;) {
            given_.wait(hold, [this] { return waiting_ || closed_; });
            if (!waiting_)
                return;
            bool cut = cut_;
            std::exception_ptr failure;
            if (!cut && !failure_) {
                hold.unlock();  // Give does not touch the slot while it waits
                try {
                    cut = !gif_.Add(slot_.data(), durationMs_);
                } catch (...) {
                    failure = std::current_exception();
                }
                hold.lock();
            }
            cut_ = cut;
            if (failure && !failure_)
                failure_ = failure;
            waiting_ = false;
            taken_.notify_one();
        }
    }

    AnimationGif& gif_;
    std::vector<uint8_t> slot_;
    int32_t durationMs_ = 0;
    std::mutex lock_;
    std::condition_variable given_, taken_;
    bool waiting_ = false, closed_ = false, cut_ = false;
    std::exception_ptr failure_;
    std::thread thread_;  // last, so it starts with everything else made
};

}  // namespace

AnimationGif::AnimationGif(const AnimationInfo& info, const StoreBound& bound, size_t maxBytes)
    : info_(info),
      size_(FitWithin(info.width, info.height, bound)),
      maxBytes_(maxBytes),
      gif_([this](const uint8_t* bytes, size_t size) { bytes_.append(reinterpret_cast<const char*>(bytes), size); },
           size_.width,
           size_.height,
           info.plays,
           info.hasAlpha) {}

bool AnimationGif::Add(const uint8_t* rgba, int32_t durationMs) {
    const size_t pixels = static_cast<size_t>(size_.width) * size_.height;
    std::vector<uint8_t> reduced;
    if (size_.width != info_.width || size_.height != info_.height) {
        std::vector<uint8_t> copy(rgba, rgba + static_cast<size_t>(info_.width) * info_.height * 4);
        reduced = ReduceStraightAlpha(copy, info_.width, info_.height, size_);
        rgba = reduced.data();
    }
    Bitmap frame;
    frame.ResizeForOverwrite(size_.width, size_.height);
    std::vector<uint8_t> shown(info_.hasAlpha ? pixels : 0);
    for (int32_t y = 0; y < size_.height; ++y) {
        const uint8_t* s = rgba + static_cast<size_t>(y) * size_.width * 4;
        uint8_t* d = frame.Row(y);
        for (int32_t x = 0; x < size_.width; ++x, s += 4, d += 3) {
            d[0] = s[2], d[1] = s[1], d[2] = s[0];
            if (info_.hasAlpha)
                shown[static_cast<size_t>(y) * size_.width + x] = s[3] >= 128;
        }
    }
    const int64_t centis = (elapsedMs_ + durationMs + 5) / 10 - writtenCentis_;
    const size_t before = bytes_.size();
    gif_.Add(frame, static_cast<int32_t>(centis * 10), info_.hasAlpha ? shown.data() : nullptr);
    if (frames_ > 0 && bytes_.size() + 1 > maxBytes_) {  // and the end mark
        bytes_.resize(before);
        return false;
    }
    ++frames_;
    elapsedMs_ += durationMs;
    writtenCentis_ += centis;
    return true;
}

MadePicture AnimationGif::Finish() {
    gif_.Finish();
    MadePicture made;
    made.bytes = std::move(bytes_);
    made.extension = "gif";
    made.size = size_;
    return made;
}

std::optional<ConvertedAnimation> ConvertAnimation(std::string_view bytes,
                                                   ImportFormat format,
                                                   const StoreBound& bound,
                                                   size_t maxBytes) {
    AnimationInfo info;
    std::unique_ptr<AnimationGif> gif;
    std::unique_ptr<FramePipe> pipe;  // none when no thread can be had
    bool cut = false;
    AnimationReceiver receiver;
    receiver.begin = [&](const AnimationInfo& given) {
        info = given;
        gif = std::make_unique<AnimationGif>(info, bound, maxBytes);
        try {
            pipe = std::make_unique<FramePipe>(*gif, static_cast<size_t>(info.width) * info.height * 4);
        } catch (const std::system_error&) {
        }
    };
    receiver.frame = [&](const uint8_t* rgba, int32_t durationMs) {
        if (pipe)
            return pipe->Give(rgba, durationMs);
        cut = !gif->Add(rgba, durationMs);
        return !cut;
    };
    if (!ImportAnimation(bytes, format, receiver))
        return std::nullopt;
    if (pipe)
        cut = pipe->Finish();
    ConvertedAnimation converted;
    const int32_t frames = gif->Frames();
    const PictureSize upright{info.width, info.height};
    converted.made = gif->Finish();
    converted.change = std::string("converted animated ") + ImportFormatName(format) + " to GIF, ";
    if (cut)
        converted.change += "its first " + std::to_string(frames) + " of " + std::to_string(info.frames) +
                            " frames: a GIF holds at most " + std::to_string(maxBytes >> 20) + " MB";
    else
        converted.change += std::to_string(frames) + " frames";
    if (!(converted.made.size == upright))
        converted.change += ", reduced " + SizeText(upright) + " to " + SizeText(converted.made.size);
    return converted;
}

}  // namespace orlscr::mkscr
