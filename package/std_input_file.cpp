#include "package/std_input_file.h"

#include <cstring>

#include "common/error.h"
#include "package/file_position.h"

namespace orlscr {

StdInputFile::StdInputFile(const std::string& path) : file_(std::fopen(path.c_str(), "rb")) {
    if (!file_)
        throw Error("Cannot open file " + path);
}

int64_t StdInputFile::Size() {
    if (size_ < 0) {
        if (SeekFile64(file_.get(), 0, SEEK_END) != 0)
            return 0;
        size_ = TellFile64(file_.get());
        positioned_ = false;
    }
    return size_;
}

void StdInputFile::Seek(int64_t position) {
    position_ = position;
    positioned_ = false;
}

size_t StdInputFile::Read(void* buffer, size_t count) {
    if (position_ < 0)
        return 0;
    if (!positioned_) {
        if (SeekFile64(file_.get(), position_, SEEK_SET) != 0)
            return 0;
        positioned_ = true;
    }
    size_t got = std::fread(buffer, 1, count, file_.get());
    position_ += static_cast<int64_t>(got);
    if (got < count)
        positioned_ = false;  // clears the end-of-file state at the next read
    return got;
}

size_t MemoryInputFile::Read(void* buffer, size_t count) {
    if (position_ < 0 || position_ >= static_cast<int64_t>(size_))
        return 0;
    size_t available = size_ - static_cast<size_t>(position_);
    size_t n = count < available ? count : available;
    std::memcpy(buffer, data_ + position_, n);
    position_ += static_cast<int64_t>(n);
    return n;
}

}  // namespace orlscr
