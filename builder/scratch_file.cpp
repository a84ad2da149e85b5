#include "builder/scratch_file.h"

#include <cerrno>
#include <cstring>

#include "common/error.h"
#include "package/file_position.h"

namespace orlscr::mkscr {

ScratchFile::ScratchFile() : file_(OpenScratchFile()) {
    if (!file_)
        throw Error(std::string("cannot make a temporary file for the converted pictures: ") + std::strerror(errno));
}

int64_t ScratchFile::Append(std::string_view bytes) {
    std::lock_guard<std::mutex> hold(lock_);
    const int64_t at = end_;
    if (SeekFile64(file_.get(), at, SEEK_SET) != 0 ||
        std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size() || std::fflush(file_.get()) != 0)
        throw Error(std::string("cannot write the temporary file of the converted pictures: ") + std::strerror(errno));
    end_ += static_cast<int64_t>(bytes.size());
    return at;
}

void ScratchFile::Read(int64_t offset, size_t size, char* into) {
    std::lock_guard<std::mutex> hold(lock_);
    if (SeekFile64(file_.get(), offset, SEEK_SET) != 0 || std::fread(into, 1, size, file_.get()) != size)
        throw Error("cannot read the temporary file of the converted pictures");
}

std::string ScratchFile::Read(int64_t offset, size_t size) {
    std::string bytes(size, '\0');
    Read(offset, size, bytes.data());
    return bytes;
}

#ifndef _WIN32
std::FILE* OpenScratchFile() {
    return std::tmpfile();  // unlinked at once: nothing is left behind
}
#endif

}  // namespace orlscr::mkscr
