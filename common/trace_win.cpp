#include "common/trace.h"

#include <windows.h>

#include <cstdint>
#include <string>

#include "common/win/unique.h"

namespace orlscr {

namespace {

// One lock per trace file, shared by every process that writes to it.
std::string TraceLockName(const char* path) {
    uint32_t hash = 2166136261u;  // FNV-1a of the path as given
    for (const char* c = path; *c != '\0'; ++c)
        hash = (hash ^ static_cast<unsigned char>(*c)) * 16777619u;
    return "Local\\orlscr-trace-" + std::to_string(hash);
}

}  // namespace

// Opened per line so that every line is on disk even if the process is killed.
// A handle with append access only (no FILE_WRITE_DATA) lands each WriteFile
// at the end of the file. Wine carries such a write out as a write at the
// file's size, which two processes can take at the same moment (one line then
// overwrites the other), so the writers of one file also take turns through a
// named mutex; a writer that waits too long writes anyway.
void AppendTraceLine(const char* path, std::string_view line) noexcept {
    const UniqueHandle lock(::CreateMutexA(nullptr, FALSE, TraceLockName(path).c_str()));
    const DWORD waited = lock ? ::WaitForSingleObject(lock.get(), 2000) : WAIT_FAILED;
    {
        const UniqueFile file(::CreateFileA(path, FILE_APPEND_DATA,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            DWORD written = 0;
            ::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        }
    }
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED)
        ::ReleaseMutex(lock.get());
}

}  // namespace orlscr
