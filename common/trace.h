#pragma once

// Test trace of the player: when the environment variable ORLSCR_TRACE names a
// file, Trace() appends one line to it per call ("mode 2 arg1=/C:1234 arg2=",
// "semaphore exists"). Without the variable it does nothing; the player keeps
// no other log. Written without <windows.h> so portable code may trace too.
//
// Line format: free text, one event per line, first word names the event.
// Line breaks inside a line are replaced by blanks so every event stays one line.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/c_file.h"

namespace orlscr {

inline bool TraceEnabled() noexcept {
    const char* path = std::getenv("ORLSCR_TRACE");
    return path != nullptr && *path != '\0';
}

inline void Trace(std::string_view line) noexcept {
    const char* path = std::getenv("ORLSCR_TRACE");
    if (path == nullptr || *path == '\0')
        return;
    // Opened per line so that every line is on disk even if the process is
    // killed, and so that two processes can share one trace file.
    const UniqueCFile file(std::fopen(path, "ab"));
    if (!file)
        return;
    for (char c : line)
        std::fputc(c == '\n' || c == '\r' ? ' ' : c, file.get());
    std::fputc('\n', file.get());
}

}  // namespace orlscr
