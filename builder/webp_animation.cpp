#include "builder/webp_animation.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "builder/webp_container.h"
#include "common/error.h"

namespace orlscr::mkscr {

namespace {

// Straight-alpha source over destination, in the integer steps of libwebp's
// animation decoder, so that frames made here match those mkscr makes on
// Linux to the bit: the destination's weight is its alpha times (256 - the
// source's) / 256, and each colour the weighted sum times 2^24 / the new alpha,
// shifted down. An opaque source replaces, a transparent one leaves alone.
void Blend(const uint8_t* src, uint8_t* dst) {
    const uint32_t srcAlpha = src[3];
    if (srcAlpha == 255) {
        std::memcpy(dst, src, 4);
        return;
    }
    if (srcAlpha == 0)
        return;
    const uint32_t dstWeight = (dst[3] * (256 - srcAlpha)) >> 8;
    const uint32_t alpha = srcAlpha + dstWeight;
    const uint32_t scale = (uint32_t{1} << 24) / alpha;
    for (int c = 0; c < 3; ++c)
        dst[c] = static_cast<uint8_t>(((src[c] * srcAlpha + dst[c] * dstWeight) * scale) >> 24);
    dst[3] = static_cast<uint8_t>(alpha);
}

// Draws the decoded frame (frame.width x frame.height RGBA) onto the canvas.
// Where it does not blend, and on pixels just cleared (`cleared`, the
// rectangle of the frame before when it was cleared away; none for nullptr),
// its pixels replace the canvas' as they are, the colour of a transparent
// pixel too: so libwebp's decoder draws onto what it knows is clear.
void Draw(std::vector<uint8_t>& canvas,
          int32_t canvasWidth,
          const WebpFrame& frame,
          const uint8_t* pixels,
          bool blends,
          const WebpFrame* cleared) {
    const size_t rowBytes = static_cast<size_t>(frame.width) * 4;
    for (int32_t y = frame.y; y < frame.y + frame.height; ++y) {
        const uint8_t* s = pixels + static_cast<size_t>(y - frame.y) * rowBytes;
        uint8_t* d = canvas.data() + (static_cast<size_t>(y) * canvasWidth + frame.x) * 4;
        if (!blends) {
            std::memcpy(d, s, rowBytes);
            continue;
        }
        int32_t copyFrom = 0, copyTo = 0;  // the clear span of the row, in the frame's columns
        if (cleared && y >= cleared->y && y < cleared->y + cleared->height) {
            copyFrom = std::max(cleared->x - frame.x, 0);
            copyTo = std::min(cleared->x + cleared->width - frame.x, frame.width);
        }
        for (int32_t x = 0; x < frame.width; ++x, s += 4, d += 4) {
            if (x >= copyFrom && x < copyTo)
                std::memcpy(d, s, 4);
            else
                Blend(s, d);
        }
    }
}

void Clear(std::vector<uint8_t>& canvas, int32_t canvasWidth, const WebpFrame& frame) {
    for (int32_t y = 0; y < frame.height; ++y)
        std::memset(canvas.data() + (static_cast<size_t>(frame.y + y) * canvasWidth + frame.x) * 4, 0,
                    static_cast<size_t>(frame.width) * 4);
}

}  // namespace

bool ComposeWebpAnimation(std::string_view bytes, const WebpStillDecoder& decode, const AnimationReceiver& receiver) {
    const std::optional<WebpAnimation> animation = ReadWebpContainer(bytes);
    if (!animation)
        return false;
    const int orientation = animation->exif.empty() ? 1 : ExifPayloadOrientation(animation->exif);
    const bool swaps = orientation >= 5 && orientation <= 8;
    AnimationInfo info;
    info.width = swaps ? animation->height : animation->width;
    info.height = swaps ? animation->width : animation->height;
    info.plays = animation->plays;
    info.frames = animation->frames;
    info.hasAlpha = animation->mayBeTransparent;
    receiver.begin(info);

    std::vector<uint8_t> canvas(static_cast<size_t>(animation->width) * animation->height * 4, 0);
    ImportedPicture upright;  // the canvas turned, when the EXIF data turns it
    WebpFrameReader reader(bytes);
    WebpFrame frame, previous;
    bool afresh = true;  // the canvas is wholly transparent before this frame
    for (int32_t index = 0; reader.Next(frame); ++index) {
        if (index > 0) {
            // A frame that covered the canvas, or drew onto a clear one, leaves
            // it clear when it is cleared away. A frame drawn onto a clear
            // canvas is copied, as libwebp's decoder copies a key frame.
            const bool covered = previous.width == animation->width && previous.height == animation->height;
            afresh = previous.disposes && (covered || afresh);
            if (previous.disposes)
                Clear(canvas, animation->width, previous);
        }
        const ImportedPicture pixels = decode(StillWebp(frame));
        if (pixels.width != frame.width || pixels.height != frame.height ||
            pixels.rgba.size() != static_cast<size_t>(frame.width) * frame.height * 4)
            throw Error("The WebP picture is damaged: frame " + std::to_string(index + 1) +
                        " is not the size its header gives");
        Draw(canvas, animation->width, frame, pixels.rgba.data(), frame.blends && !afresh,
             index > 0 && previous.disposes ? &previous : nullptr);
        const uint8_t* shown = canvas.data();
        if (orientation != 1) {
            upright.width = animation->width;
            upright.height = animation->height;
            upright.rgba = canvas;
            OrientImported(upright, orientation);
            shown = upright.rgba.data();
        }
        if (!receiver.frame(shown, frame.durationMs))
            break;
        previous = frame;
    }
    return true;
}

std::optional<ImportedPicture> FirstWebpFrame(std::string_view bytes, const WebpStillDecoder& decode) {
    const std::optional<WebpAnimation> animation = ReadWebpContainer(bytes);
    if (!animation)
        return std::nullopt;
    ImportedPicture picture;
    AnimationReceiver receiver;
    receiver.begin = [&](const AnimationInfo& info) {
        picture.width = info.width;
        picture.height = info.height;
        picture.frames = info.frames;
    };
    receiver.frame = [&](const uint8_t* rgba, int32_t) {
        picture.rgba.assign(rgba, rgba + static_cast<size_t>(picture.width) * picture.height * 4);
        return false;
    };
    ComposeWebpAnimation(bytes, decode, receiver);
    WebpFrame first;
    WebpFrameReader(bytes).Next(first);
    picture.lossless = first.lossless;
    if (!animation->exif.empty())
        picture.dateTaken = ExifPayloadDate(animation->exif);
    FindAlpha(picture);
    return picture;
}

}  // namespace orlscr::mkscr
