// Checks the Win32 helpers of common/win on a real Win32: the handle owners
// close exactly once, moves hand ownership over, release() gives it up, and
// Win32Error carries the system's text. Prints each failed check and exits
// with the number of failures.

#include <windows.h>

#include <cstdio>
#include <string>
#include <utility>

#include "common/win/exit_code.h"
#include "common/win/unique.h"
#include "common/win/win32_error.h"

namespace {

int failures = 0;

void Check(bool ok, const char* what) {
    if (!ok) {
        std::printf("FAILED: %s\n", what);
        ++failures;
    }
}

bool IsOpen(HANDLE h) {
    DWORD flags = 0;
    return ::GetHandleInformation(h, &flags) != 0;
}

HANDLE NewEvent() {
    return ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

void CheckUniqueHandle() {
    HANDLE raw = NewEvent();
    {
        orlscr::UniqueHandle a(raw);
        Check(static_cast<bool>(a) && a.get() == raw, "holder owns the handle");
        orlscr::UniqueHandle b(std::move(a));
        Check(!a && b.get() == raw, "move hands the handle over");
        Check(IsOpen(raw), "move does not close");
        orlscr::UniqueHandle c;
        c = std::move(b);
        Check(!b && c.get() == raw && IsOpen(raw), "move assignment hands the handle over");
    }
    Check(!IsOpen(raw), "destructor closes");

    HANDLE first = NewEvent();
    HANDLE second = NewEvent();
    orlscr::UniqueHandle holder(first);
    holder.reset(second);
    Check(!IsOpen(first) && IsOpen(second), "reset closes the old handle and keeps the new one");
    HANDLE released = holder.release();
    Check(!holder && released == second, "release gives up ownership");
    holder.reset();
    Check(IsOpen(second), "an empty holder closes nothing");
    ::CloseHandle(second);
}

void CheckUniqueFileAndModule() {
    orlscr::UniqueFile none;
    Check(!none && none.get() == INVALID_HANDLE_VALUE, "an empty file holder is INVALID_HANDLE_VALUE");
    orlscr::UniqueFile missing(
        ::CreateFileA("Z:\\no\\such\\file.bin", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    Check(!missing, "a failed CreateFile is an empty holder");

    orlscr::UniqueModule module(::LoadLibraryA("version.dll"));
    Check(static_cast<bool>(module), "LoadLibrary gives a module");
    module.reset();
    Check(!module, "reset frees the module");
}

void CheckWin32Error() {
    orlscr::Win32Error error("Cannot open file C:\\x", ERROR_FILE_NOT_FOUND);
    const std::string text = error.what();
    Check(text.rfind("Cannot open file C:\\x: ", 0) == 0, "message starts with the caller's text");
    Check(text.size() > std::string("Cannot open file C:\\x: ").size(), "the system's text follows");
    Check(text.back() != '\n' && text.back() != '\r' && text.back() != ' ', "no trailing line break");
    Check(error.code() == ERROR_FILE_NOT_FOUND, "the code is kept");

    ::SetLastError(ERROR_ACCESS_DENIED);
    orlscr::Win32Error last("x");
    Check(last.code() == ERROR_ACCESS_DENIED, "GetLastError is taken by default");

    Check(orlscr::SystemErrorText(0x2FFFFFFF) == "error 805306367", "unknown codes are given as numbers");
}

void CheckExitCode() {
    Check(orlscr::ExitCode() == 0, "the exit code starts at 0");
    orlscr::SetExitCode(-1);
    Check(orlscr::ExitCode() == -1, "the exit code keeps what was set");
    orlscr::SetExitCode(0);
}

}  // namespace

int main() {
    CheckUniqueHandle();
    CheckUniqueFileAndModule();
    CheckWin32Error();
    CheckExitCode();
    std::printf("%d failed\n", failures);
    return failures;
}
