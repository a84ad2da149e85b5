#include "tools/slideview/slide_animation.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

#include "common/c_file.h"
#include "common/error.h"
#include "common/path.h"
#include "common/read_file.h"
#include "picture/load.h"

namespace orlscr {

SlideAnimation::SlideAnimation(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {
    gif_ = std::make_unique<GifAnimation>(bytes_.data(), bytes_.size(), 0);
    gif_->Next();
}

void SlideAnimation::Start(uint32_t now) {
    due_ = now + static_cast<uint32_t>(gif_->DelayMs());
}

std::optional<uint32_t> SlideAnimation::WaitMs(uint32_t now) const {
    if (over_)
        return std::nullopt;
    const int32_t left = static_cast<int32_t>(due_ - now);
    return left > 0 ? static_cast<uint32_t>(left) : 0u;
}

bool SlideAnimation::Update(uint32_t now) {
    if (over_ || static_cast<int32_t>(now - due_) < 0)
        return false;
    try {
        if (!gif_->Next()) {
            ++played_;
            const int32_t plays = gif_->Plays();
            if (plays != 0 && played_ >= plays) {
                over_ = true;
                return false;
            }
            gif_->Restart();
            gif_->Next();
        }
    } catch (const Error&) {
        over_ = true;
        return false;
    }
    due_ += static_cast<uint32_t>(gif_->DelayMs());
    if (static_cast<int32_t>(due_ - now) < 0)
        due_ = now + static_cast<uint32_t>(gif_->DelayMs());
    return true;
}

namespace {

bool StartsAsGif(const std::string& path) {
    UniqueCFile file(std::fopen(path.c_str(), "rb"));
    char head[4] = {};
    return file && std::fread(head, 1, sizeof head, file.get()) == sizeof head && std::memcmp(head, "GIF8", 4) == 0;
}

}  // namespace

LoadedSlide LoadSlide(const std::string& path, int32_t target_width, int32_t target_height, bool still) {
    LoadedSlide slide;
    if (!still && StartsAsGif(path)) {
        const std::string name = FileNameOf(path, NoLeadBytes);
        try {
            std::vector<uint8_t> bytes = ReadFileBytes(path, kMaxPictureFileBytes);
            if (IsAnimatedGif(bytes.data(), bytes.size())) {
                slide.animation = std::make_unique<SlideAnimation>(std::move(bytes));
                return slide;
            }
        } catch (const std::bad_alloc&) {
            throw Error(name + ": not enough memory for the picture");
        } catch (const FileReadError& error) {
            throw Error(name + ": " + error.Detail());
        } catch (const Error& error) {
            throw Error(name + ": " + error.what());
        }
    }
    slide.picture = DecodeSlidePicture(path, target_width, target_height);
    return slide;
}

}  // namespace orlscr
