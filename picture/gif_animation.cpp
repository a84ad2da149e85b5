// GIF frames through giflib's record reader, one frame at a time.

#include "picture/gif_animation.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <gif_lib.h>

#include "common/error.h"
#include "picture/picture_info.h"
#include "raster/blit.h"

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

const std::string kDamaged = "The GIF picture is damaged: ";

[[noreturn]] void Damaged(const std::string& detail) {
    throw Error(kDamaged + detail);
}

std::string ErrorText(int error) {
    const char* text = GifErrorString(error);
    return text ? text : "unknown error";
}

enum Disposal { kLeave = 0, kKeep = 1, kToBackground = 2, kToPrevious = 3 };

// Passes over the sub-blocks of an extension or of a frame's compressed data.
bool SkipExtensionBlocks(GifFileType* gif, GifByteType* block) {
    while (block != nullptr)
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
            return false;
    return true;
}

bool SkipFrameData(GifFileType* gif) {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetCode(gif, &code, &block) == GIF_ERROR)
        return false;
    while (block != nullptr)
        if (DGifGetCodeNext(gif, &block) == GIF_ERROR)
            return false;
    return true;
}

}  // namespace

struct GifAnimation::Reader {
    MemorySource source;
    GifFileType* gif = nullptr;

    Reader(const uint8_t* data, size_t size) : source{data, size} {
        int error = 0;
        gif = DGifOpen(&source, ReadFromMemory, &error);
        if (gif == nullptr)
            Damaged(ErrorText(error));
    }
    ~Reader() {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
    [[noreturn]] void Fail() const { Damaged(ErrorText(gif->Error)); }
};

GifAnimation::GifAnimation(const uint8_t* data, size_t size, uint32_t background) : data_(data), size_(size) {
    if (ExaminePicture(data, size).format != PictureFormat::kGif)
        throw Error(kNotAPicture);
    background_[0] = static_cast<uint8_t>(background >> 16);
    background_[1] = static_cast<uint8_t>(background >> 8);
    background_[2] = static_cast<uint8_t>(background);
    Open();
}

GifAnimation::~GifAnimation() = default;

void GifAnimation::Open() {
    reader_.reset();
    reader_ = std::make_unique<Reader>(data_, size_);
    frameIndex_ = 0;
    disposal_ = kLeave;
    ended_ = false;
}

void GifAnimation::Restart() {
    Open();
}

bool GifAnimation::Next() {
    if (ended_)
        return false;
    GifFileType* gif = reader_->gif;
    int transparent = -1;
    int disposal = kLeave;
    int32_t delay = 0;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR)
            reader_->Fail();
        if (type == TERMINATE_RECORD_TYPE) {
            if (frameIndex_ == 0)
                Damaged("the file holds no picture");
            ended_ = true;
            return false;
        }
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
                reader_->Fail();
            if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4) {
                transparent = (block[1] & 1) ? block[4] : -1;
                disposal = block[1] >> 2 & 7;
                delay = (block[2] | block[3] << 8) * 10;
            } else if (code == APPLICATION_EXT_FUNC_CODE && block != nullptr && block[0] == 11 &&
                       (std::memcmp(block + 1, "NETSCAPE2.0", 11) == 0 ||
                        std::memcmp(block + 1, "ANIMEXTS1.0", 11) == 0)) {
                if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
                    reader_->Fail();
                if (block != nullptr && block[0] >= 3 && block[1] == 1) {
                    const int count = block[2] | block[3] << 8;
                    plays_ = count == 0 ? 0 : count + 1;
                }
            }
            if (!SkipExtensionBlocks(gif, block))
                reader_->Fail();
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE)
            continue;

        if (DGifGetImageDesc(gif) == GIF_ERROR)
            reader_->Fail();
        const GifImageDesc& frame = gif->Image;
        const ColorMapObject* colours = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
        if (colours == nullptr)
            Damaged("the picture has no colour table");
        if (frameIndex_ == 0) {
            if (canvas_.IsEmpty()) {
                // A file without a logical screen size is as large as its first frame.
                const int64_t width = gif->SWidth > 0 ? gif->SWidth : int64_t{frame.Left} + frame.Width;
                const int64_t height = gif->SHeight > 0 ? gif->SHeight : int64_t{frame.Top} + frame.Height;
                CheckPictureSize(width, height);
                canvas_.Resize(static_cast<int32_t>(width), static_cast<int32_t>(height));
            }
            FillRect(canvas_, canvas_.Bounds(), background_[0], background_[1], background_[2]);
        } else if (disposal_ == kToBackground) {
            FillRect(canvas_, disposeRect_, background_[0], background_[1], background_[2]);
        } else if (disposal_ == kToPrevious) {
            for (int32_t y = disposeRect_.top; y < disposeRect_.bottom; ++y)
                std::memcpy(canvas_.Row(y) + 3 * disposeRect_.left, saved_.Row(y) + 3 * disposeRect_.left,
                            static_cast<size_t>(disposeRect_.Width()) * 3);
        }

        // The frame's part of the canvas, for its disposal.
        const int64_t left = std::clamp<int64_t>(frame.Left, 0, canvas_.Width());
        const int64_t top = std::clamp<int64_t>(frame.Top, 0, canvas_.Height());
        const int64_t right = std::clamp<int64_t>(int64_t{frame.Left} + frame.Width, left, canvas_.Width());
        const int64_t bottom = std::clamp<int64_t>(int64_t{frame.Top} + frame.Height, top, canvas_.Height());
        disposeRect_ = Rect{static_cast<int32_t>(left), static_cast<int32_t>(top), static_cast<int32_t>(right),
                            static_cast<int32_t>(bottom)};
        disposal_ = disposal;
        if (disposal_ == kToPrevious)
            saved_ = canvas_;

        std::vector<GifPixelType> line(static_cast<size_t>(std::max(frame.Width, 0)));
        auto drawRow = [&](int row) {
            if (DGifGetLine(gif, line.data(), frame.Width) == GIF_ERROR)
                reader_->Fail();
            const int64_t y = int64_t{frame.Top} + row;
            if (y < 0 || y >= canvas_.Height())
                return;
            uint8_t* out = canvas_.Row(static_cast<int32_t>(y));
            for (int x = 0; x < frame.Width; ++x) {
                const int64_t at = int64_t{frame.Left} + x;
                const int index = line[static_cast<size_t>(x)];
                if (at < 0 || at >= canvas_.Width() || index == transparent || index >= colours->ColorCount)
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
        delayMs_ = delay <= 10 ? 100 : delay;
        ++frameIndex_;
        return true;
    }
}

std::string GifAnimation::DamageInRest() {
    if (ended_)
        return std::string();
    GifFileType* gif = reader_->gif;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR)
            return kDamaged + ErrorText(gif->Error);
        if (type == TERMINATE_RECORD_TYPE)
            break;
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif, &code, &block) == GIF_ERROR || !SkipExtensionBlocks(gif, block))
                return kDamaged + ErrorText(gif->Error);
        } else if (type == IMAGE_DESC_RECORD_TYPE) {
            if (DGifGetImageDesc(gif) == GIF_ERROR || !SkipFrameData(gif))
                return kDamaged + ErrorText(gif->Error);
        }
    }
    ended_ = true;
    return std::string();
}

bool IsAnimatedGif(const uint8_t* data, size_t size) {
    try {
        if (ExaminePicture(data, size).format != PictureFormat::kGif)
            return false;
        MemorySource source{data, size};
        int error = 0;
        GifFileType* gif = DGifOpen(&source, ReadFromMemory, &error);
        if (gif == nullptr)
            return false;
        int frames = 0;
        for (;;) {
            GifRecordType type = UNDEFINED_RECORD_TYPE;
            if (frames > 1 || DGifGetRecordType(gif, &type) == GIF_ERROR || type == TERMINATE_RECORD_TYPE)
                break;
            bool read = true;
            if (type == EXTENSION_RECORD_TYPE) {
                int code = 0;
                GifByteType* block = nullptr;
                read = DGifGetExtension(gif, &code, &block) != GIF_ERROR && SkipExtensionBlocks(gif, block);
            } else if (type == IMAGE_DESC_RECORD_TYPE) {
                read = DGifGetImageDesc(gif) != GIF_ERROR;
                if (read)
                    ++frames;
                read = read && (frames > 1 || SkipFrameData(gif));
            }
            if (!read)
                break;
        }
        DGifCloseFile(gif, &error);
        return frames > 1;
    } catch (const Error&) {
        return false;
    }
}

}  // namespace orlscr
