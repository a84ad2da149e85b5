#include <windows.h>

#include "tools/mkscr/cli.h"

namespace orlscr::mkscr {

std::string ProgramFolder(const char*) {
    char buffer[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    std::string path(buffer, n);
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace orlscr::mkscr
