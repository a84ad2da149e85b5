// Stand-in for the system's password provider "MPR.DLL": PwdChangePasswordA
// appends one line with its arguments to the file named by the environment
// variable ORLSCR_STANDIN_LOG ("PwdChangePasswordA SCRSAVE 1234 0 0").

#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "common/c_file.h"

extern "C" __declspec(dllexport) DWORD WINAPI
    PwdChangePasswordA(LPCSTR regKeyName, HWND parent, UINT reserved1, UINT reserved2) {
    const char* path = std::getenv("ORLSCR_STANDIN_LOG");
    if (path != nullptr && *path != '\0') {
        if (const orlscr::UniqueCFile file{std::fopen(path, "ab")})
            std::fprintf(file.get(), "PwdChangePasswordA %s %lld %u %u\n", regKeyName ? regKeyName : "(null)",
                         static_cast<long long>(reinterpret_cast<INT_PTR>(parent)), reserved1, reserved2);
    }
    return 0;
}
