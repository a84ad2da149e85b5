#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hook/source/hook_watchdog.h"
#include "hook/source/keyboard_watch.h"
#include "package/settings_record.h"
#include "saver/exit_rules.h"
#include "saver/run_guard.h"
#include "saver/saver_platform.h"

namespace orlscr {

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
    // The run's exit code when the hook library cannot be loaded; the run goes
    // on without the keyboard watch's events.
    static constexpr int kNoHookLibraryExitCode = -1;

    explicit TfrmScrn(const SaverPlatform& platform);
    ~TfrmScrn();

    TfrmScrn(const TfrmScrn&) = delete;
    TfrmScrn& operator=(const TfrmScrn&) = delete;

    // The first activate event runs the whole run; later ones (also those
    // that arrive while the start-up itself is still busy) return at once.
    void FormActivate();
    // Closes the window: FormClose, then the application is asked to end.
    void Close();
    // Stops the music (waiting for it about a second at most) and deletes the
    // sound tracks this run wrote.
    void FormDestroy();

    // The keyboard watch's OnMessage handler: the exit rules.
    void KbdNotifyMessage(TTarvelNotify& Sender, TMessage M, bool& fDiscard);
    // The platform's screen-saver password check; true lets the run end.
    bool VerifyPassword();

    // What the process ends with: 0, or kNoHookLibraryExitCode.
    int ExitCode() const { return exitCode_; }
    bool StartPending() const { return StartPending_; }
    bool Closed() const { return closed_; }
    TSSFileLocations& Settings() { return Settings_; }
    const ExitRules& Rules() const { return rules_; }
    TTarvelNotify* KbdNotify() { return KbdNotify_.get(); }
    const std::string& ViewerCommandLine() const { return ViewerCommandLine_; }
    const std::vector<std::string>& WrittenSoundFiles() const { return writtenSounds_; }
    // What the run's guard thread watches (saver/run_guard.h).
    const RunPulse& Pulse() const { return pulse_; }

  private:
    bool StartUp();
    void WriteHookLibraryFile(InputFile& package);
    void StartKeyboardWatch();
    void StartViewer();
    void WaitLoop();
    void WatchHook();
    void FormClose();
    void EndViewer();
    void HideMouseCursor();
    void ShowMouseCursor();
    void AttachExitRules();
    void ShowError(const std::string& message);
    void CoverScreenWithoutViewer();

    SaverPlatform platform_;
    TSSFileLocations Settings_;
    bool StartPending_ = true;
    bool starting_ = false;
    bool closed_ = false;
    bool destroyed_ = false;
    ExitRules rules_;
    std::unique_ptr<TTarvelNotify> KbdNotify_;
    HookWatchdog watchdog_;
    // The desktop's last input when the watch's latest notification came.
    uint32_t deliveredUpTo_ = 0;
    bool musicStarted_ = false;
    uint32_t ViewerExitCode_ = 0;
    int exitCode_ = 0;
    std::string ViewerCommandLine_;
    // Where this run wrote the hook library; empty when nowhere.
    std::string hookFolder_;
    std::vector<std::string> writtenSounds_;
    RunPulse pulse_;
    bool covered_ = false;
};

}  // namespace orlscr
