#pragma once

#include <cstddef>
#include <cstdint>

namespace orlscr {

// Random access to a read-only file: the package is never read whole, its
// readers seek to the trailer, to the record and to each embedded range.
// Read returns the number of bytes that arrived (fewer at the end of the file,
// 0 past it); Seek to a position outside the file fails only at the next Read.
class InputFile {
  public:
    virtual ~InputFile() = default;
    virtual int64_t Size() = 0;
    virtual void Seek(int64_t position) = 0;
    virtual size_t Read(void* buffer, size_t count) = 0;
};

}  // namespace orlscr
