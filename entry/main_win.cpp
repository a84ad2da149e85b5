// The player's entry: reads the screen-saver command line, hands a password
// change to the system's password provider, keeps a single running instance
// and dispatches to the preview, the settings dialog or the saver.

#include <windows.h>

#include <string>

#include "common/text.h"
#include "common/win/exit_code.h"
#include "common/trace.h"
#include "common/win/unique.h"
#include "entry/modes_win.h"
#include "entry/start_mode.h"

namespace orlscr {
namespace {

// PwdChangePasswordA of the password provider; its result is not used.
using PwdChangePasswordFn = DWORD(WINAPI*)(LPCSTR regKeyName, HWND parent, UINT reserved1, UINT reserved2);

std::string SystemFolder() {
    std::string dir(MAX_PATH, '\0');
    UINT length = ::GetSystemDirectoryA(dir.data(), static_cast<UINT>(dir.size()));
    if (length >= dir.size()) {
        // Too small: the call returned the size it needs, including the zero.
        dir.resize(length);
        length = ::GetSystemDirectoryA(dir.data(), static_cast<UINT>(dir.size()));
        if (length >= dir.size())
            length = 0;
    }
    dir.resize(length);
    return dir;
}

std::string ProgramPath() {
    std::string path(MAX_PATH, '\0');
    while (true) {
        DWORD length = ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// Password mode: the password provider changes the saver password for the
// window given as the second argument. A missing library or entry changes
// nothing.
void ChangePassword() {
    const std::string libraryPath = PasswordLibraryPath(SystemFolder());
    UniqueModule library(::LoadLibraryA(libraryPath.c_str()));
    if (!library) {
        Trace("password library missing " + libraryPath);
        return;
    }
    auto change = reinterpret_cast<PwdChangePasswordFn>(
        reinterpret_cast<void*>(::GetProcAddress(library.get(), "PwdChangePasswordA")));
    if (change == nullptr) {
        Trace("password entry missing");
        return;
    }
    // Window handles are 32-bit values, sign-extended on 64-bit Windows.
    HWND parent = reinterpret_cast<HWND>(static_cast<INT_PTR>(ParseWindowHandle(SecondArgument())));
    Trace("password change hwnd=" + std::to_string(reinterpret_cast<INT_PTR>(parent)));
    change("SCRSAVE", parent, 0, 0);
}

bool EntryOnly() {
    char value[8];
    DWORD length = ::GetEnvironmentVariableA("ORLSCR_ENTRY_ONLY", value, sizeof value);
    return length > 0 && length < sizeof value && value[0] != '0';
}

void Start() {
    const std::vector<std::string> args = SplitCommandLine(::GetCommandLineA());
    SetStartArguments(UpperAscii(args.size() > 1 ? args[1] : std::string()),
                      UpperAscii(args.size() > 2 ? args[2] : std::string()));
    SetStartMode(DecideStartMode(FirstArgument()));
    Trace("mode " + std::to_string(StartMode()) + " arg1=" + FirstArgument() + " arg2=" + SecondArgument());

    if (StartMode() == kPasswordMode) {
        ChangePassword();
        return;
    }

    // Only the semaphore's existence counts; it is never waited on. Without
    // one (creation failed) the player runs unguarded.
    const std::string semaphoreName = SemaphoreName(ProgramPath());
    UniqueHandle semaphore(::CreateSemaphoreA(nullptr, 0, 1, semaphoreName.c_str()));
    if (semaphore && ::GetLastError() == ERROR_ALREADY_EXISTS) {
        Trace("semaphore exists " + semaphoreName);
        return;
    }
    Trace(semaphore ? "semaphore created " + semaphoreName : "semaphore failed " + semaphoreName);

    // The start notifications sent to a new GUI process are handled before the
    // first window appears.
    ProcessPendingMessages();

    // Test seam: with ORLSCR_ENTRY_ONLY set, the entry stops before it hands
    // over, so the dispatch can be checked without the windows of the modes.
    const bool handOver = !EntryOnly();
    switch (StartMode()) {
        case kPreviewMode: {
            HWND previewWindow = reinterpret_cast<HWND>(static_cast<INT_PTR>(ParseWindowHandle(SecondArgument())));
            Trace("preview hwnd=" + std::to_string(reinterpret_cast<INT_PTR>(previewWindow)));
            if (handOver)
                RunPreviewMode(previewWindow);
            break;
        }
        case kSettingsMode:
            Trace("settings");
            if (handOver)
                RunSettingsMode();
            break;
        default:
            Trace("saver");
            if (handOver)
                RunSaverMode();
            break;
    }
}

}  // namespace
}  // namespace orlscr

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Every failure of the start sequence ends the player quietly: no message,
    // and the exit code that was set (0 unless the keyboard watch set -1).
    try {
        orlscr::Start();
    } catch (const std::exception& error) {
        orlscr::Trace(std::string("error ") + error.what());
    } catch (...) {
        orlscr::Trace("error (unknown)");
    }
    orlscr::Trace("exit " + std::to_string(orlscr::ExitCode()));
    return orlscr::ExitCode();
}
