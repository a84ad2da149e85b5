#pragma once

#include <cstddef>
#include <cstdint>

#include "common/bounded_bytes.h"

namespace orlscr {

inline constexpr const char* kBadBmp = "The BMP picture is damaged";
inline constexpr const char* kUnsupportedBmp = "This kind of BMP picture is not supported";

// The headers of a BMP file ("BM", then a device-independent bitmap), checked:
// the size is positive and within the limits, and the depth and compression
// are a pair the decoder handles.
struct BmpHeader {
    enum Compression : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6 };

    uint32_t bitsOffset = 0;
    uint32_t headerSize = 0;
    int32_t width = 0;
    int32_t height = 0;  // positive; topDown tells the row order
    bool topDown = false;
    uint16_t bitCount = 0;
    uint32_t compression = kRgb;
    uint32_t colorsUsed = 0;     // palette entries announced (0: all)
    size_t paletteEntrySize = 4;  // 3 for the old 12-byte header
    uint32_t masks[3] = {0, 0, 0};  // red, green, blue for 16 and 32 bits
    // Alpha for 16 and 32 bits: from the bit fields when they give one, else
    // the fourth byte of 32-bit pixels (0 when there is none). Pixels of a
    // picture whose alpha is zero everywhere are opaque, as writers that
    // leave the byte unused mean them.
    uint32_t alphaMask = 0;

    bool Paletted() const { return bitCount == 1 || bitCount == 4 || bitCount == 8; }
    size_t PaletteOffset() const { return 14 + static_cast<size_t>(headerSize); }
};

// Reads through `in` (whose error text is kBadBmp). Throws kBadBmp,
// kUnsupportedBmp or the too-large text.
BmpHeader ReadBmpHeader(const BoundedBytes& in);

}  // namespace orlscr
