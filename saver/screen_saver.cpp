#include "saver/screen_saver.h"

#include <exception>
#include <string>
#include <utility>

#include "common/text.h"
#include "common/trace.h"
#include "package/package_contract.h"
#include "package/trailer.h"
#include "saver/viewer.h"

namespace orlscr {

namespace {

constexpr uint32_t kWaitLoopSleepMs = 100;
// Closing asks the viewer to end and waits for it; a process that cannot be
// ended is given up after this many attempts so the run still ends.
constexpr int kViewerTerminateAttempts = 500;
constexpr uint32_t kViewerTerminatePauseMs = 10;
// How long the end waits for the media thread to stop and close the music. A
// media call that never returns must not keep the run from ending: the
// process ends without it, which closes the device.
constexpr uint32_t kMusicFinishBoundMs = 1000;

// Runs `undo` when the scope is left, also by an exception.
template <typename F>
class ScopeExit {
  public:
    explicit ScopeExit(F undo) : undo_(std::move(undo)) {}
    ~ScopeExit() {
        try {
            undo_();
        } catch (...) {
        }
    }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

  private:
    F undo_;
};

}  // namespace

TfrmScrn::TfrmScrn(const SaverPlatform& platform) : platform_(platform) {}

TfrmScrn::~TfrmScrn() {
    try {
        FormDestroy();
    } catch (...) {
    }
}

void TfrmScrn::FormActivate() {
    if (!StartPending_ || starting_ || closed_)
        return;
    starting_ = true;
    bool started = false;
    try {
        started = StartUp();
    } catch (const std::exception& error) {
        Trace(std::string("start-up failed ") + error.what());
        ShowError(error.what());
    }
    starting_ = false;
    if (!started) {
        // Nothing would ever end a run whose start-up stopped half-way.
        Close();
        return;
    }
    WaitLoop();
}

bool TfrmScrn::StartUp() {
    std::unique_ptr<InputFile> file = platform_.files.OpenOwnFile();

    if (!ReadTrailer(*file)) {
        Trace("no package");
        return false;
    }
    try {
        if (!ReadSettingsRecord(*file, &Settings_))
            return false;
    } catch (const std::exception& error) {
        // A record that breaks off may describe files and a viewer only in
        // part; none of it is written or started.
        Trace(std::string("record unreadable ") + error.what());
        return false;
    }

    if (Settings_.lShowMouseCursor)
        ShowMouseCursor();
    else
        HideMouseCursor();

    const std::string tempDir = platform_.files.TempDir();
    WriteSoundFiles(Settings_, *file, tempDir, platform_.files.Files(), writtenSounds_, platform_.files.LeadBytes());
    WritePresentationFiles(Settings_, *file, tempDir, platform_.files.Files(), platform_.files.LeadBytes());

    if (const auto mute = platform_.files.ReadControlIni("Setup", "mute")) {
        if (const auto value = ParseProfileInteger(*mute))
            Settings_.lMute = *value != 0;
    }

    WriteHookLibraryFile(*file);
    file.reset();
    Trace("files written");

    // Closed while the files were written (the window can get messages
    // meanwhile): nothing more is started.
    if (closed_ || platform_.application.Terminated())
        return false;

    // Every package gets the keyboard watch, so the exit rules can end any
    // run; only a presentation package has music and a viewer.
    StartKeyboardWatch();
    if (Settings_.Ver == kPresentationContentKind) {
        // The media thread plays the music; the start-up does not wait for it.
        platform_.application.Music().Start(Settings_, tempDir, platform_.files.LeadBytes());
        musicStarted_ = true;
        StartViewer();
    }

    platform_.desktop.SetScreenSaverRunning(true);
    StartPending_ = false;
    pulse_.lastBeat = platform_.clock.TickCount();
    pulse_.running = true;
    Trace("running");
    return true;
}

// The system folder, as every user's runs share it; where this user may not
// write there, a folder of the user's own. The watch loads the library from
// where it was written.
void TfrmScrn::WriteHookLibraryFile(InputFile& package) {
    TargetFiles& files = platform_.files.Files();
    const std::string sysDir = platform_.files.SysDir();
    if (WriteHookLibrary(Settings_, package, sysDir, files, platform_.files.LeadBytes())) {
        hookFolder_ = sysDir;
        return;
    }
    if (Settings_.HookSize == 0)
        return;
    const std::string userDir = platform_.files.UserLibraryDir();
    if (!userDir.empty() && WriteHookLibrary(Settings_, package, userDir, files, platform_.files.LeadBytes())) {
        hookFolder_ = userDir;
        Trace("hook library written to " + userDir);
    }
}

void TfrmScrn::StartKeyboardWatch() {
    rules_.Reset(platform_.screen.Screen());
    KbdNotify_ = platform_.application.CreateKeyboardWatch(hookFolder_);
    if (!KbdNotify_->LoadHookLibrary())
        exitCode_ = kNoHookLibraryExitCode;
    AttachExitRules();
    KbdNotify_->SetEnabled(true);
    watchdog_.Start(platform_.clock.TickCount(), KbdNotify_->Deliveries());
}

void TfrmScrn::AttachExitRules() {
    KbdNotify_->OnMessage = [this](TTarvelNotify& sender, TMessage m, bool& discard) {
        KbdNotifyMessage(sender, m, discard);
    };
}

// The error box of the start-up, read and dismissed with the cursor even in a
// run that hides it.
void TfrmScrn::ShowError(const std::string& message) {
    platform_.screen.ShowCursor(true);
    ScopeExit hideAgain([this] { platform_.screen.ShowCursor(false); });
    platform_.application.ShowError(message);
}

void TfrmScrn::StartViewer() {
    if (Settings_.FlashCount() == 0)
        return;
    ViewerCommandLine_ =
        orlscr::ViewerCommandLine(platform_.files.TempDir(), Settings_.FlashFileName(0), platform_.files.LeadBytes());
    const bool started = platform_.viewer.StartViewerProcess(ViewerCommandLine_);
    Trace((started ? "viewer started " : "viewer not started ") + ViewerCommandLine_);
}

void TfrmScrn::WaitLoop() {
    do {
        platform_.application.Sleep(kWaitLoopSleepMs);
        platform_.application.ProcessMessages();
        if (const auto code = platform_.viewer.ViewerExitCode())
            ViewerExitCode_ = *code;
        pulse_.lastBeat = platform_.clock.TickCount();
        CoverScreenWithoutViewer();
        WatchHook();
    } while (!platform_.application.Terminated());
    // Asked to end some other way than by closing the window: the close
    // handler still ends the viewer and clears the flag.
    FormClose();
}

// A run without a viewer on the screen (none in the package, one that could
// not start or that ended) covers the screen itself, so that input anywhere
// on it is input to the run's own windows.
void TfrmScrn::CoverScreenWithoutViewer() {
    if (covered_ || closed_)
        return;
    if (platform_.viewer.HasViewerProcess() && ViewerExitCode_ == kStillActive)
        return;
    covered_ = true;
    platform_.screen.CoverScreen();
    Trace("screen covered");
}

// The platform may drop the hook library's hooks without notice (a hook that
// took too long once); then no input would ever end the run. Input of the
// desktop that the watch was not told about within a second installs the
// hooks again.
void TfrmScrn::WatchHook() {
    if (closed_ || !KbdNotify_ || !KbdNotify_->GetEnabled())
        return;
    if (!watchdog_.Check(platform_.clock.TickCount(), platform_.clock.LastInputTick(), KbdNotify_->Deliveries(),
                         deliveredUpTo_))
        return;
    const bool installed = KbdNotify_->Reinstall();
    Trace(installed ? "hook installed again" : "hook not installed again");
}

void TfrmScrn::KbdNotifyMessage(TTarvelNotify& Sender, TMessage M, bool& /*fDiscard*/) {
    // The input this notification reports is no later than this.
    deliveredUpTo_ = platform_.clock.LastInputTick();
    if (StartPending_ || closed_ || M.LParam == 0)
        return;
    Sender.OnMessage = nullptr;
    // Attached again however this handler ends, an exception included, unless
    // the run closed: a run must never be left deaf to input.
    ScopeExit reattach([this] {
        if (!closed_ && KbdNotify_ && !KbdNotify_->OnMessage)
            AttachExitRules();
    });
    ++pulse_.handled;
    const EventMsg event = *reinterpret_cast<const EventMsg*>(M.LParam);
    if (TraceEnabled()) {
        Trace("input " + std::to_string(event.message) + " " + std::to_string(static_cast<int32_t>(event.paramL)) +
              " " + std::to_string(static_cast<int32_t>(event.paramH)));
    }
    const ExitSettings settings{Settings_.lExitMouseMove, Settings_.lExitMouseClick, Settings_.lExitKeyPress};
    if (rules_.Apply(settings, event, platform_.screen.Screen())) {
        Trace("exit asked");
        if (VerifyPassword()) {
            Close();
            return;
        }
        Trace("password refused");
    } else {
        Trace("exit not asked");
    }
}

bool TfrmScrn::VerifyPassword() {
    if (platform_.application.StartMode() != kRunMode)
        return true;
    bool ok = false;
    if (!platform_.desktop.OpenDesktopKey())
        return true;
    ScopeExit closeKey([this] { platform_.desktop.CloseDesktopKey(); });
    for (const char* name : {"ScreenSaveUsePassword", "ScreenSaverIsSecure"}) {
        const auto value = platform_.desktop.ReadDesktopInteger(name);
        if (value && *value == 0) {
            ok = true;
            break;
        }
    }
    if (!ok) {
        platform_.screen.ShowCursor(true);
        pulse_.userWait = true;
        ScopeExit waitOver([this] {
            pulse_.userWait = false;
            platform_.screen.ShowCursor(false);
        });
        // A library that is missing, or that cannot check, cannot keep the
        // user from ending the run.
        ok = platform_.password.VerifyScreenSavePwd() != PasswordCheck::Refused;
    }
    return ok;
}

void TfrmScrn::Close() {
    FormClose();
    platform_.application.Terminate();
}

void TfrmScrn::FormClose() {
    // Closed and deaf to input before the viewer is ended: ending it
    // processes messages, and input arriving then must not run the exit rules
    // again, ask for the password or start a second close.
    const bool first = !closed_;
    closed_ = true;
    pulse_.closing = true;
    if (KbdNotify_)
        KbdNotify_->OnMessage = nullptr;
    // A first close that fails half-way leaves the run open to input again,
    // so that the next input tries once more.
    bool done = !first;
    ScopeExit reopen([this, &done] {
        if (done)
            return;
        closed_ = false;
        if (KbdNotify_)
            AttachExitRules();
    });
    if (first)
        platform_.application.HideWindow();
    EndViewer();
    if (!first)
        return;
    platform_.desktop.SetScreenSaverRunning(false);
    platform_.screen.ReleaseCapture();
    ShowMouseCursor();
    done = true;
    Trace("closed");
}

void TfrmScrn::EndViewer() {
    if (!platform_.viewer.HasViewerProcess())
        return;
    for (int attempt = 0; attempt < kViewerTerminateAttempts; ++attempt) {
        if (attempt > 0)
            platform_.application.Sleep(kViewerTerminatePauseMs);
        platform_.viewer.TerminateViewerProcess();
        platform_.application.ProcessMessages();
        const auto code = platform_.viewer.ViewerExitCode();
        if (!code)
            break;
        ViewerExitCode_ = *code;
        if (ViewerExitCode_ != kStillActive)
            break;
    }
    platform_.viewer.CloseViewerProcess();
    Trace("viewer ended");
}

void TfrmScrn::FormDestroy() {
    if (destroyed_)
        return;
    destroyed_ = true;
    if (musicStarted_ && !platform_.application.Music().Finish(kMusicFinishBoundMs))
        Trace("music not finished");
    // Tracks that a media call still holds stay behind; the next run writes
    // them again.
    DeleteFiles(writtenSounds_, platform_.files.Files());
    KbdNotify_.reset();
}

void TfrmScrn::HideMouseCursor() {
    const ScreenSize screen = platform_.screen.Screen();
    platform_.screen.SetCursorPos(screen.width, screen.height);
    platform_.screen.ShowCursor(false);
}

void TfrmScrn::ShowMouseCursor() {
    platform_.screen.ShowCursor(true);
}

}  // namespace orlscr
