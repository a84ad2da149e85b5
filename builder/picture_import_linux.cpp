// The formats the slide viewer does not show, read with Debian's libraries:
// libheif (HEIC), libavif, libwebp, libtiff, libjxl. Each decoder runs on the
// calling thread only, so pictures can be read on several threads at once.

#include <avif/avif.h>
#include <jxl/decode.h>
#include <libheif/heif.h>
#include <tiffio.h>
#include <webp/decode.h>
#include <webp/demux.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

#include "builder/picture_import.h"
#include "common/error.h"
#include "picture/exif.h"
#include "picture/picture_info.h"

namespace orlscr::mkscr {

namespace {

[[noreturn]] void Damaged(ImportFormat format, const std::string& why) {
    throw Error(std::string("The ") + ImportFormatName(format) + " picture is damaged: " + why);
}

void Allocate(ImportedPicture& picture, int64_t width, int64_t height) {
    CheckPictureSize(width, height);
    picture.width = static_cast<int32_t>(width);
    picture.height = static_cast<int32_t>(height);
    picture.rgba.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
}

// Rows of `channels` bytes a pixel (3 or 4) into the picture's RGBA rows.
void CopyRows(ImportedPicture& picture, const uint8_t* src, size_t stride, int channels) {
    for (int32_t y = 0; y < picture.height; ++y) {
        const uint8_t* s = src + static_cast<size_t>(y) * stride;
        uint8_t* d = picture.rgba.data() + static_cast<size_t>(y) * picture.width * 4;
        if (channels == 4) {
            std::memcpy(d, s, static_cast<size_t>(picture.width) * 4);
            continue;
        }
        for (int32_t x = 0; x < picture.width; ++x, s += 3, d += 4) {
            d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = 255;
        }
    }
}

// HEIC through libheif; its turn and mirror (irot, imir) are applied by the decoder.
ImportedPicture ReadHeif(std::string_view bytes, ImportFormat format) {
    std::unique_ptr<heif_context, void (*)(heif_context*)> context(heif_context_alloc(), heif_context_free);
    heif_error error = heif_context_read_from_memory_without_copy(context.get(), bytes.data(), bytes.size(), nullptr);
    if (error.code != heif_error_Ok)
        Damaged(format, error.message);
    heif_image_handle* rawHandle = nullptr;
    error = heif_context_get_primary_image_handle(context.get(), &rawHandle);
    if (error.code != heif_error_Ok)
        Damaged(format, error.message);
    std::unique_ptr<heif_image_handle, void (*)(const heif_image_handle*)> handle(rawHandle, heif_image_handle_release);
    const bool alpha = heif_image_handle_has_alpha_channel(handle.get());
    CheckPictureSize(heif_image_handle_get_width(handle.get()), heif_image_handle_get_height(handle.get()));
    heif_image* rawImage = nullptr;
    error = heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB,
                              alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, nullptr);
    if (error.code != heif_error_Ok) {
        if (error.code == heif_error_Unsupported_feature || error.code == heif_error_Unsupported_filetype)
            throw Error(std::string("the ") + ImportFormatName(format) + " picture cannot be read: " + error.message);
        Damaged(format, error.message);
    }
    std::unique_ptr<heif_image, void (*)(const heif_image*)> image(rawImage, heif_image_release);
    int stride = 0;
    const uint8_t* plane = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    if (!plane)
        Damaged(format, "no picture in the file");
    ImportedPicture picture;
    Allocate(picture, heif_image_get_width(image.get(), heif_channel_interleaved),
             heif_image_get_height(image.get(), heif_channel_interleaved));
    CopyRows(picture, plane, static_cast<size_t>(stride), alpha ? 4 : 3);
    heif_item_id exifId = 0;
    if (heif_image_handle_get_list_of_metadata_block_IDs(handle.get(), "Exif", &exifId, 1) == 1) {
        std::string exif(heif_image_handle_get_metadata_size(handle.get(), exifId), '\0');
        if (heif_image_handle_get_metadata(handle.get(), exifId, exif.data()).code == heif_error_Ok)
            picture.dateTaken = ExifPayloadDate(exif);
    }
    return picture;
}

using AvifDecoder = std::unique_ptr<avifDecoder, void (*)(avifDecoder*)>;

// libavif's decoder of the file (on this thread), its header parsed.
AvifDecoder OpenAvif(std::string_view bytes) {
    AvifDecoder decoder(avifDecoderCreate(), avifDecoderDestroy);
    decoder->maxThreads = 1;
    decoder->strictFlags = AVIF_STRICT_DISABLED;
    avifResult result =
        avifDecoderSetIOMemory(decoder.get(), reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    if (result == AVIF_RESULT_OK)
        result = avifDecoderParse(decoder.get());
    if (result != AVIF_RESULT_OK)
        Damaged(ImportFormat::kAvif, avifResultToString(result));
    CheckPictureSize(decoder->image->width, decoder->image->height);
    return decoder;
}

// The decoder's current picture into `picture` as 8-bit RGBA, turned and
// mirrored as the file says.
void ConvertAvifImage(const avifImage* image, ImportedPicture& picture) {
    Allocate(picture, image->width, image->height);
    avifRGBImage rgb;
    avifRGBImageSetDefaults(&rgb, image);
    rgb.format = AVIF_RGB_FORMAT_RGBA;
    rgb.depth = 8;
    rgb.pixels = picture.rgba.data();
    rgb.rowBytes = static_cast<uint32_t>(picture.width) * 4;
    const avifResult result = avifImageYUVToRGB(image, &rgb);
    if (result != AVIF_RESULT_OK)
        Damaged(ImportFormat::kAvif, avifResultToString(result));
    // The turn (anticlockwise quarters) and then the mirror, as the file says.
    if (image->transformFlags & AVIF_TRANSFORM_IROT) {
        static const int kTurns[4] = {1, 8, 3, 6};
        OrientImported(picture, kTurns[image->irot.angle & 3]);
    }
    if (image->transformFlags & AVIF_TRANSFORM_IMIR)
        OrientImported(picture, image->imir.mode == 0 ? 4 : 2);
}

ImportedPicture ReadAvif(std::string_view bytes) {
    const AvifDecoder decoder = OpenAvif(bytes);
    const avifResult result = avifDecoderNextImage(decoder.get());
    if (result != AVIF_RESULT_OK)
        Damaged(ImportFormat::kAvif, avifResultToString(result));
    avifImage* image = decoder->image;
    ImportedPicture picture;
    ConvertAvifImage(image, picture);
    picture.frames = decoder->imageCount > 0 ? decoder->imageCount : 1;
    if (image->exif.size > 0)
        picture.dateTaken =
            ExifPayloadDate(std::string_view(reinterpret_cast<const char*>(image->exif.data), image->exif.size));
    picture.hasAlpha = image->alphaPlane != nullptr;
    return picture;
}

// Every frame of an AVIF image sequence. This libavif reads no repetition
// count, so the sequence plays for ever, as viewers play it.
bool ReadAvifAnimation(std::string_view bytes, const AnimationReceiver& receiver) {
    const AvifDecoder decoder = OpenAvif(bytes);
    ImportedPicture frame;
    AnimationInfo animation;
    int64_t previousMs = 0;
    for (int index = 0;; ++index) {
        const avifResult result = avifDecoderNextImage(decoder.get());
        if (result == AVIF_RESULT_NO_IMAGES_REMAINING && index > 0)
            break;
        if (result != AVIF_RESULT_OK)
            Damaged(ImportFormat::kAvif,
                    "frame " + std::to_string(index + 1) + " cannot be decoded: " + avifResultToString(result));
        ConvertAvifImage(decoder->image, frame);
        if (index == 0) {
            animation.width = frame.width;
            animation.height = frame.height;
            animation.frames = std::max(decoder->imageCount, 1);
            animation.hasAlpha = decoder->alphaPresent;
            receiver.begin(animation);
        } else if (frame.width != animation.width || frame.height != animation.height) {
            Damaged(ImportFormat::kAvif, "frame " + std::to_string(index + 1) + " is not the size of the first");
        }
        // Each frame's end from the sequence's clock, so rounding does not add up.
        const avifImageTiming& timing = decoder->imageTiming;
        const int64_t endMs =
            timing.timescale == 0
                ? previousMs
                : static_cast<int64_t>(
                      ((timing.ptsInTimescales + timing.durationInTimescales) * 1000 + timing.timescale / 2) /
                      timing.timescale);
        const int32_t durationMs = static_cast<int32_t>(std::clamp<int64_t>(endMs - previousMs, 0, INT32_MAX));
        previousMs = std::max(previousMs, endMs);
        if (!receiver.frame(frame.rgba.data(), durationMs))
            break;
    }
    return true;
}

using WebpAnimationDecoder = std::unique_ptr<WebPAnimDecoder, void (*)(WebPAnimDecoder*)>;

// libwebp's decoder of an animation's composed frames (RGBA, on this thread),
// with what it says of the animation in `info`.
WebpAnimationDecoder OpenWebpAnimation(const WebPData& data, WebPAnimInfo& info) {
    WebPAnimDecoderOptions options;
    WebPAnimDecoderOptionsInit(&options);
    options.color_mode = MODE_RGBA;
    options.use_threads = 0;
    WebpAnimationDecoder anim(WebPAnimDecoderNew(&data, &options), WebPAnimDecoderDelete);
    if (!anim || !WebPAnimDecoderGetInfo(anim.get(), &info))
        Damaged(ImportFormat::kWebp, "its animation cannot be read");
    return anim;
}

ImportedPicture ReadWebp(std::string_view bytes) {
    const WebPData data{reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()};
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(data.bytes, data.size, &features) != VP8_STATUS_OK)
        Damaged(ImportFormat::kWebp, "its header cannot be read");
    ImportedPicture picture;
    picture.lossless = features.format == 2;
    std::unique_ptr<WebPDemuxer, void (*)(WebPDemuxer*)> demux(WebPDemux(&data), WebPDemuxDelete);
    if (!demux)
        Damaged(ImportFormat::kWebp, "its chunks do not add up");
    if (features.has_animation) {
        WebPAnimInfo info;
        const WebpAnimationDecoder anim = OpenWebpAnimation(data, info);
        Allocate(picture, info.canvas_width, info.canvas_height);
        picture.frames = static_cast<int>(info.frame_count);
        uint8_t* frame = nullptr;
        int timestamp = 0;
        if (!WebPAnimDecoderGetNext(anim.get(), &frame, &timestamp))
            Damaged(ImportFormat::kWebp, "its first frame cannot be decoded");
        std::memcpy(picture.rgba.data(), frame, picture.rgba.size());
    } else {
        Allocate(picture, features.width, features.height);
        if (!WebPDecodeRGBAInto(data.bytes, data.size, picture.rgba.data(), picture.rgba.size(), picture.width * 4))
            Damaged(ImportFormat::kWebp, "its picture data cannot be decoded");
    }
    WebPChunkIterator chunk;
    if (WebPDemuxGetChunk(demux.get(), "EXIF", 1, &chunk)) {
        const std::string_view exif(reinterpret_cast<const char*>(chunk.chunk.bytes), chunk.chunk.size);
        picture.dateTaken = ExifPayloadDate(exif);
        OrientImported(picture, ExifPayloadOrientation(exif));
        WebPDemuxReleaseChunkIterator(&chunk);
    }
    FindAlpha(picture);
    return picture;
}

// Every frame of an animated WebP, composed by libwebp's animation decoder.
bool ReadWebpAnimation(std::string_view bytes, const AnimationReceiver& receiver) {
    const WebPData data{reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()};
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(data.bytes, data.size, &features) != VP8_STATUS_OK)
        Damaged(ImportFormat::kWebp, "its header cannot be read");
    std::unique_ptr<WebPDemuxer, void (*)(WebPDemuxer*)> demux(WebPDemux(&data), WebPDemuxDelete);
    if (!demux)
        Damaged(ImportFormat::kWebp, "its chunks do not add up");
    int orientation = 1;
    WebPChunkIterator chunk;
    if (WebPDemuxGetChunk(demux.get(), "EXIF", 1, &chunk)) {
        orientation = ExifPayloadOrientation(
            std::string_view(reinterpret_cast<const char*>(chunk.chunk.bytes), chunk.chunk.size));
        WebPDemuxReleaseChunkIterator(&chunk);
    }
    WebPAnimInfo info;
    const WebpAnimationDecoder anim = OpenWebpAnimation(data, info);
    ImportedPicture frame;  // the canvas, turned upright when the EXIF data says so
    Allocate(frame, info.canvas_width, info.canvas_height);
    const bool swaps = orientation >= 5 && orientation <= 8;
    AnimationInfo animation;
    animation.width = swaps ? frame.height : frame.width;
    animation.height = swaps ? frame.width : frame.height;
    animation.plays = static_cast<int32_t>(std::min<uint32_t>(info.loop_count, INT32_MAX));
    animation.frames = static_cast<int32_t>(info.frame_count);
    animation.hasAlpha = features.has_alpha;
    receiver.begin(animation);
    int previous = 0;
    for (uint32_t index = 0; WebPAnimDecoderHasMoreFrames(anim.get()); ++index) {
        uint8_t* canvas = nullptr;
        int timestamp = 0;  // when the frame ends
        if (!WebPAnimDecoderGetNext(anim.get(), &canvas, &timestamp))
            Damaged(ImportFormat::kWebp, "frame " + std::to_string(index + 1) + " cannot be decoded");
        frame.width = info.canvas_width;
        frame.height = info.canvas_height;
        frame.rgba.resize(static_cast<size_t>(frame.width) * frame.height * 4);
        std::memcpy(frame.rgba.data(), canvas, frame.rgba.size());
        OrientImported(frame, orientation);
        const int32_t duration = std::max(timestamp - previous, 0);
        previous = timestamp;
        if (!receiver.frame(frame.rgba.data(), duration))
            break;
    }
    return true;
}

// libtiff reads through these from memory; its messages go to the thread
// that reads.
struct TiffSource {
    std::string_view bytes;
    toff_t at = 0;
};
thread_local std::string tiffError;

tsize_t TiffRead(thandle_t handle, tdata_t buffer, tsize_t size) {
    auto* source = static_cast<TiffSource*>(handle);
    const toff_t left = source->at < source->bytes.size() ? source->bytes.size() - source->at : 0;
    const size_t count = static_cast<size_t>(std::min<toff_t>(left, static_cast<toff_t>(size)));
    std::memcpy(buffer, source->bytes.data() + source->at, count);
    source->at += count;
    return static_cast<tsize_t>(count);
}
tsize_t TiffWrite(thandle_t, tdata_t, tsize_t) {
    return 0;
}
toff_t TiffSeek(thandle_t handle, toff_t offset, int whence) {
    auto* source = static_cast<TiffSource*>(handle);
    if (whence == SEEK_CUR)
        offset += source->at;
    else if (whence == SEEK_END)
        offset += source->bytes.size();
    source->at = offset;
    return offset;
}
int TiffClose(thandle_t) {
    return 0;
}
toff_t TiffSize(thandle_t handle) {
    return static_cast<TiffSource*>(handle)->bytes.size();
}
int TiffMap(thandle_t, tdata_t*, toff_t*) {
    return 0;
}
void TiffUnmap(thandle_t, tdata_t, toff_t) {}

extern "C" void TiffErrorHandler(const char* module, const char* format, va_list args) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    if (tiffError.empty())
        tiffError = module && *module ? std::string(module) + ": " + text : std::string(text);
}
extern "C" void TiffWarningHandler(const char*, const char*, va_list) {}

// libtiff's messages to the thread that reads, from the first use on.
void CatchTiffMessages() {
    static std::once_flag handlers;
    std::call_once(handlers, [] {
        TIFFSetErrorHandler(TiffErrorHandler);
        TIFFSetWarningHandler(TiffWarningHandler);
    });
    tiffError.clear();
}

ImportedPicture ReadTiff(std::string_view bytes) {
    CatchTiffMessages();
    TiffSource source{bytes, 0};
    std::unique_ptr<TIFF, void (*)(TIFF*)> tiff(
        TIFFClientOpen("TIFF", "rm", &source, TiffRead, TiffWrite, TiffSeek, TiffClose, TiffSize, TiffMap, TiffUnmap),
        TIFFClose);
    if (!tiff)
        Damaged(ImportFormat::kTiff, tiffError.empty() ? "its header cannot be read" : tiffError);
    uint32_t width = 0, height = 0;
    uint16_t compression = COMPRESSION_NONE, orientation = ORIENTATION_TOPLEFT;
    TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_COMPRESSION, &compression);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_ORIENTATION, &orientation);
    char message[1024] = "";
    if (!TIFFRGBAImageOK(tiff.get(), message))
        throw Error(std::string("the TIFF picture cannot be read: ") + message);
    ImportedPicture picture;
    Allocate(picture, width, height);
    picture.lossless = compression != COMPRESSION_JPEG && compression != COMPRESSION_OJPEG;
    picture.frames = TIFFNumberOfDirectories(tiff.get());
    // libtiff turns the rows of orientations 1 to 4 itself. 5 to 8 also swap
    // the sides, which it does not do: asked for the file's own orientation it
    // gives the rows as stored, which are then turned here.
    const bool swaps = orientation >= 5 && orientation <= 8;
    uint32_t* raster = reinterpret_cast<uint32_t*>(picture.rgba.data());
    if (!TIFFReadRGBAImageOriented(tiff.get(), width, height, raster, swaps ? orientation : ORIENTATION_TOPLEFT, 1) ||
        !tiffError.empty())
        Damaged(ImportFormat::kTiff, tiffError.empty() ? "its picture data cannot be read" : tiffError);
    // The packed pixels are red in the low byte: in memory red, green, blue, alpha on this machine.
    if (swaps)
        OrientImported(picture, orientation);
    picture.dateTaken = ParseExifBlock(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()).dateTaken;
    FindAlpha(picture);
    return picture;
}

using JpegXlDecoder = std::unique_ptr<JxlDecoder, void (*)(JxlDecoder*)>;

// libjxl's decoder of the whole file for the given events.
JpegXlDecoder OpenJpegXl(std::string_view bytes, int events) {
    JpegXlDecoder decoder(JxlDecoderCreate(nullptr), JxlDecoderDestroy);
    if (!decoder || JxlDecoderSubscribeEvents(decoder.get(), events) != JXL_DEC_SUCCESS)
        throw Error("the JPEG XL decoder cannot be started");
    JxlDecoderSetInput(decoder.get(), reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    JxlDecoderCloseInput(decoder.get());
    return decoder;
}

// The next event of interest; throws for a damaged file.
JxlDecoderStatus NextJpegXlEvent(JxlDecoder* decoder) {
    const JxlDecoderStatus status = JxlDecoderProcessInput(decoder);
    if (status == JXL_DEC_ERROR)
        Damaged(ImportFormat::kJpegXl, "its data cannot be decoded");
    if (status == JXL_DEC_NEED_MORE_INPUT)
        Damaged(ImportFormat::kJpegXl, "the file is cut short");
    return status;
}

ImportedPicture ReadJpegXl(std::string_view bytes) {
    const JpegXlDecoder decoder = OpenJpegXl(bytes, JXL_DEC_BASIC_INFO | JXL_DEC_FULL_IMAGE | JXL_DEC_BOX);
    JxlDecoderSetDecompressBoxes(decoder.get(), JXL_TRUE);
    const JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    ImportedPicture picture;
    std::vector<uint8_t> laterFrame;  // a frame not of the picture's size is decoded here and dropped
    std::string exif;
    bool inExif = false, haveFirst = false;
    bool fromJpeg = false;  // a JPEG file kept in JPEG XL: its pixels are a JPEG's
    constexpr size_t kExifPiece = 65536;
    auto endExif = [&] {
        if (inExif)
            exif.resize(exif.size() - JxlDecoderReleaseBoxBuffer(decoder.get()));
        inExif = false;
    };
    for (;;) {
        const JxlDecoderStatus status = NextJpegXlEvent(decoder.get());
        if (status == JXL_DEC_SUCCESS)
            break;
        if (status == JXL_DEC_BASIC_INFO) {
            JxlBasicInfo info;
            if (JxlDecoderGetBasicInfo(decoder.get(), &info) != JXL_DEC_SUCCESS)
                Damaged(ImportFormat::kJpegXl, "its header cannot be read");
            const bool swaps = info.orientation >= JXL_ORIENT_TRANSPOSE;  // the decoder turns it upright
            Allocate(picture, swaps ? info.ysize : info.xsize, swaps ? info.xsize : info.ysize);
            picture.lossless = info.uses_original_profile;
            picture.frames = info.have_animation ? 2 : 1;
        } else if (status == JXL_DEC_NEED_IMAGE_OUT_BUFFER) {
            size_t size = 0;
            if (JxlDecoderImageOutBufferSize(decoder.get(), &format, &size) != JXL_DEC_SUCCESS)
                Damaged(ImportFormat::kJpegXl, "its frame size cannot be read");
            uint8_t* target = picture.rgba.data();
            if (haveFirst || size != picture.rgba.size()) {
                laterFrame.resize(size);
                target = laterFrame.data();
            }
            JxlDecoderSetImageOutBuffer(decoder.get(), &format, target, size);
        } else if (status == JXL_DEC_FULL_IMAGE) {
            // The later frames of an animation are passed over undecoded;
            // boxes after them (EXIF) are still read.
            if (!haveFirst)
                JxlDecoderSkipFrames(decoder.get(), INT32_MAX);
            haveFirst = true;
        } else if (status == JXL_DEC_BOX) {
            endExif();
            JxlBoxType type;
            if (JxlDecoderGetBoxType(decoder.get(), type, JXL_TRUE) != JXL_DEC_SUCCESS)
                continue;
            if (std::memcmp(type, "jbrd", 4) == 0)
                fromJpeg = true;
            if (std::memcmp(type, "Exif", 4) == 0) {
                exif.resize(kExifPiece);
                JxlDecoderSetBoxBuffer(decoder.get(), reinterpret_cast<uint8_t*>(exif.data()), exif.size());
                inExif = true;
            }
        } else if (status == JXL_DEC_BOX_NEED_MORE_OUTPUT) {
            const size_t left = JxlDecoderReleaseBoxBuffer(decoder.get());
            const size_t used = exif.size() - left;
            if (exif.size() > (size_t{16} << 20))
                Damaged(ImportFormat::kJpegXl, "its EXIF box is too large");
            exif.resize(exif.size() + kExifPiece);
            JxlDecoderSetBoxBuffer(decoder.get(), reinterpret_cast<uint8_t*>(exif.data()) + used, exif.size() - used);
        }
    }
    endExif();
    if (fromJpeg)
        picture.lossless = false;
    if (!haveFirst)
        Damaged(ImportFormat::kJpegXl, "it holds no picture");
    if (!exif.empty())
        picture.dateTaken = ExifPayloadDate(exif);
    FindAlpha(picture);
    return picture;
}

// The frames the decoder shows (each animation frame composed with the ones
// it builds on), from their headers only.
int32_t CountJpegXlFrames(std::string_view bytes) {
    const JpegXlDecoder decoder = OpenJpegXl(bytes, JXL_DEC_FRAME);
    int32_t frames = 0;
    while (NextJpegXlEvent(decoder.get()) == JXL_DEC_FRAME)
        frames = frames < INT32_MAX ? frames + 1 : frames;
    return frames;
}

// Every frame of an animated JPEG XL, whole (the decoder composes them) and
// upright (the decoder applies the file's orientation).
bool ReadJpegXlAnimation(std::string_view bytes, const AnimationReceiver& receiver) {
    const int32_t frames = CountJpegXlFrames(bytes);
    const JpegXlDecoder decoder = OpenJpegXl(bytes, JXL_DEC_BASIC_INFO | JXL_DEC_FRAME | JXL_DEC_FULL_IMAGE);
    const JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    JxlBasicInfo info{};
    ImportedPicture frame;
    uint64_t ticks = 0;  // the frames' durations so far, in the animation's ticks
    int64_t previousMs = 0;
    int32_t durationMs = 0;
    int32_t index = 0;
    for (JxlDecoderStatus status; (status = NextJpegXlEvent(decoder.get())) != JXL_DEC_SUCCESS;) {
        if (status == JXL_DEC_BASIC_INFO) {
            if (JxlDecoderGetBasicInfo(decoder.get(), &info) != JXL_DEC_SUCCESS)
                Damaged(ImportFormat::kJpegXl, "its header cannot be read");
            const bool swaps = info.orientation >= JXL_ORIENT_TRANSPOSE;
            Allocate(frame, swaps ? info.ysize : info.xsize, swaps ? info.xsize : info.ysize);
            AnimationInfo animation;
            animation.width = frame.width;
            animation.height = frame.height;
            animation.plays =
                info.have_animation ? static_cast<int32_t>(std::min<uint32_t>(info.animation.num_loops, INT32_MAX)) : 1;
            animation.frames = frames;
            animation.hasAlpha = info.alpha_bits > 0;
            receiver.begin(animation);
        } else if (status == JXL_DEC_FRAME) {
            JxlFrameHeader header;
            if (JxlDecoderGetFrameHeader(decoder.get(), &header) != JXL_DEC_SUCCESS)
                Damaged(ImportFormat::kJpegXl, "frame " + std::to_string(index + 1) + " cannot be read");
            // Each frame's end from the animation's clock, so rounding does not add up.
            ticks += header.duration;
            const double msPerTick = info.animation.tps_numerator > 0
                                         ? 1000.0 * info.animation.tps_denominator / info.animation.tps_numerator
                                         : 0.0;
            const int64_t endMs = info.have_animation
                                      ? static_cast<int64_t>(std::min(std::round(ticks * msPerTick), 9.0e18))
                                      : previousMs;
            durationMs = static_cast<int32_t>(std::clamp<int64_t>(endMs - previousMs, 0, INT32_MAX));
            previousMs = std::max(previousMs, endMs);
        } else if (status == JXL_DEC_NEED_IMAGE_OUT_BUFFER) {
            size_t size = 0;
            if (JxlDecoderImageOutBufferSize(decoder.get(), &format, &size) != JXL_DEC_SUCCESS ||
                size != frame.rgba.size())
                Damaged(ImportFormat::kJpegXl, "frame " + std::to_string(index + 1) + " is not the canvas' size");
            JxlDecoderSetImageOutBuffer(decoder.get(), &format, frame.rgba.data(), frame.rgba.size());
        } else if (status == JXL_DEC_FULL_IMAGE) {
            ++index;
            if (!receiver.frame(frame.rgba.data(), durationMs))
                break;
        }
    }
    if (index == 0)
        Damaged(ImportFormat::kJpegXl, "it holds no picture");
    return true;
}

}  // namespace

std::optional<ImportedSize> ReadImportedSize(std::string_view bytes, ImportFormat format) {
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    switch (format) {
        case ImportFormat::kHeic: {
            std::unique_ptr<heif_context, void (*)(heif_context*)> context(heif_context_alloc(), heif_context_free);
            heif_image_handle* handle = nullptr;
            if (heif_context_read_from_memory_without_copy(context.get(), bytes.data(), bytes.size(), nullptr).code !=
                    heif_error_Ok ||
                heif_context_get_primary_image_handle(context.get(), &handle).code != heif_error_Ok)
                return std::nullopt;
            const ImportedSize size{heif_image_handle_get_width(handle), heif_image_handle_get_height(handle)};
            heif_image_handle_release(handle);
            return size;
        }
        case ImportFormat::kAvif: {
            std::unique_ptr<avifDecoder, void (*)(avifDecoder*)> decoder(avifDecoderCreate(), avifDecoderDestroy);
            decoder->strictFlags = AVIF_STRICT_DISABLED;
            if (avifDecoderSetIOMemory(decoder.get(), data, bytes.size()) != AVIF_RESULT_OK ||
                avifDecoderParse(decoder.get()) != AVIF_RESULT_OK)
                return std::nullopt;
            return ImportedSize{static_cast<int32_t>(decoder->image->width),
                                static_cast<int32_t>(decoder->image->height), decoder->imageCount > 1};
        }
        case ImportFormat::kWebp: {
            WebPBitstreamFeatures features;
            if (WebPGetFeatures(data, bytes.size(), &features) != VP8_STATUS_OK)
                return std::nullopt;
            return ImportedSize{features.width, features.height, features.has_animation != 0};
        }
        case ImportFormat::kTiff: {
            CatchTiffMessages();
            TiffSource source{bytes, 0};
            std::unique_ptr<TIFF, void (*)(TIFF*)> tiff(
                TIFFClientOpen("TIFF", "rm", &source, TiffRead, TiffWrite, TiffSeek, TiffClose, TiffSize, TiffMap,
                               TiffUnmap),
                TIFFClose);
            uint32_t width = 0, height = 0;
            if (!tiff || !TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width) ||
                !TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height))
                return std::nullopt;
            return ImportedSize{static_cast<int32_t>(std::min<uint32_t>(width, INT32_MAX)),
                                static_cast<int32_t>(std::min<uint32_t>(height, INT32_MAX))};
        }
        case ImportFormat::kJpegXl: {
            std::unique_ptr<JxlDecoder, void (*)(JxlDecoder*)> decoder(JxlDecoderCreate(nullptr), JxlDecoderDestroy);
            JxlBasicInfo info;
            if (JxlDecoderSubscribeEvents(decoder.get(), JXL_DEC_BASIC_INFO) != JXL_DEC_SUCCESS ||
                JxlDecoderSetInput(decoder.get(), data, bytes.size()) != JXL_DEC_SUCCESS)
                return std::nullopt;
            JxlDecoderCloseInput(decoder.get());
            if (JxlDecoderProcessInput(decoder.get()) != JXL_DEC_BASIC_INFO ||
                JxlDecoderGetBasicInfo(decoder.get(), &info) != JXL_DEC_SUCCESS)
                return std::nullopt;
            return ImportedSize{static_cast<int32_t>(std::min<uint32_t>(info.xsize, INT32_MAX)),
                                static_cast<int32_t>(std::min<uint32_t>(info.ysize, INT32_MAX)),
                                info.have_animation != 0};
        }
        case ImportFormat::kCameraRaw:
        case ImportFormat::kNone:
            break;
    }
    return std::nullopt;
}

bool ImportAnimation(std::string_view bytes, ImportFormat format, const AnimationReceiver& receiver) {
    switch (format) {
        case ImportFormat::kWebp:
            return ReadWebpAnimation(bytes, receiver);
        case ImportFormat::kAvif:
            return ReadAvifAnimation(bytes, receiver);
        case ImportFormat::kJpegXl:
            return ReadJpegXlAnimation(bytes, receiver);
        default:
            return false;
    }
}

ImportedPicture ImportPicture(std::string_view bytes, ImportFormat format) {
    switch (format) {
        case ImportFormat::kHeic:
            return ReadHeif(bytes, format);
        case ImportFormat::kAvif:
            return ReadAvif(bytes);
        case ImportFormat::kWebp:
            return ReadWebp(bytes);
        case ImportFormat::kTiff:
            return ReadTiff(bytes);
        case ImportFormat::kJpegXl:
            return ReadJpegXl(bytes);
        case ImportFormat::kCameraRaw:
        case ImportFormat::kNone:
            break;
    }
    throw Error(UnreadableFormatText(format));
}

}  // namespace orlscr::mkscr
