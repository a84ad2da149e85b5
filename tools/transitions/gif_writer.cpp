#include <fcntl.h>
#include <gif_lib.h>
#include <unistd.h>

#include <vector>

#include "common/error.h"
#include "tools/transitions/colour_quantiser.h"
#include "tools/transitions/image_io.h"

namespace orlscr::tool {

struct GifWriter::State {
    AtomicOutput out;
    GifFileType* gif = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int delayMs = 0;

    explicit State(const std::string& path) : out(path) {}
    ~State() {
        if (gif) {
            int ignored = 0;
            EGifCloseFile(gif, &ignored);
        }
    }
};

GifWriter::GifWriter(const std::string& path, int32_t width, int32_t height, int delayMs)
    : AnimationWriter(path), state_(std::make_unique<State>(path)) {
    // The format keeps sizes in 16 bits.
    if (width > 0xFFFF || height > 0xFFFF)
        throw Error("Cannot write " + path + ": a GIF picture is at most 65535 pixels wide and high");
    State& s = *state_;
    s.width = width;
    s.height = height;
    s.delayMs = delayMs;
    // Created as any other file of the user (giflib's own open makes it private).
    const int handle = ::open(s.out.TempPath().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (handle < 0)
        throw Error("Cannot create file " + path);
    int error = 0;
    s.gif = EGifOpenFileHandle(handle, &error);
    if (!s.gif) {
        ::close(handle);
        throw Error("Cannot create file " + path);
    }
    // No global palette: every frame brings its own.
    EGifSetGifVersion(s.gif, true);
    if (EGifPutScreenDesc(s.gif, width, height, 8, 0, nullptr) == GIF_ERROR)
        Fail("screen");
    // Loop for ever.
    const GifByteType netscape[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    const GifByteType loop[] = {1, 0, 0};
    if (EGifPutExtensionLeader(s.gif, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
        EGifPutExtensionBlock(s.gif, sizeof netscape, netscape) == GIF_ERROR ||
        EGifPutExtensionBlock(s.gif, sizeof loop, loop) == GIF_ERROR || EGifPutExtensionTrailer(s.gif) == GIF_ERROR)
        Fail("loop");
}

GifWriter::~GifWriter() = default;

void GifWriter::Add(const Bitmap& frame) {
    State& s = *state_;
    if (!s.gif || frame.Width() != s.width || frame.Height() != s.height)
        Fail("frame");
    // A palette of the frame's own, and error diffusion to it.
    PalettedPicture paletted = QuantiseColours(frame);
    GifColorType colours[256] = {};
    for (size_t i = 0; i < paletted.palette.size(); ++i)
        colours[i] = GifColorType{paletted.palette[i].red, paletted.palette[i].green, paletted.palette[i].blue};
    ColorMapObject* map = GifMakeMapObject(256, colours);
    if (!map)
        throw std::bad_alloc();

    GraphicsControlBlock control{};
    control.DelayTime = (s.delayMs + 5) / 10;
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType extension[4];
    const size_t length = EGifGCBToExtension(&control, extension);
    const bool described =
        EGifPutExtension(s.gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) != GIF_ERROR &&
        EGifPutImageDesc(s.gif, 0, 0, s.width, s.height, false, map) != GIF_ERROR;
    GifFreeMapObject(map);
    if (!described)
        Fail("frame");
    for (int32_t y = 0; y < s.height; ++y)
        if (EGifPutLine(s.gif, paletted.indexes.data() + static_cast<size_t>(y) * s.width, s.width) == GIF_ERROR)
            Fail("pixels");
}

void GifWriter::Commit() {
    State& s = *state_;
    if (!s.gif)
        Fail("closed");
    int error = 0;
    GifFileType* gif = s.gif;
    s.gif = nullptr;
    if (EGifCloseFile(gif, &error) == GIF_ERROR)
        throw Error("Cannot write file " + Path());
    s.out.Commit();
}

}  // namespace orlscr::tool
