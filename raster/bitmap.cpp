#include "raster/bitmap.h"

#include <cstring>
#include <stdexcept>

namespace orlscr {

void Bitmap::Resize(int32_t width, int32_t height) {
    const size_t before = bits_.size();
    ResizeForOverwrite(width, height);
    if (bits_.size() > before)
        std::memset(bits_.data() + before, 0, bits_.size() - before);
}

void Bitmap::ResizeForOverwrite(int32_t width, int32_t height) {
    if (width < 0 || height < 0)
        throw std::invalid_argument("negative bitmap size");
    width_ = width;
    height_ = height;
    stride_ = StrideFor(width);
    bits_.resize(static_cast<size_t>(stride_) * static_cast<size_t>(height));
}

}  // namespace orlscr
