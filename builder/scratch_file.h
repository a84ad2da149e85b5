#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "common/c_file.h"

namespace orlscr::mkscr {

// A file without a name that holds the pictures the builder made (converted,
// reduced) until they are copied into the package, so that their bytes need
// not stay in memory. It disappears however the process ends. Safe to use
// from several threads.
class ScratchFile {
  public:
    ScratchFile();  // throws Error when no such file can be made

    // Appends the bytes; returns where they start.
    int64_t Append(std::string_view bytes);
    // Reads `size` bytes at `offset` into `into`. Throws Error.
    void Read(int64_t offset, size_t size, char* into);
    std::string Read(int64_t offset, size_t size);

  private:
    std::mutex lock_;
    UniqueCFile file_;
    int64_t end_ = 0;
};

// A stored picture's bytes in a scratch file.
struct ScratchPiece {
    std::shared_ptr<ScratchFile> file;
    int64_t offset = 0;
    int64_t size = 0;
};

// Opens the nameless file (the system's side).
std::FILE* OpenScratchFile();

}  // namespace orlscr::mkscr
