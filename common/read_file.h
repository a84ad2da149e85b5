#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "common/error.h"

namespace orlscr {

// A whole file that could not be read. what() names the file:
//   "Cannot open file <path>"
//   "Cannot read file <path>"
//   "Cannot read file <path>: it is larger than <cap>"
// Detail() tells the same without the name, for messages that name the file
// their own way: "the file cannot be opened (<system text>)", "the file cannot
// be read (<system text>)", "the file is larger than <cap>".
class FileReadError : public Error {
  public:
    enum class Reason { kCannotOpen, kCannotRead, kTooLarge };

    FileReadError(Reason reason, const std::string& path, const std::string& detail, const std::string& message)
        : Error(message), reason_(reason), path_(path), detail_(detail) {}

    Reason WhatFailed() const { return reason_; }
    const std::string& Path() const { return path_; }
    const std::string& Detail() const { return detail_; }

  private:
    Reason reason_;
    std::string path_;
    std::string detail_;
};

// A byte count as the messages show it: "64 MB" for whole megabytes (of
// 2^20 bytes), else "<n> bytes".
std::string ByteCountText(uint64_t bytes);

// Every byte of the file at `path` (opened with fopen, so on Windows the path
// is in the system code page), at most `cap` of them. Throws FileReadError
// when the file cannot be opened or read, or holds more than `cap` bytes;
// never reads more than `cap` + 1 bytes of it.
std::vector<uint8_t> ReadFileBytes(const std::string& path, uint64_t cap);

// The same for a file the caller opened (not null; read from its current
// position to its end); `path` names it in the messages. An open failure of
// the caller's can be reported with CannotOpenFileError.
std::vector<uint8_t> ReadFileBytes(std::FILE* file, const std::string& path, uint64_t cap);

// The FileReadError for a file that cannot be opened; `systemError` is the
// errno value of the failed open.
FileReadError CannotOpenFileError(const std::string& path, int systemError);

}  // namespace orlscr
