// Stands in for "PASSWORD.CPL": VerifyScreenSavePwd answers what the
// environment variable ORLSCR_PASSWORD_ANSWER says ("1" accepts, anything
// else refuses), and appends "password asked ANSWER" to the trace file named
// by ORLSCR_TRACE, so a test sees every call. An answer of several characters
// gives one per call, in turn (the calls already in the trace count), and the
// last one for every call after them. ORLSCR_PASSWORD_DELAY_MS makes every
// call take that long, as a user typing into the password dialog does.
// ORLSCR_PASSWORD_FAULT makes the call fault instead: "main" on the calling
// thread, "thread" on a thread of its own that the call waits for, as a
// library that crashes would.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/c_file.h"
#include "common/trace.h"

namespace {

// How many calls the trace file records so far.
int CallsSoFar(const char* trace) {
    int calls = 0;
    if (const orlscr::UniqueCFile file{std::fopen(trace, "rb")}) {
        char line[512];
        while (std::fgets(line, sizeof line, file.get()) != nullptr) {
            if (std::strncmp(line, "password asked ", 15) == 0)
                ++calls;
        }
    }
    return calls;
}

// An access violation, as a write through a null pointer raises it (the
// compiler would leave such a write out).
void Fault() {
    ::RaiseException(EXCEPTION_ACCESS_VIOLATION, 0, 0, nullptr);
}

DWORD WINAPI FaultingThread(void*) {
    Fault();
    return 0;
}

}  // namespace

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND) {
    if (const char* fault = std::getenv("ORLSCR_PASSWORD_FAULT")) {
        if (std::strcmp(fault, "thread") == 0) {
            HANDLE thread = ::CreateThread(nullptr, 0, FaultingThread, nullptr, 0, nullptr);
            ::WaitForSingleObject(thread, INFINITE);
        }
        Fault();
    }
    if (const char* delay = std::getenv("ORLSCR_PASSWORD_DELAY_MS"))
        ::Sleep(static_cast<DWORD>(std::atoi(delay)));
    const char* answers = std::getenv("ORLSCR_PASSWORD_ANSWER");
    const char* trace = std::getenv("ORLSCR_TRACE");
    char answer = '0';
    if (answers != nullptr && answers[0] != '\0') {
        const int call = trace != nullptr ? CallsSoFar(trace) : 0;
        const int last = static_cast<int>(std::strlen(answers)) - 1;
        answer = answers[call < last ? call : last];
    }
    const BOOL accepted = answer == '1';
    orlscr::Trace(accepted ? "password asked 1" : "password asked 0");
    return accepted;
}
