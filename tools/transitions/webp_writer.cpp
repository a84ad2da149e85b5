#include <webp/encode.h>
#include <webp/mux.h>

#include <fstream>
#include <new>

#include "common/error.h"
#include "tools/transitions/image_io.h"

namespace orlscr::tool {

namespace {

// The largest canvas the format can describe.
constexpr int32_t kMaxWebpSide = 16383;

struct EncoderDeleter {
    void operator()(WebPAnimEncoder* encoder) const { WebPAnimEncoderDelete(encoder); }
};

}  // namespace

struct WebpWriter::State {
    AtomicOutput out;
    std::unique_ptr<WebPAnimEncoder, EncoderDeleter> encoder;
    WebPConfig config{};
    int32_t width = 0;
    int32_t height = 0;
    int delayMs = 0;
    int frames = 0;

    explicit State(const std::string& path) : out(path) {}
};

WebpWriter::WebpWriter(const std::string& path, int32_t width, int32_t height, int delayMs)
    : AnimationWriter(path), state_(std::make_unique<State>(path)) {
    if (width > kMaxWebpSide || height > kMaxWebpSide)
        throw Error("Cannot write " + path + ": a WebP picture is at most 16383 pixels wide and high");
    State& s = *state_;
    s.width = width;
    s.height = height;
    s.delayMs = delayMs;
    WebPAnimEncoderOptions options;
    if (!WebPAnimEncoderOptionsInit(&options) || !WebPConfigInit(&s.config) || !WebPConfigLosslessPreset(&s.config, 1))
        Fail("encoder");
    options.anim_params.loop_count = 0;  // for ever
    s.encoder.reset(WebPAnimEncoderNew(width, height, &options));
    if (!s.encoder)
        throw std::bad_alloc();
    // Fail on a folder that is not there now, not after encoding every frame.
    if (!std::ofstream(s.out.TempPath(), std::ios::binary | std::ios::trunc))
        throw Error("Cannot create file " + path);
}

WebpWriter::~WebpWriter() = default;

void WebpWriter::Add(const Bitmap& frame) {
    State& s = *state_;
    if (!s.encoder || frame.Width() != s.width || frame.Height() != s.height)
        Fail("frame");
    WebPPicture picture;
    if (!WebPPictureInit(&picture))
        Fail("frame");
    picture.use_argb = 1;
    picture.width = s.width;
    picture.height = s.height;
    const bool added = WebPPictureImportBGR(&picture, frame.Bits(), frame.Stride()) &&
                       WebPAnimEncoderAdd(s.encoder.get(), &picture, s.frames * s.delayMs, &s.config);
    WebPPictureFree(&picture);
    if (!added)
        Fail(WebPAnimEncoderGetError(s.encoder.get()));
    ++s.frames;
}

void WebpWriter::Commit() {
    State& s = *state_;
    if (!s.encoder)
        Fail("closed");
    WebPData data;
    WebPDataInit(&data);
    const bool assembled = WebPAnimEncoderAdd(s.encoder.get(), nullptr, s.frames * s.delayMs, nullptr) &&
                           WebPAnimEncoderAssemble(s.encoder.get(), &data);
    s.encoder.reset();
    if (!assembled) {
        WebPDataClear(&data);
        Fail("frames");
    }
    std::ofstream file(s.out.TempPath(), std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data.bytes), static_cast<std::streamsize>(data.size));
    file.close();
    WebPDataClear(&data);
    if (!file)
        throw Error("Cannot write file " + Path());
    s.out.Commit();
}

}  // namespace orlscr::tool
