#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "builder/picture_import.h"
#include "builder/stored_picture.h"
#include "picture/gif_encode.h"

namespace orlscr::mkscr {

// The largest GIF an animation is made into. The frames are encoded as they
// come, so this (with a few frames of the canvas' size) is what converting an
// animation holds; the frames that would go beyond it are left out.
inline constexpr size_t kMaxAnimationGifBytes = size_t{64} << 20;

// An animation made into an animated GIF, the animation format the slide
// viewer plays: each frame reduced within the bound like a still, given a
// palette of its own with error diffusion, its time kept to the hundredth of
// a second (the format's unit; rounding errors do not add up over frames),
// the number of plays kept. Pixels less than half opaque become the GIF's
// transparent index, the others are kept opaque.
class AnimationGif {
  public:
    AnimationGif(const AnimationInfo& info, const StoreBound& bound, size_t maxBytes = kMaxAnimationGifBytes);

    // A frame as ImportAnimation gives it. False when it would take the GIF
    // beyond its bytes: it is left out, and so should every later frame be.
    // The first frame is always taken.
    bool Add(const uint8_t* rgba, int32_t durationMs);
    // The GIF file; nothing may follow.
    MadePicture Finish();

    int32_t Frames() const { return frames_; }
    PictureSize Size() const { return size_; }

  private:
    AnimationInfo info_;
    PictureSize size_;
    size_t maxBytes_;
    std::string bytes_;
    GifEncoder gif_;
    int32_t frames_ = 0;
    int64_t elapsedMs_ = 0;      // the frames' times added up
    int64_t writtenCentis_ = 0;  // what the frames written so far last
};

// An animated picture converted as above, with what the report says of it
// ("converted animated WebP to GIF, 48 frames"); none when this build does
// not give the format's frames. Throws Error as ImportAnimation. The next
// frame is decoded while one is converted, on a thread of its own.
struct ConvertedAnimation {
    MadePicture made;
    std::string change;
};
std::optional<ConvertedAnimation> ConvertAnimation(std::string_view bytes,
                                                   ImportFormat format,
                                                   const StoreBound& bound,
                                                   size_t maxBytes = kMaxAnimationGifBytes);

}  // namespace orlscr::mkscr
