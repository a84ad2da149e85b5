// GIF files through giflib's record writer.

#include "picture/gif_encode.h"

#include <gif_lib.h>

#include <algorithm>
#include <exception>
#include <new>
#include <string>

#include "common/error.h"
#include "raster/colour_quantiser.h"

namespace orlscr {

namespace {

// What a frame leaves for the next one (the GIF disposal methods written).
enum EncodedDisposal { kLeaveFrame = 1, kClearFrame = 2 };

// Where giflib's writes go. What the sink throws is kept here, as it must not
// pass through giflib's C frames; once closed, nothing more reaches the sink.
struct SinkState {
    GifEncoder::Sink sink;
    std::exception_ptr failure;
    bool closed = false;
};

extern "C" int WriteToSink(GifFileType* gif, const GifByteType* bytes, int count) {
    auto* state = static_cast<SinkState*>(gif->UserData);
    if (state->failure || state->closed)
        return 0;
    try {
        state->sink(bytes, static_cast<size_t>(std::max(count, 0)));
        return count;
    } catch (...) {
        state->failure = std::current_exception();
        return 0;
    }
}

}  // namespace

// Always holds: `gif` is open from the constructor until Finish.
struct GifEncoder::State {
    SinkState out;
    GifFileType* gif = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    bool transparency = false;

    ~State() {
        if (gif) {
            out.closed = true;  // an encoder dropped unfinished writes nothing more
            int ignored = 0;
            EGifCloseFile(gif, &ignored);
        }
    }

    [[noreturn]] void Fail(const char* what) {
        if (out.failure)
            std::rethrow_exception(out.failure);
        throw Error(std::string("cannot write the GIF picture: ") + what);
    }
};

GifEncoder::GifEncoder(Sink sink, int32_t width, int32_t height, int32_t plays, bool transparency)
    : state_(std::make_unique<State>()) {
    // The format keeps sizes in 16 bits.
    if (width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF)
        throw Error("cannot write the GIF picture: a GIF picture is at most 65535 pixels wide and high");
    State& s = *state_;
    s.out.sink = std::move(sink);
    s.width = width;
    s.height = height;
    s.transparency = transparency;
    int error = 0;
    s.gif = EGifOpen(&s.out, WriteToSink, &error);
    if (!s.gif)
        throw std::bad_alloc();
    // No global palette: every frame brings its own.
    EGifSetGifVersion(s.gif, true);
    if (EGifPutScreenDesc(s.gif, width, height, 8, 0, nullptr) == GIF_ERROR)
        s.Fail("screen");
    if (plays == 1)
        return;  // no loop extension: played once
    // The extension counts the repeats after the first play; 0 is for ever.
    const int repeats = plays <= 0 ? 0 : std::min(plays - 1, 0xFFFF);
    const GifByteType netscape[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    const GifByteType loop[] = {1, static_cast<GifByteType>(repeats & 0xFF), static_cast<GifByteType>(repeats >> 8)};
    if (EGifPutExtensionLeader(s.gif, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
        EGifPutExtensionBlock(s.gif, sizeof netscape, netscape) == GIF_ERROR ||
        EGifPutExtensionBlock(s.gif, sizeof loop, loop) == GIF_ERROR || EGifPutExtensionTrailer(s.gif) == GIF_ERROR)
        s.Fail("loop");
}

GifEncoder::~GifEncoder() = default;

void GifEncoder::Add(const Bitmap& frame, int32_t delayMs, const uint8_t* shown) {
    State& s = *state_;
    if (!s.gif || frame.Width() != s.width || frame.Height() != s.height)
        s.Fail("frame");
    if (!s.transparency)
        shown = nullptr;
    // With transparency one index is kept for it, after the frame's colours.
    PalettedPicture paletted = QuantiseColours(frame, shown ? 255 : 256, shown);
    const int transparent = shown ? static_cast<int>(paletted.palette.size()) : NO_TRANSPARENT_COLOR;
    if (shown) {
        const size_t count = paletted.indexes.size();
        for (size_t i = 0; i < count; ++i)
            if (!shown[i])
                paletted.indexes[i] = static_cast<uint8_t>(transparent);
    }
    GifColorType colours[256] = {};
    for (size_t i = 0; i < paletted.palette.size(); ++i)
        colours[i] = GifColorType{paletted.palette[i].red, paletted.palette[i].green, paletted.palette[i].blue};
    ColorMapObject* map = GifMakeMapObject(256, colours);
    if (!map)
        throw std::bad_alloc();

    GraphicsControlBlock control{};
    control.DisposalMode = s.transparency ? kClearFrame : kLeaveFrame;
    control.DelayTime = std::clamp((delayMs + 5) / 10, 0, 0xFFFF);
    control.TransparentColor = transparent;
    GifByteType extension[4];
    const size_t length = EGifGCBToExtension(&control, extension);
    const bool described =
        EGifPutExtension(s.gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) != GIF_ERROR &&
        EGifPutImageDesc(s.gif, 0, 0, s.width, s.height, false, map) != GIF_ERROR;
    GifFreeMapObject(map);
    if (!described)
        s.Fail("frame");
    for (int32_t y = 0; y < s.height; ++y)
        if (EGifPutLine(s.gif, paletted.indexes.data() + static_cast<size_t>(y) * s.width, s.width) == GIF_ERROR)
            s.Fail("pixels");
}

void GifEncoder::Finish() {
    State& s = *state_;
    if (!s.gif)
        s.Fail("closed");
    int error = 0;
    GifFileType* gif = s.gif;
    s.gif = nullptr;
    if (EGifCloseFile(gif, &error) == GIF_ERROR)
        s.Fail("end");
}

}  // namespace orlscr
