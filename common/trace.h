#pragma once

// Test trace of the player: when the environment variable ORLSCR_TRACE names a
// file, Trace() appends one line to it per call ("mode 2 arg1=/C:1234 arg2=",
// "semaphore exists"). Without the variable it does nothing; the player keeps
// no other log. Written without <windows.h> so portable code may trace too.
//
// Line format: free text, one event per line, first word names the event.
// Line breaks inside a line are replaced by blanks so every event stays one line.

#include <cstdlib>
#include <string>
#include <string_view>

namespace orlscr {

inline bool TraceEnabled() noexcept {
    const char* path = std::getenv("ORLSCR_TRACE");
    return path != nullptr && *path != '\0';
}

// Appends `line` to the file at `path` with one write to a file opened for
// appending only, so that lines of several processes (the saver, its media
// thread, the viewer) never overwrite each other. Quiet when it cannot.
void AppendTraceLine(const char* path, std::string_view line) noexcept;

inline void Trace(std::string_view line) noexcept {
    const char* path = std::getenv("ORLSCR_TRACE");
    if (path == nullptr || *path == '\0')
        return;
    std::string text;
    text.reserve(line.size() + 1);
    for (char c : line)
        text += c == '\n' || c == '\r' ? ' ' : c;
    text += '\n';
    AppendTraceLine(path, text);
}

}  // namespace orlscr
