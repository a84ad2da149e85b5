#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "raster/bitmap.h"

namespace orlscr {

// A picture reduced a whole number of times while its rows come in, top to
// bottom: every output pixel is the rounded mean of its factor x factor block
// of source pixels (fewer at the right and bottom edges). Holds one row of
// sums; the output bitmap is made at once.
class BoxReducer {
  public:
    BoxReducer(int32_t width, int32_t height, int factor);

    // The next source row: `width` pixels of blue, green, red.
    void AddRow(const uint8_t* row);
    Bitmap Take() { return std::move(out_); }

  private:
    int32_t width_;
    int32_t height_;
    int factor_;
    int32_t row_ = 0;  // source rows added
    std::vector<uint32_t> sums_;
    Bitmap out_;
};

// The largest whole factor by which a picture of width x height can be
// reduced and still cover target_width x target_height: 2 or more, else 1
// (also when there is no target).
int WholeReduction(int64_t width, int64_t height, int32_t target_width, int32_t target_height);

}  // namespace orlscr
