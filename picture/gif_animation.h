#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "raster/bitmap.h"

namespace orlscr {

// The frames of a GIF file, decoded one at a time as they are shown: each
// Next() reads the file's next frame and lays it on the logical screen (the
// canvas) after the previous frame's disposal, so memory stays at the canvas,
// one saved copy of it for "restore to previous" frames and a line, whatever
// the number of frames. Transparent pixels, areas no frame has covered and
// areas restored "to the background" show `background` (low byte red, then
// green, then blue), as a slide's background shows through them.
//
// The bytes are not copied: they must outlive the object.
class GifAnimation {
  public:
    // Reads the header and the logical screen. Throws Error as DecodeGif.
    GifAnimation(const uint8_t* data, size_t size, uint32_t background);
    ~GifAnimation();
    GifAnimation(const GifAnimation&) = delete;
    GifAnimation& operator=(const GifAnimation&) = delete;

    // Lays the next frame on the canvas: true, or false at the end of the
    // file (the canvas keeps the last frame; Restart() begins the next loop).
    // Throws Error ("The GIF picture is damaged: ...") for a frame that cannot
    // be read, the canvas keeping what was drawn; a file without any frame is
    // damaged too.
    bool Next();
    // Back to before the first frame, for the next loop.
    void Restart();

    const Bitmap& Canvas() const { return canvas_; }
    // The canvas moved out; only Restart() may follow.
    Bitmap TakeCanvas() { return std::move(canvas_); }
    // How long the frame last laid stays, in milliseconds. Delays of 10 ms or
    // less are taken as 100 ms, as browsers take them (files that mean "as
    // fast as possible" would otherwise race).
    int32_t DelayMs() const { return delayMs_; }
    // Frames laid since the start or the last Restart().
    int32_t FrameIndex() const { return frameIndex_; }
    // How often the whole animation plays, as far as read so far: 1 without a
    // loop extension, 0 for ever, else the extension's count plus one (the
    // count says how often it repeats).
    int32_t Plays() const { return plays_; }

    // Why the records after the frames read so far do not reach the file's
    // end (a file cut short or corrupt); empty when they do. Reads the rest of
    // the file without drawing; Next() then finds the end.
    std::string DamageInRest();

  private:
    struct Reader;
    void Open();

    const uint8_t* data_;
    size_t size_;
    uint8_t background_[3];  // blue, green, red
    std::unique_ptr<Reader> reader_;
    Bitmap canvas_;
    Bitmap saved_;  // the canvas before a "restore to previous" frame
    Rect disposeRect_{};
    int disposal_ = 0;  // of the frame last laid, done before the next one
    int32_t delayMs_ = 0;
    int32_t frameIndex_ = 0;
    int32_t plays_ = 1;
    bool ended_ = false;  // the end record was read
};

// Whether the bytes are a GIF file with more than one frame (reads the records
// without decoding the pixels; a file it cannot read is not).
bool IsAnimatedGif(const uint8_t* data, size_t size);

}  // namespace orlscr
