#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "common/path.h"
#include "hook/source/keyboard_watch.h"
#include "package/input_file.h"
#include "saver/exit_rules.h"
#include "saver/extract.h"
#include "saver/music_requests.h"

namespace orlscr {

// What the saver window needs from the platform, one interface per role it
// plays. The Win32 side implements them for the real run; tests implement them
// to watch the run.

// The program's own file, the folders files are written to, and "CONTROL.INI".
class SaverFiles {
  public:
    virtual ~SaverFiles() = default;
    // The running program's file, for reading, writers denied. Throws Error.
    virtual std::unique_ptr<InputFile> OpenOwnFile() = 0;
    virtual std::string TempDir() = 0;
    virtual std::string SysDir() = 0;
    // A folder of the program's own among the current user's local
    // application data, which only that user can write, made when missing;
    // empty when there is none.
    virtual std::string UserLibraryDir() = 0;
    // The lead bytes of the system code page's double-byte characters, which
    // stored file names may hold; nullptr for a code page without them.
    virtual LeadBytePredicate LeadBytes() = 0;
    virtual TargetFiles& Files() = 0;
    // A key of "CONTROL.INI" beside the program as text; nothing when the
    // file or the key is missing.
    virtual std::optional<std::string> ReadControlIni(const std::string& section, const std::string& key) = 0;
};

// The viewer process: at most one at a time.
class ViewerProcess {
  public:
    virtual ~ViewerProcess() = default;
    // Starts the viewer process; false when it could not be started.
    virtual bool StartViewerProcess(const std::string& commandLine) = 0;
    virtual bool HasViewerProcess() = 0;
    // The viewer's exit code, or nothing when it cannot be read.
    virtual std::optional<uint32_t> ViewerExitCode() = 0;
    virtual void TerminateViewerProcess() = 0;
    virtual void CloseViewerProcess() = 0;
};

// What the password check answered.
enum class PasswordCheck {
    LibraryMissing,  // "PASSWORD.CPL" could not be loaded
    EntryMissing,    // it has no "VerifyScreenSavePwd"
    Accepted,
    Refused,
};

// The platform's screen-saver password library.
class PasswordProvider {
  public:
    virtual ~PasswordProvider() = default;
    // Loads "PASSWORD.CPL" from the system folder, asks VerifyScreenSavePwd
    // and unloads it again.
    virtual PasswordCheck VerifyScreenSavePwd() = 0;
};

// The desktop's settings: the user's password choice and the flag that a
// screen saver runs.
class DesktopSettings {
  public:
    virtual ~DesktopSettings() = default;
    // "Control Panel\Desktop" of the current user, read only; false when it
    // cannot be opened. Values: a 32-bit integer value, nothing when missing
    // or of another type.
    virtual bool OpenDesktopKey() = 0;
    virtual std::optional<uint32_t> ReadDesktopInteger(const std::string& name) = 0;
    virtual void CloseDesktopKey() = 0;
    // SPI_SCREENSAVERRUNNING on or off.
    virtual void SetScreenSaverRunning(bool running) = 0;
};

// The primary screen and the mouse cursor.
class ScreenAndCursor {
  public:
    virtual ~ScreenAndCursor() = default;
    // The primary screen's size at this moment.
    virtual ScreenSize Screen() = 0;
    virtual void SetCursorPos(int32_t x, int32_t y) = 0;
    virtual void ShowCursor(bool show) = 0;
    virtual void ReleaseCapture() = 0;
    // Covers the whole screen with the run's own black window, beneath its
    // box, for a run whose viewer shows nothing.
    virtual void CoverScreen() {}
};

// The application around the window: its message loop, its error box, the
// components the window owns, and the clock.
class SaverApplication {
  public:
    virtual ~SaverApplication() = default;
    virtual void Sleep(uint32_t milliseconds) = 0;
    virtual void ProcessMessages() = 0;
    // Whether the application has been asked to end; Terminate asks it.
    virtual bool Terminated() = 0;
    virtual void Terminate() = 0;
    // The standard error box: the message and an OK button.
    virtual void ShowError(const std::string& message) = 0;
    // Takes the saver window off the screen; the first step of the end.
    virtual void HideWindow() = 0;
    virtual uint8_t StartMode() = 0;

    // A keyboard watch whose hook library is loaded from `libraryFolder`, or
    // from the system folder when that is empty or holds no loadable library.
    virtual std::unique_ptr<TTarvelNotify> CreateKeyboardWatch(const std::string& libraryFolder) = 0;
    // The way to the thread that plays the music; that thread is started at
    // the first call.
    virtual MusicRequests& Music() = 0;
};

// The clock and the desktop's last input, by which the saver notices input
// that its keyboard watch was never told about.
class InputClock {
  public:
    virtual ~InputClock() = default;
    // Milliseconds since some fixed moment; wraps after 2^32.
    virtual uint32_t TickCount() = 0;
    // The tick count of the desktop's last input event.
    virtual uint32_t LastInputTick() = 0;
};

// The roles together, as the saver window gets them.
struct SaverPlatform {
    SaverFiles& files;
    ViewerProcess& viewer;
    PasswordProvider& password;
    DesktopSettings& desktop;
    ScreenAndCursor& screen;
    SaverApplication& application;
    InputClock& clock;
};

}  // namespace orlscr
