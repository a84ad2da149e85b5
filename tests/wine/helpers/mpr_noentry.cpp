// A "MPR.DLL" without the password-change entry.

#include <windows.h>

extern "C" __declspec(dllexport) DWORD WINAPI WNetStandInVersion() {
    return 1;
}
