#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace orlscr {

// Copies a span of a row. Spans of the combs, fringes and squares are often
// only a few pixels wide, where a call of memcpy costs more than the copy; short
// spans are copied as two overlapping moves instead (the bitmaps are distinct,
// so overlapping within the target is harmless). A span is at least one pixel.
inline void CopySpan(uint8_t* to, const uint8_t* from, size_t bytes) {
    if (bytes >= 64) {
        std::memcpy(to, from, bytes);
    } else if (bytes >= 16) {
        for (size_t i = 0; i + 16 < bytes; i += 16)
            std::memcpy(to + i, from + i, 16);
        std::memcpy(to + bytes - 16, from + bytes - 16, 16);
    } else if (bytes >= 8) {
        std::memcpy(to, from, 8);
        std::memcpy(to + bytes - 8, from + bytes - 8, 8);
    } else if (bytes >= 4) {
        std::memcpy(to, from, 4);
        std::memcpy(to + bytes - 4, from + bytes - 4, 4);
    } else {
        std::memcpy(to, from, 2);
        to[bytes - 1] = from[bytes - 1];
    }
}

}  // namespace orlscr
