#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hook/source/keyboard_watch.h"
#include "package/input_file.h"
#include "package/settings_record.h"
#include "saver/exit_rules.h"
#include "saver/extract.h"
#include "saver/music.h"

namespace orlscr {

// What the password library's check answered.
enum class PasswordCheck {
    LibraryMissing,  // "PASSWORD.CPL" could not be loaded
    EntryMissing,    // it has no "VerifyScreenSavePwd"
    Accepted,
    Refused,
};

// Everything the saver window needs from the platform. The Win32 side
// implements it for the real run; tests implement it to watch the run.
class SaverPlatform {
  public:
    virtual ~SaverPlatform() = default;

    // The running program's file, for reading, writers denied. Throws Error.
    virtual std::unique_ptr<InputFile> OpenOwnFile() = 0;
    // The primary screen's size at this moment.
    virtual ScreenSize Screen() = 0;
    virtual void SetCursorPos(int32_t x, int32_t y) = 0;
    virtual void ShowCursor(bool show) = 0;
    virtual void ReleaseCapture() = 0;

    virtual std::string TempDir() = 0;
    virtual std::string SysDir() = 0;
    // The lead bytes of the system code page's double-byte characters, which
    // stored file names may hold; nullptr for a code page without them.
    virtual LeadBytePredicate LeadBytes() = 0;
    virtual TargetFiles& Files() = 0;
    // A key of "CONTROL.INI" beside the program as text; nothing when the
    // file or the key is missing.
    virtual std::optional<std::string> ReadControlIni(const std::string& section, const std::string& key) = 0;

    virtual std::unique_ptr<TTarvelNotify> CreateKeyboardWatch() = 0;
    virtual SoundDevice& MusicDevice() = 0;

    // Starts the viewer process; false when it could not be started.
    virtual bool StartViewerProcess(const std::string& commandLine) = 0;
    virtual bool HasViewerProcess() = 0;
    // The viewer's exit code, or nothing when it cannot be read.
    virtual std::optional<uint32_t> ViewerExitCode() = 0;
    virtual void TerminateViewerProcess() = 0;
    virtual void CloseViewerProcess() = 0;

    // SPI_SCREENSAVERRUNNING on or off.
    virtual void SetScreenSaverRunning(bool running) = 0;

    virtual void Sleep(uint32_t milliseconds) = 0;
    virtual void ProcessMessages() = 0;
    // Whether the application has been asked to end; Terminate asks it.
    virtual bool Terminated() = 0;
    virtual void Terminate() = 0;
    // The standard error box: the message and an OK button.
    virtual void ShowError(const std::string& message) = 0;

    virtual uint8_t StartMode() = 0;
    // "Control Panel\Desktop" of the current user, read only; false when it
    // cannot be opened. Values: a 32-bit integer value, nothing when missing
    // or of another type.
    virtual bool OpenDesktopKey() = 0;
    virtual std::optional<uint32_t> ReadDesktopInteger(const std::string& name) = 0;
    virtual void CloseDesktopKey() = 0;
    // Loads "PASSWORD.CPL" from the system folder, asks VerifyScreenSavePwd
    // and unloads it again.
    virtual PasswordCheck VerifyScreenSavePwd() = 0;
};

// The saver window of the run mode, without its platform: the start-up, the
// wait loop, the exit rules, the password check, closing and destruction.
//
// Lifecycle: constructed (FormCreate) -> FormActivate runs the start-up and
// then the wait loop, returning when the run ends -> FormDestroy. A start-up
// that does not complete (no package, an unreadable record, an error) ends the
// run after the error, if any, has been shown: the window is closed exactly as
// at a normal end, so no viewer and no screen-saver flag outlive it.
class TfrmScrn {
  public:
    explicit TfrmScrn(SaverPlatform& platform);
    ~TfrmScrn();

    TfrmScrn(const TfrmScrn&) = delete;
    TfrmScrn& operator=(const TfrmScrn&) = delete;

    // The first activate event runs the whole run; later ones (also those
    // that arrive while the start-up itself is still busy) return at once.
    void FormActivate();
    // Closes the window: FormClose, then the application is asked to end.
    void Close();
    // Stops the music and deletes the sound tracks this run wrote.
    void FormDestroy();

    // The keyboard watch's OnMessage handler: the exit rules.
    void KbdNotifyMessage(TTarvelNotify& Sender, TMessage M, bool& fDiscard);
    // The platform's screen-saver password check; true lets the run end.
    bool VerifyPassword();
    // The media device's completion event; `failed`: the track did not play.
    void mpSaverNotify(bool failed = false);

    bool StartPending() const { return StartPending_; }
    bool Closed() const { return closed_; }
    TSSFileLocations& Settings() { return Settings_; }
    const ExitRules& Rules() const { return rules_; }
    TTarvelNotify* KbdNotify() { return KbdNotify_.get(); }
    const std::string& ViewerCommandLine() const { return ViewerCommandLine_; }
    const std::vector<std::string>& WrittenSoundFiles() const { return writtenSounds_; }

  private:
    bool StartUp();
    void StartKeyboardWatch();
    void StartViewer();
    void WaitLoop();
    void FormClose();
    void EndViewer();
    void HideMouseCursor();
    void ShowMouseCursor();
    void AttachExitRules();

    SaverPlatform& platform_;
    TSSFileLocations Settings_;
    bool StartPending_ = true;
    bool starting_ = false;
    bool closed_ = false;
    bool destroyed_ = false;
    ExitRules rules_;
    std::unique_ptr<TTarvelNotify> KbdNotify_;
    std::unique_ptr<Music> music_;
    uint32_t ViewerExitCode_ = 0;
    std::string ViewerCommandLine_;
    std::vector<std::string> writtenSounds_;
};

}  // namespace orlscr
