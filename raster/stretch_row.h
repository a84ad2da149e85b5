#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orlscr {

// One row of a nearest-pixel stretch of 3-byte pixels, planned once for all
// the rows of a copy: output pixel i is the pixel at byte `offsets[i]` of the
// source row. Where four neighbouring output pixels come from at most 16
// source bytes (enlarging, or reducing a little), they are made by one
// 16-byte load and one byte shuffle on processors that have SSSE3; where each
// pair of them does (reducing up to about four times), by two loads and two
// shuffles; the rest pixel by pixel. Never reads past `readable` bytes from a row's start, nor
// writes past the 3 * count bytes of the output.
class StretchRow {
  public:
    StretchRow(const int32_t* offsets, size_t count, size_t readable);
    void Run(uint8_t* out, const uint8_t* in) const;

    // Four output pixels made by a shuffle of the 16 bytes at `base`, joined
    // with a shuffle of those at `base2` (whose mask is all zero bytes when
    // the first load holds all four).
    struct Group {
        int32_t base;
        int32_t base2;
        uint8_t shuffle[16];
        uint8_t shuffle2[16];
    };

  private:
    const int32_t* offsets_;
    size_t count_;
    size_t readable_;
    // Groups for pixels 0, 4, 8, ... while all of them can take one; the
    // pixels after those go one by one.
    std::vector<Group> groups_;
    bool twoLoads_ = false;  // some group takes its pixels from two loads
};

}  // namespace orlscr
