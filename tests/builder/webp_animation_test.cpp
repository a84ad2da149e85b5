// Animated WebP files composed from their container, each frame decoded by
// libwebp's still decoder, against libwebp's own animation decoder; damaged
// containers refused with their reason.

#include "builder/webp_animation.h"

#include <gtest/gtest.h>
#include <webp/decode.h>
#include <webp/demux.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "builder/webp_container.h"
#include "support/expect_error.h"

namespace orlscr::mkscr {
namespace {

using Pixels = std::vector<uint8_t>;

// A w x h picture: gradients, a square of its own at `shift`, and with
// `alpha` every alpha value from clear to opaque across it.
Pixels Pattern(int w, int h, int shift, bool alpha) {
    Pixels rgba;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool square = x >= shift && x < shift + 8 && y >= shift / 2 && y < shift / 2 + 8;
            rgba.push_back(static_cast<uint8_t>(square ? 250 : x * 255 / w));
            rgba.push_back(static_cast<uint8_t>(square ? 20 : y * 255 / h));
            rgba.push_back(static_cast<uint8_t>(40 * shift));
            rgba.push_back(static_cast<uint8_t>(alpha ? (x * 31 + y * 17) % 256 : 255));
        }
    return rgba;
}

std::string Take(WebPData& data) {
    std::string bytes(reinterpret_cast<const char*>(data.bytes), data.size);
    WebPDataClear(&data);
    return bytes;
}

// Frames of one size through libwebp's animation encoder, which crops each
// to what changed and chooses blending and key frames itself.
std::string Encoded(bool lossless, bool alpha, const std::vector<int>& durations, int loops) {
    constexpr int kW = 40, kH = 30;
    WebPAnimEncoderOptions options;
    WebPAnimEncoderOptionsInit(&options);
    options.anim_params.loop_count = loops;
    WebPAnimEncoder* encoder = WebPAnimEncoderNew(kW, kH, &options);
    WebPConfig config;
    WebPConfigInit(&config);
    config.lossless = lossless;
    int timestamp = 0;
    for (size_t i = 0; i < durations.size(); ++i) {
        const Pixels rgba = Pattern(kW, kH, static_cast<int>(i) * 6, alpha);
        WebPPicture picture;
        WebPPictureInit(&picture);
        picture.use_argb = 1;
        picture.width = kW, picture.height = kH;
        WebPPictureImportRGBA(&picture, rgba.data(), kW * 4);
        EXPECT_TRUE(WebPAnimEncoderAdd(encoder, &picture, timestamp, &config));
        WebPPictureFree(&picture);
        timestamp += durations[i];
    }
    WebPAnimEncoderAdd(encoder, nullptr, timestamp, nullptr);
    WebPData data;
    WebPDataInit(&data);
    EXPECT_TRUE(WebPAnimEncoderAssemble(encoder, &data));
    WebPAnimEncoderDelete(encoder);
    return Take(data);
}

std::string Still(const Pixels& rgba, int w, int h, bool lossless) {
    uint8_t* out = nullptr;
    const size_t size = lossless ? WebPEncodeLosslessRGBA(rgba.data(), w, h, w * 4, &out)
                                 : WebPEncodeRGBA(rgba.data(), w, h, w * 4, 80, &out);
    std::string bytes(reinterpret_cast<const char*>(out), size);
    WebPFree(out);
    return bytes;
}

// An EXIF payload with only the orientation.
std::string ExifOrientation(uint8_t orientation) {
    return std::string("II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 18) + static_cast<char>(orientation) +
           std::string(7, '\0');
}

// Frames of several sizes and kinds laid by hand on a 48 x 36 canvas: lossless
// and lossy with alpha, lossy opaque replacing, some cleared afterwards; a
// background colour the composition must leave aside.
std::string Laid(const std::string& exif = "") {
    struct Part {
        int w, h, x, y, duration;
        bool alpha, lossless, blend, dispose;
    };
    // The first is drawn onto the clear canvas and cleared, so the second and
    // the third again; the last lies partly where the one before was cleared.
    const Part parts[] = {
        {20, 16, 4, 2, 90, true, true, true, true},     {30, 20, 10, 8, 0, true, false, true, true},
        {16, 16, 0, 0, 60, false, false, false, false}, {48, 36, 0, 0, 130, true, true, true, false},
        {12, 10, 36, 26, 20, true, false, true, true},  {14, 12, 30, 20, 50, true, true, true, false},
    };
    WebPMux* mux = WebPMuxNew();
    int shift = 1;
    for (const Part& part : parts) {
        const std::string still = Still(Pattern(part.w, part.h, shift++, part.alpha), part.w, part.h, part.lossless);
        WebPMuxFrameInfo frame;
        std::memset(&frame, 0, sizeof frame);
        frame.bitstream = {reinterpret_cast<const uint8_t*>(still.data()), still.size()};
        frame.x_offset = part.x, frame.y_offset = part.y, frame.duration = part.duration;
        frame.id = WEBP_CHUNK_ANMF;
        frame.dispose_method = part.dispose ? WEBP_MUX_DISPOSE_BACKGROUND : WEBP_MUX_DISPOSE_NONE;
        frame.blend_method = part.blend ? WEBP_MUX_BLEND : WEBP_MUX_NO_BLEND;
        EXPECT_EQ(WebPMuxPushFrame(mux, &frame, 1), WEBP_MUX_OK);
    }
    const WebPMuxAnimParams params{0xFF3060C0, 2};
    WebPMuxSetAnimationParams(mux, &params);
    WebPMuxSetCanvasSize(mux, 48, 36);
    if (!exif.empty()) {
        const WebPData chunk{reinterpret_cast<const uint8_t*>(exif.data()), exif.size()};
        WebPMuxSetChunk(mux, "EXIF", &chunk, 1);
    }
    WebPData data;
    WebPDataInit(&data);
    EXPECT_EQ(WebPMuxAssemble(mux, &data), WEBP_MUX_OK);
    WebPMuxDelete(mux);
    return Take(data);
}

ImportedPicture DecodeStill(std::string_view still) {
    ImportedPicture picture;
    uint8_t* rgba =
        WebPDecodeRGBA(reinterpret_cast<const uint8_t*>(still.data()), still.size(), &picture.width, &picture.height);
    if (!rgba)
        throw Error("The WebP picture is damaged: a frame cannot be decoded");
    picture.rgba.assign(rgba, rgba + static_cast<size_t>(picture.width) * picture.height * 4);
    WebPFree(rgba);
    return picture;
}

struct Frames {
    int32_t width = 0, height = 0, plays = -1, count = 0;
    std::vector<Pixels> canvases;
    std::vector<int32_t> durations;
};

Frames Composed(const std::string& file) {
    Frames frames;
    AnimationReceiver receiver;
    receiver.begin = [&](const AnimationInfo& info) {
        frames.width = info.width, frames.height = info.height;
        frames.plays = info.plays, frames.count = info.frames;
    };
    receiver.frame = [&](const uint8_t* rgba, int32_t durationMs) {
        frames.canvases.emplace_back(rgba, rgba + static_cast<size_t>(frames.width) * frames.height * 4);
        frames.durations.push_back(durationMs);
        return true;
    };
    EXPECT_TRUE(ComposeWebpAnimation(file, DecodeStill, receiver));
    return frames;
}

Frames FromLibwebp(const std::string& file) {
    const WebPData data{reinterpret_cast<const uint8_t*>(file.data()), file.size()};
    WebPAnimDecoderOptions options;
    WebPAnimDecoderOptionsInit(&options);
    options.color_mode = MODE_RGBA;
    WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
    WebPAnimInfo info;
    WebPAnimDecoderGetInfo(decoder, &info);
    Frames frames;
    frames.width = static_cast<int32_t>(info.canvas_width), frames.height = static_cast<int32_t>(info.canvas_height);
    frames.plays = static_cast<int32_t>(info.loop_count), frames.count = static_cast<int32_t>(info.frame_count);
    int previous = 0;
    while (WebPAnimDecoderHasMoreFrames(decoder)) {
        uint8_t* canvas = nullptr;
        int timestamp = 0;
        WebPAnimDecoderGetNext(decoder, &canvas, &timestamp);
        frames.canvases.emplace_back(canvas, canvas + static_cast<size_t>(frames.width) * frames.height * 4);
        frames.durations.push_back(timestamp - previous);
        previous = timestamp;
    }
    WebPAnimDecoderDelete(decoder);
    return frames;
}

void ExpectSame(const Frames& composed, const Frames& expected, const char* what) {
    SCOPED_TRACE(what);
    EXPECT_EQ(std::vector({composed.width, composed.height, composed.plays, composed.count}),
              std::vector({expected.width, expected.height, expected.plays, expected.count}));
    EXPECT_EQ(composed.durations, expected.durations);
    ASSERT_EQ(composed.canvases.size(), expected.canvases.size());
    for (size_t i = 0; i < composed.canvases.size(); ++i)
        EXPECT_TRUE(composed.canvases[i] == expected.canvases[i]) << "frame " << i + 1;
}

TEST(WebpAnimation, FramesMatchLibwebpsAnimationDecoder) {
    const std::vector<int> durations{100, 250, 40, 70};
    ExpectSame(Composed(Encoded(true, false, durations, 3)), FromLibwebp(Encoded(true, false, durations, 3)),
               "lossless");
    ExpectSame(Composed(Encoded(false, false, durations, 0)), FromLibwebp(Encoded(false, false, durations, 0)),
               "lossy");
    ExpectSame(Composed(Encoded(false, true, durations, 1)), FromLibwebp(Encoded(false, true, durations, 1)),
               "lossy with alpha");
    const std::string laid = Laid();
    const Frames frames = Composed(laid);
    ExpectSame(frames, FromLibwebp(laid), "laid by hand");
    EXPECT_EQ(frames.durations, (std::vector<int32_t>{90, 0, 60, 130, 20, 50}));
    EXPECT_EQ(frames.plays, 2);

    const std::string still = Still(Pattern(8, 6, 0, true), 8, 6, false);
    EXPECT_FALSE(ReadWebpContainer(still));
    EXPECT_FALSE(ComposeWebpAnimation(still, DecodeStill, AnimationReceiver{}));
}

TEST(WebpAnimation, CanvasTurnedUprightAsItsExifSays) {
    const std::string file = Laid(ExifOrientation(6));
    const Frames turned = Composed(file);
    Frames expected = FromLibwebp(file);
    for (Pixels& canvas : expected.canvases) {
        ImportedPicture picture;
        picture.width = expected.width, picture.height = expected.height;
        picture.rgba = canvas;
        OrientImported(picture, 6);
        canvas = picture.rgba;
    }
    std::swap(expected.width, expected.height);
    ExpectSame(turned, expected, "turned");

    const std::optional<ImportedPicture> first = FirstWebpFrame(file, DecodeStill);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->width, 36);
    EXPECT_EQ(first->frames, 6);
    EXPECT_TRUE(first->lossless);
    EXPECT_TRUE(first->hasAlpha);
    EXPECT_EQ(first->rgba, expected.canvases[0]);
}

void PutU24(std::string& bytes, size_t at, uint32_t value) {
    for (int k = 0; k < 3; ++k)
        bytes[at + k] = static_cast<char>(value >> (8 * k));
}

TEST(WebpContainer, RefusesDamagedContainers) {
    const std::string good = Laid();
    const size_t frame = good.find("ANMF");  // the first frame's chunk
    ASSERT_NE(frame, std::string::npos);
    AnimationReceiver any;
    any.begin = [](const AnimationInfo&) {};
    any.frame = [](const uint8_t*, int32_t) { return true; };
    const auto refused = [&any](const std::string& bytes, const char* why) {
        EXPECT_ERROR_MSG(ComposeWebpAnimation(bytes, DecodeStill, any),
                         std::string("The WebP picture is damaged: ") + why);
    };
    refused(good.substr(0, good.size() / 2), "the file is cut short");

    std::string bytes = good;
    bytes.replace(frame + 4, 4, "\xF0\xFF\xFF\xFF");
    refused(bytes, "its ANMF chunk goes past the end of the file");

    bytes = good;
    PutU24(bytes, frame + 8, 15);  // x = 30: the 20 pixels wide frame ends at 50 of 48
    refused(bytes, "frame 1 lies outside the canvas");

    bytes = good;
    PutU24(bytes, frame + 14, 17);  // 18 lines tall, its data 20
    refused(bytes, "frame 1 is not the size its header gives");

    bytes = good;
    bytes.replace(bytes.find("ANIM"), 4, "ANIX");
    refused(bytes, "its animation header is missing or comes after a frame");

    bytes = good;
    for (size_t at = 0; (at = bytes.find("ANMF", at)) != std::string::npos;)
        bytes.replace(at, 4, "ANMX");
    refused(bytes, "it holds no frame");

    bytes = good;
    PutU24(bytes, 24, 0xFFFFFF);  // a canvas of 2^24 x 2^24
    PutU24(bytes, 27, 0xFFFFFF);
    EXPECT_ERROR_MSG(ReadWebpContainer(bytes), "The picture is too large");
}

}  // namespace
}  // namespace orlscr::mkscr
