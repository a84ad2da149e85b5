#include "builder/webp_container.h"

#include <algorithm>

#include "common/bounded_bytes.h"
#include "common/error.h"
#include "picture/picture_info.h"

namespace orlscr::mkscr {

namespace {

[[noreturn]] void Damaged(const std::string& why) {
    throw Error("The WebP picture is damaged: " + why);
}

BoundedBytes Reader(std::string_view bytes) {
    return BoundedBytes(bytes, "The WebP picture is damaged: its chunks go past the end of the file");
}

uint32_t U24(const BoundedBytes& in, size_t at) {
    return uint32_t{in.U8(at)} | uint32_t{in.U8(at + 1)} << 8 | uint32_t{in.U8(at + 2)} << 16;
}

// A chunk of the file: a four-letter name, a 32-bit size, the payload and a
// padding byte when the size is odd. Always holds start + 8 + size <= the
// end of the range it was read from, and next <= that end.
struct Chunk {
    std::string_view name;
    size_t start = 0;
    size_t size = 0;  // of the payload, which starts at start + 8
    size_t next = 0;  // where the following chunk starts
};

// The chunk at `at` of a range of chunks that ends at `end`.
Chunk ChunkAt(const BoundedBytes& in, size_t at, size_t end) {
    if (end - at < 8)
        Damaged("a chunk is cut short");
    Chunk chunk;
    chunk.name = in.Text(at, 4);
    chunk.start = at;
    chunk.size = in.U32(at + 4);
    if (chunk.size > end - at - 8) {
        const bool named = std::all_of(chunk.name.begin(), chunk.name.end(), [](char c) { return c >= 32 && c < 127; });
        Damaged((named ? "its " + std::string(chunk.name) : std::string("a")) + " chunk goes past the end of the file");
    }
    // The last chunk's padding byte may be missing.
    chunk.next = std::min(at + 8 + chunk.size + (chunk.size & 1), end);
    return chunk;
}

// Where the chunks after the RIFF header start and end (the RIFF size; bytes
// after it are not the picture's).
struct RiffRange {
    size_t first = 12;
    size_t end = 0;
};

RiffRange ReadRiff(const BoundedBytes& in) {
    if (!in.Has(0, 12) || in.Text(0, 4) != "RIFF" || in.Text(8, 4) != "WEBP")
        Damaged("its header cannot be read");
    const uint32_t size = in.U32(4);
    if (size < 4 || size > in.size() - 8)
        Damaged("the file is cut short");
    RiffRange range;
    range.end = 8 + size_t{size};
    return range;
}

struct Canvas {
    int32_t width = 0;
    int32_t height = 0;
    uint8_t flags = 0;
};

constexpr uint8_t kAlphaFlag = 0x10;
constexpr uint8_t kAnimationFlag = 0x02;

// The extended header, which comes first; none without one.
std::optional<Canvas> ReadCanvas(const BoundedBytes& in, const RiffRange& riff) {
    const Chunk header = ChunkAt(in, riff.first, riff.end);
    if (header.name != "VP8X")
        return std::nullopt;
    if (header.size < 10)
        Damaged("its extended header is cut short");
    const size_t at = header.start + 8;
    Canvas canvas;
    canvas.flags = in.U8(at);
    canvas.width = static_cast<int32_t>(U24(in, at + 4)) + 1;
    canvas.height = static_cast<int32_t>(U24(in, at + 7)) + 1;
    return canvas;
}

// The ANMF chunk's frame; `index` counts from 0, for the messages.
WebpFrame ReadFrame(const BoundedBytes& in, const Chunk& chunk, const Canvas& canvas, int32_t index) {
    const std::string name = "frame " + std::to_string(index + 1);
    if (chunk.size < 16)
        Damaged(name + " has a header cut short");
    const size_t at = chunk.start + 8;
    WebpFrame frame;
    frame.x = static_cast<int32_t>(U24(in, at)) * 2;
    frame.y = static_cast<int32_t>(U24(in, at + 3)) * 2;
    frame.width = static_cast<int32_t>(U24(in, at + 6)) + 1;
    frame.height = static_cast<int32_t>(U24(in, at + 9)) + 1;
    frame.durationMs = static_cast<int32_t>(U24(in, at + 12));
    const uint8_t bits = in.U8(at + 15);
    frame.blends = (bits & 0x02) == 0;
    frame.disposes = (bits & 0x01) != 0;
    if (int64_t{frame.x} + frame.width > canvas.width || int64_t{frame.y} + frame.height > canvas.height)
        Damaged(name + " lies outside the canvas");
    // Its data: an optional ALPH chunk, then VP8 or VP8L; chunks of other
    // names are passed over.
    const size_t end = at + chunk.size;
    for (size_t sub = at + 16; sub < end;) {
        const Chunk data = ChunkAt(in, sub, end);
        const std::string_view whole = in.Text(data.start, 8 + data.size);
        if (data.name == "ALPH" && frame.alpha.empty()) {
            frame.alpha = whole;
        } else if (data.name == "VP8 " || data.name == "VP8L") {
            frame.image = whole;
            frame.lossless = data.name == "VP8L";
            break;
        }
        sub = data.next;
    }
    if (frame.image.empty())
        Damaged(name + " holds no picture data");
    if (frame.lossless)
        frame.alpha = {};  // lossless data carries its own
    return frame;
}

void AppendChunk(std::string& out, std::string_view whole) {
    out += whole;
    if (whole.size() & 1)
        out += '\0';
}

void AppendU24(std::string& out, uint32_t value) {
    for (int k = 0; k < 3; ++k)
        out += static_cast<char>((value >> (8 * k)) & 0xFF);
}

}  // namespace

std::optional<WebpAnimation> ReadWebpContainer(std::string_view bytes) {
    const BoundedBytes in = Reader(bytes);
    const RiffRange riff = ReadRiff(in);
    const std::optional<Canvas> canvas = ReadCanvas(in, riff);
    if (!canvas || !(canvas->flags & kAnimationFlag))
        return std::nullopt;
    CheckPictureSize(canvas->width, canvas->height);
    WebpAnimation animation;
    animation.width = canvas->width;
    animation.height = canvas->height;
    animation.mayBeTransparent = (canvas->flags & kAlphaFlag) != 0;
    bool header = false;
    for (size_t at = ChunkAt(in, riff.first, riff.end).next; at < riff.end;) {
        const Chunk chunk = ChunkAt(in, at, riff.end);
        if (chunk.name == "ANIM" && !header) {
            if (chunk.size < 6)
                Damaged("its animation header is cut short");
            animation.background = in.U32(chunk.start + 8);
            animation.plays = in.U16(chunk.start + 12);
            header = true;
        } else if (chunk.name == "ANMF") {
            if (!header)
                Damaged("its animation header is missing or comes after a frame");
            const WebpFrame frame = ReadFrame(in, chunk, *canvas, animation.frames);
            if (animation.frames == 0 && (frame.width != canvas->width || frame.height != canvas->height))
                animation.mayBeTransparent = true;
            animation.mayBeTransparent |= frame.disposes;
            ++animation.frames;
        } else if (chunk.name == "EXIF" && animation.exif.empty()) {
            animation.exif = in.Text(chunk.start + 8, chunk.size);
        }
        at = chunk.next;
    }
    if (!header)
        Damaged("its animation header is missing or comes after a frame");
    if (animation.frames == 0)
        Damaged("it holds no frame");
    return animation;
}

WebpFrameReader::WebpFrameReader(std::string_view bytes) : bytes_(bytes) {
    const BoundedBytes in = Reader(bytes);
    const RiffRange riff = ReadRiff(in);
    const std::optional<Canvas> canvas = ReadCanvas(in, riff);
    end_ = riff.end;
    if (!canvas) {
        at_ = end_;  // a still picture: no frames
        return;
    }
    canvasWidth_ = canvas->width;
    canvasHeight_ = canvas->height;
    at_ = ChunkAt(in, riff.first, riff.end).next;
}

bool WebpFrameReader::Next(WebpFrame& frame) {
    const BoundedBytes in = Reader(bytes_);
    while (at_ < end_) {
        const Chunk chunk = ChunkAt(in, at_, end_);
        at_ = chunk.next;
        if (chunk.name == "ANMF") {
            frame = ReadFrame(in, chunk, Canvas{canvasWidth_, canvasHeight_, 0}, index_++);
            return true;
        }
    }
    return false;
}

std::string StillWebp(const WebpFrame& frame) {
    std::string body = "WEBP";
    if (!frame.alpha.empty()) {
        body += "VP8X";
        body += Le32Bytes(10);
        body += static_cast<char>(kAlphaFlag);
        body.append(3, '\0');
        AppendU24(body, static_cast<uint32_t>(frame.width - 1));
        AppendU24(body, static_cast<uint32_t>(frame.height - 1));
        AppendChunk(body, frame.alpha);
    }
    AppendChunk(body, frame.image);
    return "RIFF" + Le32Bytes(static_cast<uint32_t>(body.size())) + body;
}

}  // namespace orlscr::mkscr
