#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <utility>

#include "common/c_file.h"
#include "package/input_file.h"

namespace orlscr {

// An InputFile over the C library's files, opened read-only. Builds everywhere;
// the player's own file on Windows is opened with the Win32 side's sharing rules
// instead (package/own_file_win.h).
class StdInputFile : public InputFile {
  public:
    // Throws Error("Cannot open file <path>") when the file cannot be opened.
    explicit StdInputFile(const std::string& path);
    // Takes over a file that is open for reading (not null).
    explicit StdInputFile(UniqueCFile file) : file_(std::move(file)) {}

    int64_t Size() override;
    void Seek(int64_t position) override;
    size_t Read(void* buffer, size_t count) override;

  private:
    UniqueCFile file_;
    int64_t size_ = -1;
    int64_t position_ = 0;
    bool positioned_ = true;
};

// An InputFile over bytes in memory (tests, fuzzing, small streams).
class MemoryInputFile : public InputFile {
  public:
    MemoryInputFile(const void* data, size_t size) : data_(static_cast<const unsigned char*>(data)), size_(size) {}
    int64_t Size() override { return static_cast<int64_t>(size_); }
    void Seek(int64_t position) override { position_ = position; }
    size_t Read(void* buffer, size_t count) override;

  private:
    const unsigned char* data_;
    size_t size_;
    int64_t position_ = 0;
};

}  // namespace orlscr
