#pragma once

#include <cstdio>
#include <memory>

namespace orlscr {

namespace detail {
struct CFileCloser {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};
}  // namespace detail

// Owns a C library file (fopen, _wfopen) and closes it when it goes out of
// scope. Null means no file. The only place a C file is closed.
using UniqueCFile = std::unique_ptr<std::FILE, detail::CFileCloser>;

}  // namespace orlscr
