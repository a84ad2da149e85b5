#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace orlscr::mkscr {

// The package being written. Nothing appears under the target's name until
// Commit(), which puts the whole file there in one step (replacing a file
// already there); a build that fails or is ended leaves no file behind:
// - Linux: the file is made without a name (O_TMPFILE) and linked to the target
//   when complete, so it disappears with the process however that ends;
// - where that cannot be done (a file system without it), a temporary file
//   beside the target takes its place; it is removed when the build fails and
//   on the signals that can be caught (interrupt, terminate, hang-up, quit,
//   broken pipe);
// - Windows: a temporary file beside the target, marked to be deleted when its
//   handle closes (also when the process is killed) until it is complete.
// ORLSCR_MKSCR_NO_TMPFILE=1 in the environment takes the temporary-file way on
// Linux too (for testing it).
class OutputFile {
  public:
    explicit OutputFile(const std::string& target);  // throws Error when it cannot be created
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void Write(const void* data, size_t count);
    void Write(std::string_view bytes) { Write(bytes.data(), bytes.size()); }
    void Commit();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace orlscr::mkscr
