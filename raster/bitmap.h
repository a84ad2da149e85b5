#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "raster/geometry.h"

namespace orlscr {

// A 24-bit picture, stored top-down, three bytes a pixel in the order blue,
// green, red (the platform's order, so a row can go to the screen unchanged),
// each row padded to a multiple of four bytes. Always holds width, height >= 0
// and bits.size() == stride * height.
class Bitmap {
  public:
    static constexpr int kBytesPerPixel = 3;

    Bitmap() = default;
    Bitmap(int32_t width, int32_t height) { Resize(width, height); }

    // New size; the content is undefined afterwards (zero for a fresh bitmap).
    void Resize(int32_t width, int32_t height);
    // New size with the content left undefined even for a fresh bitmap: for a
    // writer that fills every row (a decoder), so no pass clears it first.
    void ResizeForOverwrite(int32_t width, int32_t height);

    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    int32_t Stride() const { return stride_; }
    bool IsEmpty() const { return width_ <= 0 || height_ <= 0; }
    Rect Bounds() const { return Rect{0, 0, width_, height_}; }

    uint8_t* Row(int32_t y) { return bits_.data() + static_cast<size_t>(y) * stride_; }
    const uint8_t* Row(int32_t y) const { return bits_.data() + static_cast<size_t>(y) * stride_; }
    uint8_t* Bits() { return bits_.data(); }
    const uint8_t* Bits() const { return bits_.data(); }

    static int32_t StrideFor(int32_t width) { return (width * kBytesPerPixel + 3) & ~3; }

    // Same size and same pixels; the padding at the end of each row is not compared.
    friend bool operator==(const Bitmap& a, const Bitmap& b) {
        if (a.width_ != b.width_ || a.height_ != b.height_)
            return false;
        const size_t rowBytes = static_cast<size_t>(a.width_) * kBytesPerPixel;
        for (int32_t y = 0; y < a.height_; ++y)
            if (std::memcmp(a.Row(y), b.Row(y), rowBytes) != 0)
                return false;
        return true;
    }

  private:
    // Leaves new bytes as they come; Resize clears them itself.
    template <typename T>
    struct Uncleared : std::allocator<T> {
        using value_type = T;
        Uncleared() = default;
        template <typename U>
        Uncleared(const Uncleared<U>&) noexcept {}
        template <typename U>
        struct rebind {
            using other = Uncleared<U>;
        };
        template <typename U, typename... Args>
        void construct(U* at, Args&&... args) {
            if constexpr (sizeof...(Args) == 0)
                ::new (static_cast<void*>(at)) U;
            else
                ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
        }
    };

    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t stride_ = 0;
    std::vector<uint8_t, Uncleared<uint8_t>> bits_;
};

}  // namespace orlscr
