// The first frame of a GIF file through giflib, placed on its logical screen.

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gif_lib.h>

#include "common/error.h"
#include "picture/decode.h"

namespace orlscr {

namespace {

struct MemorySource {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
};

extern "C" int ReadFromMemory(GifFileType* gif, GifByteType* out, int count) {
    auto* source = static_cast<MemorySource*>(gif->UserData);
    const size_t n = std::min(static_cast<size_t>(std::max(count, 0)), source->size - source->at);
    std::memcpy(out, source->data + source->at, n);
    source->at += n;
    return static_cast<int>(n);
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};

[[noreturn]] void Damaged(const std::string& detail) {
    throw Error("The GIF picture is damaged: " + detail);
}

[[noreturn]] void Damaged(int error) {
    const char* text = GifErrorString(error);
    Damaged(text ? text : "unknown error");
}

// The transparent colour index of a graphic control extension, or -1.
int TransparentIndex(const GifByteType* extension) {
    if (extension == nullptr || extension[0] < 4 || !(extension[1] & 1))
        return -1;
    return extension[4];
}

// Why the records after the first frame do not reach the file's end mark (a
// file cut short or corrupt), empty when they do. Only the first frame is
// shown, so the rest is read only to find damage.
std::string DamageAfterFirstFrame(GifFileType* gif) {
    const std::string prefix = "The GIF picture is damaged: ";
    auto failed = [&] {
        const char* text = GifErrorString(gif->Error);
        return prefix + (text ? text : "unknown error");
    };
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR)
            return failed();
        if (type == TERMINATE_RECORD_TYPE)
            return std::string();
        int code = 0;
        GifByteType* block = nullptr;
        if (type == EXTENSION_RECORD_TYPE) {
            if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
                return failed();
            while (block != nullptr)
                if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
                    return failed();
        } else if (type == IMAGE_DESC_RECORD_TYPE) {
            if (DGifGetImageDesc(gif) == GIF_ERROR || DGifGetCode(gif, &code, &block) == GIF_ERROR)
                return failed();
            while (block != nullptr)
                if (DGifGetCodeNext(gif, &block) == GIF_ERROR)
                    return failed();
        }
    }
}

}  // namespace

Bitmap DecodeGif(const uint8_t* data, size_t size, const DecodeOptions& options) {
    const PictureInfo info = ExaminePicture(data, size);
    if (info.format != PictureFormat::kGif)
        throw Error(kNotAPicture);
    MemorySource source{data, size};
    int error = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&source, ReadFromMemory, &error));
    if (!gif)
        Damaged(error);

    int transparent = -1;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR)
            Damaged(gif->Error);
        if (type == TERMINATE_RECORD_TYPE)
            Damaged("the file holds no picture");
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* extension = nullptr;
            if (DGifGetExtension(gif.get(), &code, &extension) == GIF_ERROR)
                Damaged(gif->Error);
            if (code == GRAPHICS_EXT_FUNC_CODE)
                transparent = TransparentIndex(extension);
            while (extension != nullptr)
                if (DGifGetExtensionNext(gif.get(), &extension) == GIF_ERROR)
                    Damaged(gif->Error);
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE)
            continue;

        if (DGifGetImageDesc(gif.get()) == GIF_ERROR)
            Damaged(gif->Error);
        const GifImageDesc& frame = gif->Image;
        const ColorMapObject* colours = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
        if (colours == nullptr)
            Damaged("the picture has no colour table");
        // A file without a logical screen size is as large as its first frame.
        const int64_t width = gif->SWidth > 0 ? gif->SWidth : int64_t{frame.Left} + frame.Width;
        const int64_t height = gif->SHeight > 0 ? gif->SHeight : int64_t{frame.Top} + frame.Height;
        CheckPictureSize(width, height);
        Bitmap bitmap(static_cast<int32_t>(width), static_cast<int32_t>(height));
        const uint8_t blue = static_cast<uint8_t>(options.background >> 16);
        const uint8_t green = static_cast<uint8_t>(options.background >> 8);
        const uint8_t red = static_cast<uint8_t>(options.background);
        for (int32_t y = 0; y < bitmap.Height(); ++y)
            for (int32_t x = 0; x < bitmap.Width(); ++x) {
                uint8_t* p = bitmap.Row(y) + 3 * x;
                p[0] = blue, p[1] = green, p[2] = red;
            }

        std::vector<GifPixelType> line(static_cast<size_t>(std::max(frame.Width, 0)));
        auto drawRow = [&](int row) {
            if (DGifGetLine(gif.get(), line.data(), frame.Width) == GIF_ERROR)
                Damaged(gif->Error);
            const int64_t y = int64_t{frame.Top} + row;
            if (y < 0 || y >= bitmap.Height())
                return;
            uint8_t* out = bitmap.Row(static_cast<int32_t>(y));
            for (int x = 0; x < frame.Width; ++x) {
                const int64_t at = int64_t{frame.Left} + x;
                const int index = line[static_cast<size_t>(x)];
                if (at < 0 || at >= bitmap.Width() || index == transparent || index >= colours->ColorCount)
                    continue;
                const GifColorType& c = colours->Colors[index];
                uint8_t* p = out + 3 * at;
                p[0] = c.Blue, p[1] = c.Green, p[2] = c.Red;
            }
        };
        if (frame.Interlace) {
            // Rows 0, 8, 16...; then 4, 12...; then 2, 6...; then the odd ones.
            const int starts[] = {0, 4, 2, 1}, steps[] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass)
                for (int row = starts[pass]; row < frame.Height; row += steps[pass])
                    drawRow(row);
        } else {
            for (int row = 0; row < frame.Height; ++row)
                drawRow(row);
        }
        if (options.damage)
            *options.damage = DamageAfterFirstFrame(gif.get());
        return bitmap;
    }
}

}  // namespace orlscr
