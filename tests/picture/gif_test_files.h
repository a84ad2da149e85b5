#pragma once

// Small GIF files written by the tests, through giflib.

#include <gif_lib.h>

#include <cstdint>
#include <vector>

namespace orlscr::test {

using Bytes = std::vector<uint8_t>;

inline int WriteGifBytes(GifFileType* gif, const GifByteType* data, int length) {
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

struct Frame {
    int left, width;
    GifPixelType index;  // the colour of the whole frame
    int disposal;
    int delayCs;
};

// A 4 x 1 screen of palette red, green, blue, white (index 4 transparent),
// the frames in order, and a loop extension when `loops` >= 0.
inline Bytes AnimatedGif(const std::vector<Frame>& frames, int loops) {
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, WriteGifBytes, &error);
    const GifColorType colours[8] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}, {7, 7, 7}};
    ColorMapObject* map = GifMakeMapObject(8, colours);
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, 4, 1, 3, 0, map);
    if (loops >= 0) {
        const GifByteType loop[3] = {1, static_cast<GifByteType>(loops & 0xFF), static_cast<GifByteType>(loops >> 8)};
        EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE);
        EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0");
        EGifPutExtensionBlock(gif, 3, loop);
        EGifPutExtensionTrailer(gif);
    }
    for (const Frame& f : frames) {
        const GifByteType control[4] = {static_cast<GifByteType>(f.disposal << 2 | 1),
                                        static_cast<GifByteType>(f.delayCs & 0xFF),
                                        static_cast<GifByteType>(f.delayCs >> 8), 4};
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control);
        EGifPutImageDesc(gif, f.left, 0, f.width, 1, false, nullptr);
        std::vector<GifPixelType> line(static_cast<size_t>(f.width), f.index);
        EGifPutLine(gif, line.data(), f.width);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

}  // namespace orlscr::test
