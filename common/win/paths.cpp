#include "common/win/paths.h"

#include <windows.h>

#include "common/grow_buffer.h"
#include "common/path.h"
#include "common/win/win32_error.h"

namespace orlscr {

bool IsSystemLeadByte(unsigned char byte) {
    return ::IsDBCSLeadByte(byte) != 0;
}

std::string TempDir() {
    auto folder = QueryGrowingText(
        [](char* buffer, size_t size) { return ::GetTempPathA(static_cast<DWORD>(size), buffer); });
    if (!folder)
        throw Win32Error("Cannot find the temporary folder");
    return *folder;
}

std::string SysDir() {
    auto folder = QueryGrowingText(
        [](char* buffer, size_t size) { return ::GetSystemDirectoryA(buffer, static_cast<UINT>(size)); });
    if (!folder)
        throw Win32Error("Cannot find the system folder");
    return *folder;
}

std::string ProgramPath() {
    auto path = QueryGrowingText(
        [](char* buffer, size_t size) { return ::GetModuleFileNameA(nullptr, buffer, static_cast<DWORD>(size)); });
    if (!path)
        throw Win32Error("Cannot find the program's file");
    return *path;
}

std::string ProgramFolder() {
    return ProgramFolder(ProgramPath(), IsSystemLeadByte);
}

}  // namespace orlscr
