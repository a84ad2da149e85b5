#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orlscr::mkscr {

// The chunks of an animated WebP file, read without decoding any picture
// data: the canvas, the animation header and each frame's place, timing and
// compressed data. Only the bytes given are read; everything a reader gives
// lies inside them.

// One frame of the animation. Always holds 0 <= x, 0 <= y, 1 <= width,
// 1 <= height, x + width <= canvas width, y + height <= canvas height, and
// `image` is a whole VP8 or VP8L chunk (its header included).
struct WebpFrame {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t durationMs = 0;
    bool blends = true;      // alpha-blended over the canvas; else it replaces its rectangle
    bool disposes = false;   // its rectangle turns transparent once its time is over
    bool lossless = false;   // VP8L data
    std::string_view alpha;  // the whole ALPH chunk of lossy data, or empty
    std::string_view image;
};

// The animation as its header chunks give it, checked frame by frame.
struct WebpAnimation {
    int32_t width = 0;  // of the canvas
    int32_t height = 0;
    uint32_t background = 0;  // 0xAARRGGBB; a hint only, the canvas starts and is cleared transparent
    int32_t plays = 0;        // 0 for ever
    int32_t frames = 0;       // at least 1
    // Some pixel of a composed canvas may be not fully opaque: the file says
    // it has alpha, the first frame leaves part of the canvas uncovered, or a
    // frame is cleared away.
    bool mayBeTransparent = false;
    std::string_view exif;  // the first EXIF chunk's payload, or empty
};

// Reads the container of a WebP file: none when it is a still picture (no
// extended header with the animation flag). Throws Error "The WebP picture is
// damaged: ..." for chunks that do not lie within the file or the RIFF size,
// a frame outside the canvas or without picture data, an animation header
// missing or after a frame, no frames; kPictureTooLarge for a canvas beyond
// CheckPictureSize. Nothing is kept per frame, so a file of many small frames
// takes no more memory than one of few.
std::optional<WebpAnimation> ReadWebpContainer(std::string_view bytes);

// The frames of a file ReadWebpContainer took, one at a time, in order.
class WebpFrameReader {
  public:
    explicit WebpFrameReader(std::string_view bytes);
    // The next frame; false after the last.
    bool Next(WebpFrame& frame);

  private:
    std::string_view bytes_;
    size_t at_ = 0;
    size_t end_ = 0;
    int32_t canvasWidth_ = 0;
    int32_t canvasHeight_ = 0;
    int32_t index_ = 0;
};

// The frame's data as a still WebP file of the frame's size: RIFF with the
// VP8L chunk, RIFF with the VP8 chunk, or RIFF with an extended header
// marking alpha, the ALPH chunk and the VP8 chunk.
std::string StillWebp(const WebpFrame& frame);

}  // namespace orlscr::mkscr
