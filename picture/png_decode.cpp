// PNG files into bitmaps through libpng's simplified reader, which turns every
// colour type and depth into 8-bit blue, green, red (and straight alpha, composed
// over the background here).

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <png.h>
#include <zlib.h>

#include "common/error.h"
#include "picture/alpha.h"
#include "picture/box_reduce.h"
#include "picture/decode.h"
#include "picture/png_reduce.h"

namespace orlscr {

namespace {

// Frees libpng's state however the decode ends.
struct PngImage {
    png_image image{};
    PngImage() { image.version = PNG_IMAGE_VERSION; }
    ~PngImage() { png_image_free(&image); }
};

constexpr size_t kSignatureSize = 8;
constexpr size_t kChunkFrame = 12;  // length, type, CRC

// The ancillary chunks that change the decoded pixels; each has a small fixed
// size that libpng checks before it reads one into a buffer of its own.
bool ChangesPixels(const uint8_t* type) {
    for (const char* wanted : {"tRNS", "gAMA", "sRGB", "cHRM", "sBIT"}) {
        if (std::memcmp(type, wanted, 4) == 0)
            return true;
    }
    return false;
}

uint32_t BigEndian32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
           p[3];
}

// Whether a whole chunk's check sum (over its type and data) is right.
bool CrcMatches(const uint8_t* chunk, size_t whole) {
    const uLong crc = crc32(0L, chunk + 4, static_cast<uInt>(whole - kChunkFrame + 4));
    return BigEndian32(chunk + whole - 4) == static_cast<uint32_t>(crc);
}

// The file as libpng is given it: the signature and the chunks up to IEND,
// less the ancillary chunks that do not change the pixels (text, profiles,
// times, EXIF, which is read from the file itself). libpng allocates a whole
// chunk's claimed length for such chunks, whatever the file holds, and only
// warns about a claim beyond its limit; what is left it reads through fixed
// buffers. A chunk whose claimed length runs past the end of the file is the
// last one looked at: a critical one is passed on as far as it goes (libpng
// reports the file as cut short), an ancillary one is left out.
// `damage` receives the first fault libpng may not see: a wrong check sum, an
// ancillary chunk cut short, no IEND chunk.
std::vector<uint8_t> PixelChunks(const uint8_t* data, size_t size, std::string& damage) {
    std::vector<uint8_t> out(data, data + std::min(size, kSignatureSize));
    size_t at = kSignatureSize;
    while (at + kChunkFrame <= size) {
        const uint8_t* chunk = data + at;
        const uint64_t whole = uint64_t{BigEndian32(chunk)} + kChunkFrame;
        const bool critical = (chunk[4] & 0x20) == 0;
        const bool complete = whole <= size - at;
        const bool kept = critical || (complete && ChangesPixels(chunk + 4));
        if (kept)
            out.insert(out.end(), chunk, complete ? chunk + whole : data + size);
        else if (damage.empty() && !complete)
            damage = std::string(reinterpret_cast<const char*>(chunk + 4), 4) + ": the file ends inside the chunk";
        // libpng checks the sums of the chunks it reads, but stops before IEND.
        if (damage.empty() && complete && !CrcMatches(chunk, static_cast<size_t>(whole)))
            damage = std::string(reinterpret_cast<const char*>(chunk + 4), 4) + ": CRC error";
        if (!complete || std::memcmp(chunk + 4, "IEND", 4) == 0)
            return out;
        at += static_cast<size_t>(whole);
    }
    out.insert(out.end(), data + at, data + size);  // a piece of a chunk header
    if (damage.empty())
        damage = "the file ends before its IEND chunk";
    return out;
}

[[noreturn]] void Damaged(const png_image& image) {
    throw Error(std::string("The PNG picture is damaged: ") + image.message);
}

}  // namespace

Bitmap DecodePng(const uint8_t* data, size_t size, const DecodeOptions& options) {
    const PictureInfo info = ExaminePicture(data, size);
    if (info.format != PictureFormat::kPng)
        throw Error(kNotAPicture);
    std::string dropped;
    const std::vector<uint8_t> chunks = PixelChunks(data, size, dropped);
    PngImage png;
    if (!png_image_begin_read_from_memory(&png.image, chunks.data(), chunks.size()))
        Damaged(png.image);
    CheckPictureSize(png.image.width, png.image.height);
    // Shown at a fraction of its size: reduced while it is read, as a large
    // JPEG is. A check for damage reads it whole.
    if (options.targetWidth > 0 && options.targetHeight > 0 && options.damage == nullptr) {
        const int factor = WholeReduction(png.image.width, png.image.height, options.targetWidth, options.targetHeight);
        if (factor >= 2) {
            std::optional<Bitmap> reduced = DecodePngReduced(chunks.data(), chunks.size(), png.image.width,
                                                             png.image.height, factor, options.background);
            if (reduced)
                return std::move(*reduced);
        }
    }
    // Without a gamma chunk libpng takes 16-bit samples as linear light; the
    // programs that write them mean sRGB, as with 8 bits.
    png.image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    Bitmap bitmap(static_cast<int32_t>(png.image.width), static_cast<int32_t>(png.image.height));
    // libpng would lay alpha on the background in linear light, which makes
    // half-covered areas too bright; the straight alpha is read and composed here.
    if (png.image.format & PNG_FORMAT_FLAG_ALPHA) {
        png.image.format = PNG_FORMAT_BGRA;
        const size_t rowBytes = size_t{png.image.width} * 4;
        std::vector<uint8_t> pixels(rowBytes * png.image.height);
        if (!png_image_finish_read(&png.image, nullptr, pixels.data(), static_cast<png_int_32>(rowBytes), nullptr))
            Damaged(png.image);
        const uint8_t back[3] = {static_cast<uint8_t>(options.background >> 16 & 0xFF),
                                 static_cast<uint8_t>(options.background >> 8 & 0xFF),
                                 static_cast<uint8_t>(options.background & 0xFF)};
        for (int32_t y = 0; y < bitmap.Height(); ++y) {
            const uint8_t* in = pixels.data() + rowBytes * static_cast<size_t>(y);
            uint8_t* out = bitmap.Row(y);
            for (int32_t x = 0; x < bitmap.Width(); ++x, in += 4, out += 3)
                for (int c = 0; c < 3; ++c)
                    out[c] = ComposeOver(in[c], in[3], back[c]);
        }
    } else {
        png.image.format = PNG_FORMAT_BGR;
        // The row stride counts components, one byte each here.
        if (!png_image_finish_read(&png.image, nullptr, bitmap.Bits(), bitmap.Stride(), nullptr))
            Damaged(png.image);
    }
    // A warning: a kept ancillary chunk with a wrong check sum, or the file
    // ending after the picture's data; the pixels are whole either way.
    if (options.damage && (png.image.warning_or_error & PNG_IMAGE_WARNING))
        *options.damage = std::string("The PNG picture is damaged: ") + png.image.message;
    else if (options.damage && !dropped.empty())
        *options.damage = "The PNG picture is damaged: " + dropped;
    return bitmap;
}

}  // namespace orlscr
