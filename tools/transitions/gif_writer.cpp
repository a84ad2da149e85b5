#include <fcntl.h>
#include <gif_lib.h>
#include <libimagequant.h>
#include <unistd.h>

#include <vector>

#include "common/error.h"
#include "tools/transitions/image_io.h"

namespace orlscr::tool {

namespace {

// Owners of the quantiser's objects.
struct LiqAttrDeleter {
    void operator()(liq_attr* attr) const { liq_attr_destroy(attr); }
};
struct LiqImageDeleter {
    void operator()(liq_image* image) const { liq_image_destroy(image); }
};
struct LiqResultDeleter {
    void operator()(liq_result* result) const { liq_result_destroy(result); }
};

}  // namespace

struct GifWriter::State {
    AtomicOutput out;
    GifFileType* gif = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int delayMs = 0;
    std::unique_ptr<liq_attr, LiqAttrDeleter> quantiser{liq_attr_create()};
    std::vector<uint8_t> rgba;     // the frame as the quantiser reads it
    std::vector<uint8_t> indexes;  // the frame in palette indexes, row by row

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
    if (!s.quantiser)
        throw std::bad_alloc();
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
    const size_t pixels = static_cast<size_t>(s.width) * s.height;
    s.rgba.resize(pixels * 4);
    uint8_t* q = s.rgba.data();
    for (int32_t y = 0; y < s.height; ++y) {
        const uint8_t* p = frame.Row(y);
        for (int32_t x = 0; x < s.width; ++x, p += 3, q += 4) {
            q[0] = p[2];
            q[1] = p[1];
            q[2] = p[0];
            q[3] = 255;
        }
    }
    // A palette of the frame's own, and error diffusion to it.
    const std::unique_ptr<liq_image, LiqImageDeleter> image(
        liq_image_create_rgba(s.quantiser.get(), s.rgba.data(), s.width, s.height, 0));
    liq_result* quantised = nullptr;
    if (!image || liq_image_quantize(image.get(), s.quantiser.get(), &quantised) != LIQ_OK)
        Fail("palette");
    const std::unique_ptr<liq_result, LiqResultDeleter> result(quantised);
    liq_set_dithering_level(result.get(), 1.0f);
    s.indexes.resize(pixels);
    if (liq_write_remapped_image(result.get(), image.get(), s.indexes.data(), s.indexes.size()) != LIQ_OK)
        Fail("pixels");
    const liq_palette* palette = liq_get_palette(result.get());
    GifColorType colours[256] = {};
    for (unsigned i = 0; i < palette->count && i < 256; ++i)
        colours[i] = GifColorType{palette->entries[i].r, palette->entries[i].g, palette->entries[i].b};
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
        if (EGifPutLine(s.gif, s.indexes.data() + static_cast<size_t>(y) * s.width, s.width) == GIF_ERROR)
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
