#include <windows.h>

#include <cstdio>

#include "builder/scratch_file.h"

namespace orlscr::mkscr {

// In the user's temporary folder, deleted when it is closed ("D"), also when
// the process is ended, and kept in memory where it can be ("T").
std::FILE* OpenScratchFile() {
    wchar_t folder[MAX_PATH + 1];
    wchar_t path[MAX_PATH + 1];
    if (!GetTempPathW(MAX_PATH + 1, folder) || !GetTempFileNameW(folder, L"msc", 0, path))
        return nullptr;
    std::FILE* file = _wfopen(path, L"w+bTD");
    if (!file)
        DeleteFileW(path);
    return file;
}

}  // namespace orlscr::mkscr
