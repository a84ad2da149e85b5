#include "builder/animation_gif.h"

#include <memory>
#include <utility>

#include "raster/bitmap.h"
#include "raster/reduce.h"

namespace orlscr::mkscr {

namespace {

std::string SizeText(PictureSize size) {
    return std::to_string(size.width) + "x" + std::to_string(size.height);
}

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
                                                   const StoreBound& bound) {
    AnimationInfo info;
    std::unique_ptr<AnimationGif> gif;
    bool cut = false;
    AnimationReceiver receiver;
    receiver.begin = [&](const AnimationInfo& given) {
        info = given;
        gif = std::make_unique<AnimationGif>(info, bound);
    };
    receiver.frame = [&](const uint8_t* rgba, int32_t durationMs) {
        cut = !gif->Add(rgba, durationMs);
        return !cut;
    };
    if (!ImportAnimation(bytes, format, receiver))
        return std::nullopt;
    ConvertedAnimation converted;
    const int32_t frames = gif->Frames();
    const PictureSize upright{info.width, info.height};
    converted.made = gif->Finish();
    converted.change = std::string("converted animated ") + ImportFormatName(format) + " to GIF, ";
    if (cut)
        converted.change += "its first " + std::to_string(frames) + " of " + std::to_string(info.frames) +
                            " frames: a GIF holds at most " + std::to_string(kMaxAnimationGifBytes >> 20) + " MB";
    else
        converted.change += std::to_string(frames) + " frames";
    if (!(converted.made.size == upright))
        converted.change += ", reduced " + SizeText(upright) + " to " + SizeText(converted.made.size);
    return converted;
}

}  // namespace orlscr::mkscr
