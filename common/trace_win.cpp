#include "common/trace.h"

#include <windows.h>

#include "common/win/unique.h"

namespace orlscr {

// Opened per line so that every line is on disk even if the process is killed.
// A handle with append access only (no FILE_WRITE_DATA) makes each WriteFile
// land at the end of the file, whatever another process wrote meanwhile.
void AppendTraceLine(const char* path, std::string_view line) noexcept {
    const UniqueFile file(::CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return;
    DWORD written = 0;
    ::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace orlscr
