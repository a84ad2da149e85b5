#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/error.h"

namespace orlscr {

// Reads integers at offsets of a byte range in memory, little-endian unless
// told otherwise. Every read that would leave the range throws Error with the
// text given at construction, so a parser states once what a short or
// damaged input is called and never reads past its end.
class BoundedBytes {
  public:
    BoundedBytes(const uint8_t* data, size_t size, std::string errorText, bool bigEndian = false)
        : data_(data), size_(size), errorText_(std::move(errorText)), bigEndian_(bigEndian) {}
    BoundedBytes(std::string_view bytes, std::string errorText)
        : BoundedBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), std::move(errorText)) {}

    size_t size() const { return size_; }
    const uint8_t* data() const { return data_; }
    bool Has(size_t at, size_t count) const { return at <= size_ && count <= size_ - at; }
    void Need(size_t at, size_t count) const {
        if (!Has(at, count))
            Fail();
    }
    [[noreturn]] void Fail() const { throw Error(errorText_); }

    uint8_t U8(size_t at) const {
        Need(at, 1);
        return data_[at];
    }
    uint16_t U16(size_t at) const {
        Need(at, 2);
        const uint8_t* p = data_ + at;
        return static_cast<uint16_t>(bigEndian_ ? p[0] << 8 | p[1] : p[1] << 8 | p[0]);
    }
    uint32_t U32(size_t at) const {
        Need(at, 4);
        const uint8_t* p = data_ + at;
        const uint32_t b0 = p[0], b1 = p[1], b2 = p[2], b3 = p[3];
        return bigEndian_ ? b0 << 24 | b1 << 16 | b2 << 8 | b3 : b3 << 24 | b2 << 16 | b1 << 8 | b0;
    }
    int16_t I16(size_t at) const { return static_cast<int16_t>(U16(at)); }
    int32_t I32(size_t at) const { return static_cast<int32_t>(U32(at)); }
    std::string_view Text(size_t at, size_t count) const {
        Need(at, count);
        return std::string_view(reinterpret_cast<const char*>(data_ + at), count);
    }
    // The bytes [at, at + count) as a reader of their own with the same rules.
    BoundedBytes Sub(size_t at, size_t count) const {
        Need(at, count);
        return BoundedBytes(data_ + at, count, errorText_, bigEndian_);
    }

  private:
    const uint8_t* data_;
    size_t size_;
    std::string errorText_;
    bool bigEndian_;
};

// The four bytes of a little-endian 32-bit value, for writers of the formats
// BoundedBytes reads.
inline std::string Le32Bytes(uint32_t value) {
    std::string bytes(4, '\0');
    for (int k = 0; k < 4; ++k)
        bytes[static_cast<size_t>(k)] = static_cast<char>((value >> (8 * k)) & 0xFF);
    return bytes;
}

}  // namespace orlscr
