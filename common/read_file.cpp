#include "common/read_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/c_file.h"

namespace orlscr {

namespace {

std::string SystemText(int systemError) {
    return std::strerror(systemError);
}

}  // namespace

std::string ByteCountText(uint64_t bytes) {
    constexpr uint64_t kMegabyte = uint64_t{1} << 20;
    if (bytes != 0 && bytes % kMegabyte == 0)
        return std::to_string(bytes / kMegabyte) + " MB";
    return std::to_string(bytes) + " bytes";
}

FileReadError CannotOpenFileError(const std::string& path, int systemError) {
    return FileReadError(FileReadError::Reason::kCannotOpen, path,
                         "the file cannot be opened (" + SystemText(systemError) + ")", "Cannot open file " + path);
}

std::vector<uint8_t> ReadFileBytes(std::FILE* file, const std::string& path, uint64_t cap) {
    std::vector<uint8_t> bytes;
    constexpr size_t kChunk = size_t{1} << 20;
    // Room for the whole file and the last read's chunk at once where the
    // size can be told, so a large file is not copied from buffer to growing
    // buffer (twice its size in memory).
    const long start = std::ftell(file);
    if (start >= 0 && std::fseek(file, 0, SEEK_END) == 0) {
        const long end = std::ftell(file);
        if (std::fseek(file, start, SEEK_SET) == 0 && end > start)
            bytes.reserve(static_cast<size_t>(std::min<uint64_t>(static_cast<uint64_t>(end - start), cap)) + kChunk +
                          1);
    }
    for (;;) {
        const size_t at = bytes.size();
        // One byte past the cap tells a file of exactly `cap` bytes from a larger one.
        const uint64_t room = cap - at;
        const size_t want = room < kChunk ? static_cast<size_t>(room) + 1 : kChunk;
        bytes.resize(at + want);
        errno = 0;
        const size_t got = std::fread(bytes.data() + at, 1, want, file);
        bytes.resize(at + got);
        if (bytes.size() > cap) {
            const std::string limit = ByteCountText(cap);
            throw FileReadError(FileReadError::Reason::kTooLarge, path, "the file is larger than " + limit,
                                "Cannot read file " + path + ": it is larger than " + limit);
        }
        if (got < want)
            break;
    }
    if (std::ferror(file)) {
        const int error = errno;
        throw FileReadError(FileReadError::Reason::kCannotRead, path,
                            "the file cannot be read (" + SystemText(error ? error : EIO) + ")",
                            "Cannot read file " + path);
    }
    return bytes;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path, uint64_t cap) {
    errno = 0;
    UniqueCFile file(std::fopen(path.c_str(), "rb"));
    if (!file)
        throw CannotOpenFileError(path, errno ? errno : ENOENT);
    return ReadFileBytes(file.get(), path, cap);
}

}  // namespace orlscr
