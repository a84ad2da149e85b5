// The player's entry: reads the screen-saver command line, hands a password
// change to the system's password provider, keeps a single running instance
// and dispatches to the preview, the settings dialog or the saver.

#include <windows.h>

#include <string>

#include "common/text.h"
#include "common/trace.h"
#include "common/win/exit_code.h"
#include "common/win/message_pump.h"
#include "common/win/paths.h"
#include "common/win/unique.h"
#include "entry/preview_mode_win.h"
#include "entry/start_mode.h"
#include "saver/saver_mode_win.h"
#include "setup/settings_mode_win.h"

namespace orlscr {
namespace {

// PwdChangePasswordA of the password provider; its result is not used.
using PwdChangePasswordFn = DWORD(WINAPI*)(LPCSTR regKeyName, HWND parent, UINT reserved1, UINT reserved2);

// Password mode: the password provider changes the saver password for the
// window given as the second argument. A missing library or entry changes
// nothing.
void ChangePassword(const std::string& secondArgument) {
    const std::string libraryPath = PasswordLibraryPath(SysDir());
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
    HWND parent = reinterpret_cast<HWND>(static_cast<INT_PTR>(ParseWindowHandle(secondArgument)));
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
    const uint8_t startMode = StartMode();
    Trace("mode " + std::to_string(startMode) + " arg1=" + FirstArgument() + " arg2=" + SecondArgument());

    if (startMode == kPasswordMode) {
        ChangePassword(SecondArgument());
        return;
    }

    // Only the semaphore's existence counts; it is never waited on. Without
    // one (creation failed) the player runs unguarded.
    const std::string programPath = ProgramPath();
    const std::string semaphoreName = SemaphoreName(programPath, IsSystemLeadByte);
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
    switch (startMode) {
        case kPreviewMode: {
            HWND previewWindow = reinterpret_cast<HWND>(static_cast<INT_PTR>(ParseWindowHandle(SecondArgument())));
            Trace("preview hwnd=" + std::to_string(reinterpret_cast<INT_PTR>(previewWindow)));
            if (handOver)
                RunPreviewMode(previewWindow, programPath);
            break;
        }
        case kSettingsMode:
            Trace("settings");
            if (handOver)
                RunSettingsMode(programPath);
            break;
        default:
            Trace("saver");
            if (handOver)
                RunSaverMode(startMode);
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
