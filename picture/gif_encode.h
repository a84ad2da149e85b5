#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "raster/bitmap.h"

namespace orlscr {

// Writes an animated GIF one frame at a time, so a long animation is never
// held whole. Every frame covers the whole screen with a palette of its own
// (QuantiseColours: its colours exactly when they are few, else error
// diffusion). Throws Error, or what the sink throws.
class GifEncoder {
  public:
    // Receives the file's bytes in order.
    using Sink = std::function<void(const uint8_t* bytes, size_t size)>;

    // `plays`: how often the animation plays, 0 for ever (as
    // GifAnimation::Plays reads it back). With `transparency`, frames may
    // have pixels not shown (see Add); each frame is then cleared to the
    // background when its time is over, so the next one's transparent pixels
    // do not show it.
    GifEncoder(Sink sink, int32_t width, int32_t height, int32_t plays, bool transparency = false);
    ~GifEncoder();
    GifEncoder(const GifEncoder&) = delete;
    GifEncoder& operator=(const GifEncoder&) = delete;

    // A frame of the screen's size, shown for `delayMs` (kept in hundredths
    // of a second, the format's unit). `shown` (with transparency only) holds
    // one flag a pixel as QuantiseColours takes it: pixels flagged zero get
    // the GIF's transparent index.
    void Add(const Bitmap& frame, int32_t delayMs, const uint8_t* shown = nullptr);
    // Writes the end of the file; no frame may follow.
    void Finish();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace orlscr
