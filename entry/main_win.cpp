// The player's entry: reads the screen-saver command line, hands a password
// change to the system's password provider, keeps a single running instance
// and dispatches to the preview, the settings dialog or the saver.

#include <windows.h>

#include <string>

#include "common/error.h"
#include "common/text.h"
#include "common/trace.h"
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

// The start sequence and the mode it hands over to; the process exit code.
int Start() {
    const std::vector<std::string> args = SplitCommandLine(::GetCommandLineA());
    SetStartArguments(UpperAscii(args.size() > 1 ? args[1] : std::string()),
                      UpperAscii(args.size() > 2 ? args[2] : std::string()));
    SetStartMode(DecideStartMode(FirstArgument()));
    const uint8_t startMode = StartMode();
    Trace("mode " + std::to_string(startMode) + " arg1=" + FirstArgument() + " arg2=" + SecondArgument());

    if (startMode == kPasswordMode) {
        ChangePassword(SecondArgument());
        return 0;
    }

    // Only the semaphore's existence counts; it is never waited on. Without
    // one (creation failed) the player runs unguarded.
    const std::string programPath = ProgramPath();
    const std::string semaphoreName = SemaphoreName(programPath, IsSystemLeadByte);
    UniqueHandle semaphore(::CreateSemaphoreA(nullptr, 0, 1, semaphoreName.c_str()));
    if (semaphore && ::GetLastError() == ERROR_ALREADY_EXISTS) {
        Trace("semaphore exists " + semaphoreName);
        return 0;
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
            return handOver ? RunPreviewMode(previewWindow, programPath) : 0;
        }
        case kSettingsMode:
            Trace("settings");
            return handOver ? RunSettingsMode(programPath) : 0;
        default:
            Trace("saver");
            return handOver ? RunSaverMode(startMode) : 0;
    }
}

}  // namespace
}  // namespace orlscr

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Every failure of the start sequence ends the player quietly: no message,
    // and exit code 0 unless the failure carries its own (a run that could not
    // load its hook library ends with -1).
    int exitCode = 0;
    try {
        exitCode = orlscr::Start();
    } catch (const orlscr::ExitCodeError& error) {
        orlscr::Trace(std::string("error ") + error.what());
        exitCode = error.ExitCode();
    } catch (const std::exception& error) {
        orlscr::Trace(std::string("error ") + error.what());
    } catch (...) {
        orlscr::Trace("error (unknown)");
    }
    orlscr::Trace("exit " + std::to_string(exitCode));
    return exitCode;
}
