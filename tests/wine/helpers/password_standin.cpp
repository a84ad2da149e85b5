// Stands in for "PASSWORD.CPL": VerifyScreenSavePwd answers what the
// environment variable ORLSCR_PASSWORD_ANSWER says ("1" accepts, anything
// else refuses), and appends "password asked ANSWER" to the trace file named
// by ORLSCR_TRACE, so a test sees every call.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND) {
    const char* answer = std::getenv("ORLSCR_PASSWORD_ANSWER");
    const BOOL accepted = answer != nullptr && answer[0] == '1';
    if (const char* trace = std::getenv("ORLSCR_TRACE")) {
        if (std::FILE* file = std::fopen(trace, "ab")) {
            std::fprintf(file, "password asked %d\n", accepted ? 1 : 0);
            std::fclose(file);
        }
    }
    return accepted;
}
