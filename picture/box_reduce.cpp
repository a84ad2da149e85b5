#include "picture/box_reduce.h"

#include <algorithm>

namespace orlscr {

BoxReducer::BoxReducer(int32_t width, int32_t height, int factor)
    : width_(width),
      height_(height),
      factor_(factor),
      sums_(static_cast<size_t>((width + factor - 1) / factor) * 3, 0),
      out_((width + factor - 1) / factor, (height + factor - 1) / factor) {}

void BoxReducer::AddRow(const uint8_t* row) {
    for (int32_t x = 0; x < width_; ++x)
        for (int c = 0; c < 3; ++c)
            sums_[3 * static_cast<size_t>(x / factor_) + c] += row[3 * x + c];
    ++row_;
    if (row_ % factor_ != 0 && row_ != height_)
        return;
    const int32_t rows = row_ % factor_ == 0 ? factor_ : row_ % factor_;
    uint8_t* out = out_.Row((row_ - 1) / factor_);
    for (int32_t o = 0; o < out_.Width(); ++o) {
        const uint32_t count = static_cast<uint32_t>(std::min(factor_, width_ - o * factor_) * rows);
        for (int c = 0; c < 3; ++c)
            out[3 * o + c] = static_cast<uint8_t>((sums_[3 * static_cast<size_t>(o) + c] + count / 2) / count);
    }
    std::fill(sums_.begin(), sums_.end(), 0u);
}

int WholeReduction(int64_t width, int64_t height, int32_t target_width, int32_t target_height) {
    if (target_width <= 0 || target_height <= 0)
        return 1;
    const int64_t factor = std::min(width / target_width, height / target_height);
    return factor >= 2 ? static_cast<int>(std::min<int64_t>(factor, 1 << 16)) : 1;
}

}  // namespace orlscr
