#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "picture/gif_animation.h"
#include "raster/bitmap.h"

namespace orlscr {

// An animated slide during its stay: its frames one after another, each for
// its own delay, the whole animation as often as the file says (then the last
// frame stays). Frames are decoded one at a time as they fall due, so a slide
// holds its file's bytes and about three canvases however many frames it has.
// Times are a millisecond tick counter, compared by unsigned subtraction.
class SlideAnimation {
  public:
    // Takes the bytes of an animated GIF and lays its first frame. Throws
    // Error as DecodeGif.
    explicit SlideAnimation(std::vector<uint8_t> bytes);

    const Bitmap& Frame() const { return gif_->Canvas(); }
    int32_t FrameIndex() const { return gif_->FrameIndex(); }

    // The frame on show came on screen at `now`.
    void Start(uint32_t now);
    // Milliseconds from `now` until the next frame is due (0: due already),
    // nullopt when the animation has come to its end.
    std::optional<uint32_t> WaitMs(uint32_t now) const;
    // Lays the next frame when it is due at `now`: true when Frame() changed.
    // A machine that falls behind slows the animation instead of skipping
    // frames or catching up in a burst. A frame that cannot be decoded ends
    // the animation on the frame before it.
    bool Update(uint32_t now);

  private:
    std::vector<uint8_t> bytes_;
    std::unique_ptr<GifAnimation> gif_;
    uint32_t due_ = 0;
    int32_t played_ = 0;  // whole plays finished
    bool over_ = false;
};

// A slide's picture as the viewer shows it: for an animated GIF (unless
// `still`) its animation with the first frame, else the decoded picture of
// DecodeSlidePicture (the first frame of a GIF). Throws Error with a reason
// that starts with the file's name.
struct LoadedSlide {
    Bitmap picture;  // empty when `animation` holds the frame
    std::unique_ptr<SlideAnimation> animation;

    const Bitmap& Shown() const { return animation ? animation->Frame() : picture; }
};
LoadedSlide LoadSlide(const std::string& path, int32_t target_width, int32_t target_height, bool still);

}  // namespace orlscr
