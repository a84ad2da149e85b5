#pragma once

#include <cstdint>
#include <vector>

#include "raster/bgrx.h"

namespace orlscr {

// A picture of 32-bit pixels (BgrxPixels' byte order) that owns its rows,
// stored without padding. Empty until made with a size; black when made.
class BgrxImage {
  public:
    BgrxImage() = default;
    BgrxImage(int32_t width, int32_t height)
        : width_(width), height_(height), bytes_(static_cast<size_t>(width) * height * BgrxPixels::kBytesPerPixel) {}

    bool IsEmpty() const { return width_ <= 0 || height_ <= 0; }
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    // A view of the pixels, valid while the image lives with its size.
    BgrxPixels Pixels() const {
        return BgrxPixels{const_cast<uint8_t*>(bytes_.data()), width_, height_, width_ * BgrxPixels::kBytesPerPixel};
    }

  private:
    int32_t width_ = 0;
    int32_t height_ = 0;
    std::vector<uint8_t> bytes_;
};

}  // namespace orlscr
