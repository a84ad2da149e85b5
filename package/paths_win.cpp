#include <windows.h>

#include "package/paths.h"

namespace orlscr {

std::string TempDir() {
    char buffer[255] = {};
    GetTempPathA(sizeof buffer, buffer);
    buffer[sizeof buffer - 1] = '\0';
    return std::string(buffer);
}

std::string SysDir() {
    char buffer[255] = {};
    GetSystemDirectoryA(buffer, sizeof buffer);
    buffer[sizeof buffer - 1] = '\0';
    return std::string(buffer);
}

}  // namespace orlscr
