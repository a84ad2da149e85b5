// Holds a named semaphore the way a running player does, so a test can start
// a second player against it.
//
//   hold_semaphore.exe [--mutex] NAME [READY_FILE]
//
// Creates the semaphore NAME (with --mutex: a mutex of that name, which keeps
// a semaphore of the name from being created at all), then prints "ready" (and
// writes READY_FILE, if given), then keeps it until its standard input reaches
// end of file (the test closes the pipe) or ten minutes have passed. Exit code
// 0, or 1 when the object could not be created, 2 when it existed already.

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "common/c_file.h"
#include "common/win/unique.h"

int main(int argc, char** argv) {
    const bool mutex = argc > 1 && std::strcmp(argv[1], "--mutex") == 0;
    if (mutex) {
        --argc;
        ++argv;
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: hold_semaphore [--mutex] NAME [READY_FILE]\n");
        return 1;
    }
    orlscr::UniqueHandle held(mutex ? ::CreateMutexA(nullptr, FALSE, argv[1])
                                    : ::CreateSemaphoreA(nullptr, 0, 1, argv[1]));
    if (!held)
        return 1;
    if (::GetLastError() == ERROR_ALREADY_EXISTS)
        return 2;
    if (argc > 2)
        orlscr::UniqueCFile(std::fopen(argv[2], "wb"));  // made and closed at once
    std::printf("ready\n");
    std::fflush(stdout);

    // Reads standard input on a thread so that the ten-minute limit also
    // holds when the pipe is never closed.
    orlscr::UniqueHandle reader(::CreateThread(
        nullptr, 0,
        [](LPVOID) -> DWORD {
            char buffer[64];
            DWORD read = 0;
            HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
            while (::ReadFile(in, buffer, sizeof buffer, &read, nullptr) && read > 0) {
            }
            return 0;
        },
        nullptr, 0, nullptr));
    ::WaitForSingleObject(reader.get(), 10 * 60 * 1000);
    return 0;
}
