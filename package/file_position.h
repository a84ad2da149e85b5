#pragma once

#include <cstdint>
#include <cstdio>

namespace orlscr {

// 64-bit positioning of a C stream, so packages past 2 GB are measured and
// refused rather than misread.
inline int SeekFile64(std::FILE* file, int64_t position, int whence) {
#ifdef _WIN32
    return _fseeki64(file, position, whence);
#else
    return fseeko(file, static_cast<off_t>(position), whence);
#endif
}

inline int64_t TellFile64(std::FILE* file) {
#ifdef _WIN32
    return _ftelli64(file);
#else
    return static_cast<int64_t>(ftello(file));
#endif
}

}  // namespace orlscr
