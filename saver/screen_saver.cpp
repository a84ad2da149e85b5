#include "saver/screen_saver.h"

#include <exception>
#include <string>

#include "common/text.h"
#include "common/trace.h"
#include "package/trailer.h"
#include "saver/viewer.h"

namespace orlscr {

namespace {

constexpr uint32_t kWaitLoopSleepMs = 100;
// Closing asks the viewer to end and waits for it; a process that cannot be
// ended is given up after this many attempts so the run still ends.
constexpr int kViewerTerminateAttempts = 500;
constexpr uint32_t kViewerTerminatePauseMs = 10;
constexpr uint8_t kRunMode = 3;

}  // namespace

TfrmScrn::TfrmScrn(SaverPlatform& platform) : platform_(platform) {}

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
        platform_.ShowError(error.what());
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
    std::unique_ptr<InputFile> file = platform_.OpenOwnFile();

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

    const std::string tempDir = platform_.TempDir();
    WriteSoundFiles(Settings_, *file, tempDir, platform_.Files(), writtenSounds_, platform_.LeadBytes());
    WritePresentationFiles(Settings_, *file, tempDir, platform_.Files(), platform_.LeadBytes());

    if (const auto mute = platform_.ReadControlIni("Setup", "mute")) {
        if (const auto value = ParseProfileInteger(*mute))
            Settings_.lMute = *value != 0;
    }

    WriteHookLibrary(Settings_, *file, platform_.SysDir(), platform_.Files());
    file.reset();
    Trace("files written");

    // Closed while the files were written (the window can get messages
    // meanwhile): nothing more is started.
    if (closed_ || platform_.Terminated())
        return false;

    // Every package gets the keyboard watch, so the exit rules can end any
    // run; only a presentation package has music and a viewer.
    StartKeyboardWatch();
    if (Settings_.Ver == "powerpoint") {
        music_ = std::make_unique<Music>(Settings_, platform_.MusicDevice(), tempDir);
        music_->Start();
        StartViewer();
    }

    platform_.SetScreenSaverRunning(true);
    StartPending_ = false;
    Trace("running");
    return true;
}

void TfrmScrn::StartKeyboardWatch() {
    rules_.Reset(platform_.Screen());
    KbdNotify_ = platform_.CreateKeyboardWatch();
    KbdNotify_->LoadHookLibrary();
    AttachExitRules();
    KbdNotify_->SetEnabled(true);
}

void TfrmScrn::AttachExitRules() {
    KbdNotify_->OnMessage = [this](TTarvelNotify& sender, TMessage m, bool& discard) {
        KbdNotifyMessage(sender, m, discard);
    };
}

void TfrmScrn::StartViewer() {
    if (Settings_.FlashCount() == 0)
        return;
    ViewerCommandLine_ = orlscr::ViewerCommandLine(platform_.TempDir(), Settings_.FlashFileName(0));
    const bool started = platform_.StartViewerProcess(ViewerCommandLine_);
    Trace((started ? "viewer started " : "viewer not started ") + ViewerCommandLine_);
}

void TfrmScrn::WaitLoop() {
    do {
        platform_.Sleep(kWaitLoopSleepMs);
        platform_.ProcessMessages();
        if (const auto code = platform_.ViewerExitCode())
            ViewerExitCode_ = *code;
    } while (!platform_.Terminated());
    // Asked to end some other way than by closing the window: the close
    // handler still ends the viewer and clears the flag.
    FormClose();
}

void TfrmScrn::KbdNotifyMessage(TTarvelNotify& Sender, TMessage M, bool& /*fDiscard*/) {
    if (StartPending_ || closed_ || M.LParam == 0)
        return;
    Sender.OnMessage = nullptr;
    const EventMsg event = *reinterpret_cast<const EventMsg*>(M.LParam);
    if (TraceEnabled()) {
        Trace("input " + std::to_string(event.message) + " " + std::to_string(static_cast<int32_t>(event.paramL)) +
              " " + std::to_string(static_cast<int32_t>(event.paramH)));
    }
    const ExitSettings settings{Settings_.lExitMouseMove, Settings_.lExitMouseClick, Settings_.lExitKeyPress};
    if (rules_.Apply(settings, event, platform_.Screen())) {
        Trace("exit asked");
        if (VerifyPassword()) {
            Close();
            return;
        }
        Trace("password refused");
    }
    AttachExitRules();
}

bool TfrmScrn::VerifyPassword() {
    if (platform_.StartMode() != kRunMode)
        return true;
    bool ok = false;
    if (!platform_.OpenDesktopKey())
        return true;
    for (const char* name : {"ScreenSaveUsePassword", "ScreenSaverIsSecure"}) {
        const auto value = platform_.ReadDesktopInteger(name);
        if (value && *value == 0) {
            ok = true;
            break;
        }
    }
    if (!ok) {
        platform_.ShowCursor(true);
        // A library that is missing, or that cannot check, cannot keep the
        // user from ending the run.
        ok = platform_.VerifyScreenSavePwd() != PasswordCheck::Refused;
        platform_.ShowCursor(false);
    }
    platform_.CloseDesktopKey();
    return ok;
}

void TfrmScrn::mpSaverNotify(bool failed) {
    if (music_)
        music_->mpSaverNotify(failed);
}

void TfrmScrn::Close() {
    FormClose();
    platform_.Terminate();
}

void TfrmScrn::FormClose() {
    EndViewer();
    if (closed_)
        return;
    closed_ = true;
    if (KbdNotify_)
        KbdNotify_->OnMessage = nullptr;
    platform_.SetScreenSaverRunning(false);
    platform_.ReleaseCapture();
    ShowMouseCursor();
    Trace("closed");
}

void TfrmScrn::EndViewer() {
    if (!platform_.HasViewerProcess())
        return;
    for (int attempt = 0; attempt < kViewerTerminateAttempts; ++attempt) {
        if (attempt > 0)
            platform_.Sleep(kViewerTerminatePauseMs);
        platform_.TerminateViewerProcess();
        platform_.ProcessMessages();
        const auto code = platform_.ViewerExitCode();
        if (!code)
            break;
        ViewerExitCode_ = *code;
        if (ViewerExitCode_ != kStillActive)
            break;
    }
    platform_.CloseViewerProcess();
    Trace("viewer ended");
}

void TfrmScrn::FormDestroy() {
    if (destroyed_)
        return;
    destroyed_ = true;
    if (music_)
        music_->Shutdown();
    DeleteFiles(writtenSounds_, platform_.Files());
    KbdNotify_.reset();
    music_.reset();
}

void TfrmScrn::HideMouseCursor() {
    const ScreenSize screen = platform_.Screen();
    platform_.SetCursorPos(screen.width, screen.height);
    platform_.ShowCursor(false);
}

void TfrmScrn::ShowMouseCursor() {
    platform_.ShowCursor(true);
}

}  // namespace orlscr
