// BMP files into bitmaps: palette, direct colour, bit fields and run-length rows.

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "common/bounded_bytes.h"
#include "common/error.h"
#include "picture/alpha.h"
#include "picture/bmp_header.h"
#include "picture/box_reduce.h"
#include "picture/decode.h"

namespace orlscr {

namespace {

// Scales a masked channel value to 0..255.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;

    explicit Channel(uint32_t m) : mask(m) {
        if (!mask)
            return;
        while (!(mask >> shift & 1))
            ++shift;
        max = mask >> shift;
    }
    uint8_t Of(uint32_t pixel) const {
        if (!max)
            return 0;
        return static_cast<uint8_t>(uint64_t{(pixel & mask) >> shift} * 255u / max);
    }
};

using Palette = uint8_t[256][3];

// Run-length rows (bottom-up): pairs of (count, index) runs and escapes for end
// of row, end of picture, a jump, and a stretch of literal indexes. Pixels a
// jump passes over stay black. Data that ends without its end mark gives what
// was decoded so far; false then.
bool DecodeRunLengths(const BoundedBytes& in, const BmpHeader& h, const Palette& palette, Bitmap& bitmap) {
    const bool four = h.compression == BmpHeader::kRle4;
    int64_t x = 0, y = 0;  // y counts rows from the bottom
    auto put = [&](unsigned index) {
        if (x < h.width && y < h.height)
            std::memcpy(bitmap.Row(static_cast<int32_t>(h.height - 1 - y)) + 3 * x, palette[index], 3);
        ++x;
    };
    size_t at = h.bitsOffset;
    while (in.Has(at, 2) && y < h.height) {
        const unsigned count = in.U8(at), value = in.U8(at + 1);
        at += 2;
        if (count > 0) {
            for (unsigned i = 0; i < count; ++i)
                put(four ? (i % 2 == 0 ? value >> 4 : value & 15) : value);
            continue;
        }
        if (value == 0) {  // end of row
            x = 0;
            ++y;
        } else if (value == 1) {  // end of picture
            return true;
        } else if (value == 2) {  // jump right and up
            x += in.U8(at);
            y += in.U8(at + 1);
            at += 2;
        } else {  // literal indexes, padded to a whole number of 16-bit words
            const size_t bytes = four ? (value + 1) / 2 : value;
            in.Need(at, bytes);
            for (unsigned i = 0; i < value; ++i) {
                const unsigned byte = in.U8(at + (four ? i / 2 : i));
                put(four ? (i % 2 == 0 ? byte >> 4 : byte & 15) : byte);
            }
            at += (bytes + 1) & ~size_t{1};
        }
    }
    return y >= h.height;
}

uint32_t PixelAt(const uint8_t* p, uint16_t bitCount) {
    return bitCount == 16 ? uint32_t{p[0]} | uint32_t{p[1]} << 8
                          : uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// Whether any pixel of a direct-colour picture (its bytes checked to be there)
// has alpha bits set.
bool AnyAlpha(const uint8_t* data, const BmpHeader& h, size_t rowBytes) {
    const size_t pixelBytes = h.bitCount / 8;
    for (int32_t y = 0; y < h.height; ++y) {
        const uint8_t* row = data + h.bitsOffset + rowBytes * static_cast<size_t>(y);
        for (int32_t x = 0; x < h.width; ++x)
            if (PixelAt(row + pixelBytes * x, h.bitCount) & h.alphaMask)
                return true;
    }
    return false;
}

}  // namespace

bool IsBmp(const uint8_t* data, size_t size) {
    return size >= 2 && data[0] == 'B' && data[1] == 'M';
}

Bitmap DecodeBmp(const uint8_t* data, size_t size, const DecodeOptions& options) {
    if (!IsBmp(data, size))
        throw Error("The file is not a BMP picture");
    const BoundedBytes in(data, size, kBadBmp);
    const BmpHeader h = ReadBmpHeader(in);

    // Palette: BGR(A) entries right after the info header. Some writers store
    // fewer entries than they announce; take what lies before the pixels, and
    // an index beyond them reads black.
    Palette palette = {};
    if (h.Paletted()) {
        const uint32_t maxColors = 1u << h.bitCount;
        const uint32_t announced = h.colorsUsed == 0 || h.colorsUsed > maxColors ? maxColors : h.colorsUsed;
        const size_t available =
            h.bitsOffset > h.PaletteOffset() ? (h.bitsOffset - h.PaletteOffset()) / h.paletteEntrySize : 0;
        const size_t count = std::min<size_t>(announced, available);
        in.Need(h.PaletteOffset(), count * h.paletteEntrySize);
        for (size_t i = 0; i < count; ++i)
            std::memcpy(palette[i], data + h.PaletteOffset() + i * h.paletteEntrySize, 3);
    }

    if (h.compression == BmpHeader::kRle8 || h.compression == BmpHeader::kRle4) {
        in.Need(h.bitsOffset, 2);
        Bitmap bitmap(h.width, h.height);
        if (!DecodeRunLengths(in, h, palette, bitmap) && options.damage)
            *options.damage = "The BMP picture is damaged: the run-length data ends before the picture does";
        return bitmap;
    }

    const size_t rowBytes = ((static_cast<size_t>(h.width) * h.bitCount + 31) / 32) * 4;
    // The last row needs only its pixels, not its padding.
    const size_t lastRowBytes = (static_cast<size_t>(h.width) * h.bitCount + 7) / 8;
    in.Need(h.bitsOffset, rowBytes * (h.height - 1) + lastRowBytes);

    // Shown at a fraction of its size: reduced while its rows are read.
    const int factor = WholeReduction(h.width, h.height, options.targetWidth, options.targetHeight);
    std::optional<BoxReducer> reducer;
    std::vector<uint8_t> line;
    Bitmap bitmap;
    if (factor > 1) {
        reducer.emplace(h.width, h.height, factor);
        line.resize(static_cast<size_t>(h.width) * 3);
    } else {
        bitmap.Resize(h.width, h.height);
    }
    const Channel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]);
    const Channel alpha(h.alphaMask && AnyAlpha(data, h, rowBytes) ? h.alphaMask : 0);
    const uint8_t back[3] = {static_cast<uint8_t>(options.background >> 16 & 0xFF),
                             static_cast<uint8_t>(options.background >> 8 & 0xFF),
                             static_cast<uint8_t>(options.background & 0xFF)};
    for (int32_t y = 0; y < h.height; ++y) {
        const int32_t fileRow = h.topDown ? y : h.height - 1 - y;
        const uint8_t* src = data + h.bitsOffset + rowBytes * fileRow;
        uint8_t* dst = reducer ? line.data() : bitmap.Row(y);
        switch (h.bitCount) {
            case 1:
            case 4:
            case 8: {
                const int perByte = 8 / h.bitCount;
                const unsigned valueMask = (1u << h.bitCount) - 1;
                for (int32_t x = 0; x < h.width; ++x, dst += 3) {
                    const int shift = 8 - h.bitCount * (x % perByte + 1);
                    const unsigned index = src[x / perByte] >> shift & valueMask;
                    std::memcpy(dst, palette[index], 3);
                }
                break;
            }
            case 24:
                std::memcpy(dst, src, static_cast<size_t>(h.width) * 3);
                break;
            default:
                for (int32_t x = 0; x < h.width; ++x, dst += 3) {
                    const uint8_t* p = src + (h.bitCount == 16 ? 2 : 4) * x;
                    const uint32_t pixel = PixelAt(p, h.bitCount);
                    dst[0] = blue.Of(pixel);
                    dst[1] = green.Of(pixel);
                    dst[2] = red.Of(pixel);
                    if (alpha.mask) {
                        const uint8_t a = alpha.Of(pixel);
                        for (int c = 0; c < 3; ++c)
                            dst[c] = ComposeOver(dst[c], a, back[c]);
                    }
                }
                break;
        }
        if (reducer)
            reducer->AddRow(line.data());
    }
    if (reducer)
        return reducer->Take();
    return bitmap;
}

std::vector<uint8_t> EncodeBmp(const Bitmap& bitmap) {
    const uint32_t imageSize = static_cast<uint32_t>(bitmap.Stride()) * bitmap.Height();
    const uint32_t offset = 14 + 40;
    std::vector<uint8_t> out(offset + imageSize);
    auto put32 = [&out](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, offset + imageSize);
    put32(10, offset);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(bitmap.Width()));
    put32(22, static_cast<uint32_t>(bitmap.Height()));
    out[26] = 1;   // planes
    out[28] = 24;  // bits a pixel
    put32(34, imageSize);
    put32(38, 2835);  // 72 dots an inch
    put32(42, 2835);
    // Our rows are top-down with the same padding; the file stores them bottom-up.
    for (int32_t y = 0; y < bitmap.Height(); ++y)
        std::memcpy(out.data() + offset + static_cast<size_t>(bitmap.Stride()) * (bitmap.Height() - 1 - y),
                    bitmap.Row(y), static_cast<size_t>(bitmap.Stride()));
    return out;
}

}  // namespace orlscr
