#include "saver/screen_saver.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "package/std_input_file.h"
#include "package/stream_writer.h"
#include "package/trailer.h"
#include "saver/viewer.h"

namespace orlscr {
namespace {

// Target files kept in memory.
class MemoryFiles : public TargetFiles {
  public:
    class File : public TargetFile {
      public:
        explicit File(std::string& data) : data_(data) {}
        void Write(const void* data, size_t count) override { data_.append(static_cast<const char*>(data), count); }

      private:
        std::string& data_;
    };
    std::unique_ptr<TargetFile> Create(const std::string& path) override {
        if (log != nullptr)
            log->push_back("create " + path);
        for (const std::string& folder : unwritable) {
            if (path.rfind(folder, 0) == 0)
                throw ECannotCreateFile(path);
        }
        files[path].clear();
        return std::make_unique<File>(files[path]);
    }
    bool Delete(const std::string& path) override {
        deleted.push_back(path);
        return files.erase(path) == 1;
    }
    bool Replace(const std::string& from, const std::string& to) override {
        auto found = files.find(from);
        if (found == files.end())
            return false;
        files[to] = found->second;
        files.erase(found);
        return true;
    }
    std::map<std::string, std::string> files;
    std::vector<std::string> unwritable;  // folders where no file can be created
    std::vector<std::string> deleted;
    std::vector<std::string>* log = nullptr;
};

class LoggingNotifyPlatform : public NotifyPlatform {
  public:
    explicit LoggingNotifyPlatform(std::vector<std::string>& log) : log_(log) {}
    WindowHandle CreateNotifyWindow(TTarvelNotify&) override { return 1; }
    void DestroyNotifyWindow(WindowHandle) override {}
    bool LoadHookLibrary() override {
        log_.push_back("load hook library");
        return !missingLibrary;
    }
    int32_t CallInstallHook(WindowHandle, uint32_t) override {
        log_.push_back("install hook");
        return refuse ? -1 : 0;
    }
    int32_t CallUninstallHook(WindowHandle) override {
        log_.push_back("uninstall hook");
        return 0;
    }
    bool refuse = false;
    bool missingLibrary = false;

  private:
    std::vector<std::string>& log_;
};

class LoggingSoundDevice : public SoundDevice {
  public:
    explicit LoggingSoundDevice(std::vector<std::string>& log) : log_(log) {}
    void Open(const std::string& file) override {
        log_.push_back("sound open " + file);
        if (onOpen)
            onOpen();
    }
    void Play() override { log_.push_back("sound play"); }
    void Stop() override { log_.push_back("sound stop"); }
    void Close() override { log_.push_back("sound close"); }
    void PostFailure() override { log_.push_back("sound failure posted"); }

    std::function<void()> onOpen;

  private:
    std::vector<std::string>& log_;
};

// The platform of a run under test. Every call that matters goes to `log`;
// `during` holds actions that the wait loop's message passes perform, one per
// pass, standing in for input arriving while the saver waits.
class FakeSaverPlatform : public SaverFiles,
                          public ViewerProcess,
                          public PasswordProvider,
                          public DesktopSettings,
                          public ScreenAndCursor,
                          public SaverApplication,
                          public InputClock {
  public:
    // The music is served at once, on the posting thread.
    FakeSaverPlatform() : notify(log), device(log), worker(device) {
        files.log = &log;
        music.SetWake([this] { worker.Serve(music); });
    }

    SaverPlatform Roles() { return {*this, *this, *this, *this, *this, *this, *this}; }

    std::unique_ptr<InputFile> OpenOwnFile() override {
        return std::make_unique<MemoryInputFile>(package.data(), package.size());
    }
    ScreenSize Screen() override { return {800, 600}; }
    void SetCursorPos(int32_t x, int32_t y) override {
        log.push_back("cursor to " + std::to_string(x) + "," + std::to_string(y));
    }
    void ShowCursor(bool show) override {
        cursorCounter += show ? 1 : -1;
        log.push_back(show ? "show cursor" : "hide cursor");
    }
    void ReleaseCapture() override {}
    void CoverScreen() override { log.push_back("cover screen"); }
    std::string TempDir() override { return "C:\\TEMP\\"; }
    std::string SysDir() override { return "C:\\WINDOWS\\system32"; }
    std::string UserLibraryDir() override { return userDir; }
    LeadBytePredicate LeadBytes() override { return leadBytes; }
    TargetFiles& Files() override { return files; }
    std::optional<std::string> ReadControlIni(const std::string& section, const std::string& key) override {
        EXPECT_EQ(section, "Setup");
        EXPECT_EQ(key, "mute");
        log.push_back("read ini");
        return mute;
    }
    std::unique_ptr<TTarvelNotify> CreateKeyboardWatch(const std::string& libraryFolder) override {
        log.push_back("create watch");
        hookFolder = libraryFolder;
        auto created = std::make_unique<TTarvelNotify>(notify);
        watch = created.get();
        return created;
    }
    MusicRequests& Music() override { return music; }
    bool StartViewerProcess(const std::string& commandLine) override {
        log.push_back("start viewer " + commandLine);
        viewerRunning = viewerStarts;
        return viewerStarts;
    }
    bool HasViewerProcess() override { return viewerRunning; }
    std::optional<uint32_t> ViewerExitCode() override {
        if (!viewerRunning)
            return std::nullopt;
        return viewerAlive ? kStillActive : 0u;
    }
    void TerminateViewerProcess() override {
        log.push_back("terminate viewer");
        if (terminateThrows-- > 0)
            throw Error("terminate failed");
        if (--terminateAttemptsNeeded <= 0)
            viewerAlive = false;
    }
    void CloseViewerProcess() override {
        log.push_back("close viewer");
        viewerRunning = false;
    }
    void SetScreenSaverRunning(bool running) override {
        screenSaverFlag = running;
        log.push_back(running ? "flag on" : "flag off");
    }
    void Sleep(uint32_t milliseconds) override { now += milliseconds; }
    uint32_t TickCount() override { return now; }
    uint32_t LastInputTick() override { return lastInput; }
    void ProcessMessages() override {
        if (!during.empty()) {
            auto action = during.front();
            during.pop_front();
            action();
        } else if (++idlePasses > 50) {
            ADD_FAILURE() << "the run does not end";
            terminated = true;
        }
    }
    bool Terminated() override { return terminated; }
    void Terminate() override {
        log.push_back("application ends");
        terminated = true;
    }
    void ShowError(const std::string& message) override { log.push_back("error box " + message); }
    void HideWindow() override { log.push_back("hide window"); }
    uint8_t StartMode() override { return 3; }
    bool OpenDesktopKey() override { return hasDesktopKey; }
    std::optional<uint32_t> ReadDesktopInteger(const std::string& name) override {
        auto it = registry.find(name);
        return it == registry.end() ? std::nullopt : std::optional<uint32_t>(it->second);
    }
    void CloseDesktopKey() override {}
    PasswordCheck VerifyScreenSavePwd() override {
        log.push_back("password dialog");
        if (passwordThrows-- > 0)
            throw Error("password library failed");
        if (onPasswordDialog)
            onPasswordDialog();
        PasswordCheck answer = passwordAnswers.empty() ? PasswordCheck::Accepted : passwordAnswers.front();
        if (!passwordAnswers.empty())
            passwordAnswers.pop_front();
        return answer;
    }

    // Input of the desktop that the hook library never reports.
    void LostInput() { lastInput = ++now; }
    // Hands an input event to the keyboard watch as the hook library would.
    void Input(uint32_t message, int32_t x = 0, int32_t y = 0) {
        ASSERT_NE(watch, nullptr);
        lastInput = now;
        EventMsg event{message, static_cast<uint32_t>(x), static_cast<uint32_t>(y), 0, 0};
        TMessage m;
        m.Msg = kHookNotifyMessage;
        m.LParam = reinterpret_cast<intptr_t>(&event);
        // As the notify window does, an error escaping the handler is only
        // traced.
        try {
            watch->NotifyWndProc(m);
        } catch (const std::exception& error) {
            log.push_back(std::string("notify error ") + error.what());
        }
    }

    bool Contains(const std::string& entry) const { return std::find(log.begin(), log.end(), entry) != log.end(); }
    // Position of the first entry that starts with `prefix`, or -1.
    int IndexOf(const std::string& prefix) const {
        for (size_t i = 0; i < log.size(); ++i) {
            if (log[i].rfind(prefix, 0) == 0)
                return static_cast<int>(i);
        }
        return -1;
    }

    std::vector<std::string> log;
    std::string package;
    MemoryFiles files;
    LoggingNotifyPlatform notify;
    LoggingSoundDevice device;
    MusicWorker worker;
    MusicRequests music;
    TTarvelNotify* watch = nullptr;
    std::optional<std::string> mute;
    std::string userDir = "C:\\Users\\me\\AppData\\Local\\orlscr";
    std::string hookFolder;  // where the watch loads its library from
    std::deque<std::function<void()>> during;
    std::deque<PasswordCheck> passwordAnswers;
    std::function<void()> onPasswordDialog;
    std::map<std::string, uint32_t> registry;
    LeadBytePredicate leadBytes = NoLeadBytes;
    bool hasDesktopKey = false;  // no password configured
    bool viewerStarts = true;
    bool viewerRunning = false;
    bool viewerAlive = true;
    int terminateAttemptsNeeded = 1;
    int terminateThrows = 0;
    int passwordThrows = 0;
    bool screenSaverFlag = false;
    bool terminated = false;
    int idlePasses = 0;
    int cursorCounter = 0;
    uint32_t now = 0;  // the clock: every Sleep advances it
    uint32_t lastInput = 0;
};

// "image" bytes, the embedded files, the record, the trailer.
std::string MakePackage(TSSFileLocations record,
                        const std::vector<std::string>& files = {},
                        bool truncateRecord = false) {
    std::string package(64, 'I');
    for (const std::string& file : files)
        package += file;
    const auto recordOffset = static_cast<int32_t>(package.size());
    std::string stream = WriteSettingsRecordStream(record);
    if (truncateRecord)
        stream.resize(stream.size() - 30);
    package += stream;
    char field[kTrailerFieldSize];
    package += FormatTrailerField(0, field);
    package += FormatTrailerField(recordOffset, field);
    return package;
}

// A presentation package: a document and a viewer at offsets 64 and 67, a
// sound track at 70, the hook library at 73.
TSSFileLocations PresentationRecord() {
    TSSFileLocations record;
    record.Ver = "powerpoint";
    record.lExitMouseMove = true;
    record.lExitKeyPress = true;
    record.FlashCommaList.SetText("64,67");
    record.FlashFileNamesCommaList.SetText("\"my show.slides\",PPTVIEW.EXE");
    record.FlashSizesCommaList.SetText("3,3");
    record.SndCommaList.SetText("70");
    record.SndFileNamesCommaList.SetText("tune.wav");
    record.SndSizesCommaList.SetText("3");
    record.HookPosition = 73;
    record.HookSize = 3;
    return record;
}

const std::vector<std::string> kPresentationFiles = {"DOC", "EXE", "WAV", "DLL"};

class ScreenSaverTest : public ::testing::Test {
  protected:
    void UsePackage(const TSSFileLocations& record, bool truncate = false) {
        platform_.package = MakePackage(record, kPresentationFiles, truncate);
    }
    FakeSaverPlatform platform_;
};

TEST_F(ScreenSaverTest, StartUpRunsInOrderAndTheRunEndsByInput) {
    UsePackage(PresentationRecord());
    platform_.during = {[&] { platform_.Input(kWmMouseMove, 100, 100); }, [&] { platform_.Input(kWmMouseMove, 103, 97); },
                       [&] { EXPECT_TRUE(platform_.screenSaverFlag); }, [&] { platform_.Input(kWmMouseMove, 110, 100); }};
    {
        TfrmScrn form(platform_.Roles());
        form.FormActivate();
        EXPECT_FALSE(form.StartPending());
        EXPECT_TRUE(form.Closed());
        EXPECT_EQ(platform_.files.files["C:\\TEMP\\my show.slides"], "DOC");
        EXPECT_EQ(platform_.files.files["C:\\TEMP\\PPTVIEW.EXE"], "EXE");
        EXPECT_EQ(platform_.files.files["C:\\TEMP\\tune.wav"], "WAV");
        EXPECT_EQ(platform_.files.files["C:\\WINDOWS\\system32\\orlscrhook.dll"], "DLL");
        EXPECT_EQ(form.ViewerCommandLine(), "C:\\TEMP\\PPTVIEW.EXE \"C:\\TEMP\\my show.slides\" ");
        EXPECT_EQ(form.ExitCode(), 0);
        form.FormDestroy();
    }

    const std::vector<std::string> order = {"cursor to 800,600",
                                            "hide cursor",
                                            "create C:\\TEMP\\tune.wav",
                                            "create C:\\TEMP\\my show.slides",
                                            "create C:\\TEMP\\PPTVIEW.EXE",
                                            "read ini",
                                            "create C:\\WINDOWS\\system32\\orlscrhook.dll",
                                            "create watch",
                                            "load hook library",
                                            "install hook",
                                            "sound open C:\\TEMP\\tune.wav",
                                            "start viewer",
                                            "flag on",
                                            "hide window",
                                            "terminate viewer",
                                            "close viewer",
                                            "flag off",
                                            "show cursor",
                                            "application ends",
                                            "sound stop",
                                            "sound close",
                                            "uninstall hook"};
    int last = -1;
    for (const std::string& step : order) {
        const int at = platform_.IndexOf(step);
        EXPECT_GT(at, last) << step;
        last = at;
    }
    EXPECT_EQ(platform_.cursorCounter, 0);
    EXPECT_FALSE(platform_.screenSaverFlag);
    // Only the sound track is deleted.
    EXPECT_EQ(platform_.files.deleted, (std::vector<std::string>{"C:\\TEMP\\tune.wav"}));
    EXPECT_EQ(platform_.files.files.count("C:\\TEMP\\PPTVIEW.EXE"), 1u);
}

TEST_F(ScreenSaverTest, NotificationsDuringTheStartUpAreNotCounted) {
    TSSFileLocations record = PresentationRecord();
    record.lExitMouseMove = false;
    UsePackage(record);
    TfrmScrn form(platform_.Roles());
    // The music starts after the watch, while the start-up is still pending.
    platform_.device.onOpen = [&] {
        for (int i = 0; i < 5; ++i)
            platform_.Input(kWmKeyUp);
    };
    EXPECT_EQ(form.Rules().KeyCount, 0);
    platform_.during = {[&] { EXPECT_EQ(form.Rules().KeyCount, 0); }, [&] { platform_.terminated = true; }};
    form.FormActivate();
    EXPECT_EQ(form.Rules().KeyCount, 0);
}

TEST_F(ScreenSaverTest, ActivateDuringTheRunDoesNothing) {
    UsePackage(PresentationRecord());
    TfrmScrn form(platform_.Roles());
    platform_.during = {[&] { form.FormActivate(); }, [&] { platform_.Input(kWmMouseMove, 1, 1); },
                       [&] { platform_.Input(kWmMouseMove, 9, 9); }};
    form.FormActivate();
    EXPECT_EQ(std::count(platform_.log.begin(), platform_.log.end(), "create watch"), 1);
    form.FormActivate();  // after the end as well
    EXPECT_EQ(std::count(platform_.log.begin(), platform_.log.end(), "create watch"), 1);
}

TEST_F(ScreenSaverTest, RefusedPasswordKeepsTheRunAndMovesTheReference) {
    UsePackage(PresentationRecord());
    platform_.hasDesktopKey = true;
    platform_.registry = {{"ScreenSaveUsePassword", 1}};
    platform_.passwordAnswers = {PasswordCheck::Refused, PasswordCheck::Accepted};
    TfrmScrn form(platform_.Roles());
    int dialogEvents = 0;
    platform_.onPasswordDialog = [&] {
        // Input in the password dialog does not re-enter the rules.
        platform_.Input(kWmMouseMove, 500, 500);
        ++dialogEvents;
        EXPECT_EQ(platform_.cursorCounter, 0);  // visible for the dialog
    };
    platform_.during = {[&] { platform_.Input(kWmMouseMove, 100, 100); },
                       [&] { platform_.Input(kWmMouseMove, 200, 200); },  // refused
                       [&] {
                           EXPECT_FALSE(form.Closed());
                           EXPECT_EQ(form.Rules().LastMouseX, 200);
                           platform_.Input(kWmMouseMove, 203, 203);  // near the new reference
                       },
                       [&] { EXPECT_FALSE(form.Closed()); }, [&] { platform_.Input(kWmMouseMove, 300, 300); }};
    form.FormActivate();
    EXPECT_TRUE(form.Closed());
    EXPECT_EQ(dialogEvents, 2);
    EXPECT_EQ(platform_.cursorCounter, 0);
}

TEST_F(ScreenSaverTest, PasswordCheckConsultsRegistryThenLibrary) {
    TfrmScrn form(platform_.Roles());
    platform_.hasDesktopKey = false;
    EXPECT_TRUE(form.VerifyPassword());
    platform_.hasDesktopKey = true;
    platform_.registry = {{"ScreenSaveUsePassword", 0}};
    EXPECT_TRUE(form.VerifyPassword());
    platform_.registry = {{"ScreenSaveUsePassword", 1}, {"ScreenSaverIsSecure", 0}};
    EXPECT_TRUE(form.VerifyPassword());
    EXPECT_FALSE(platform_.Contains("password dialog"));

    platform_.registry = {};  // missing values count as a password in use
    for (auto [answer, ok] :
         {std::pair{PasswordCheck::Refused, false}, std::pair{PasswordCheck::Accepted, true},
          std::pair{PasswordCheck::LibraryMissing, true}, std::pair{PasswordCheck::EntryMissing, true}}) {
        platform_.passwordAnswers = {answer};
        EXPECT_EQ(form.VerifyPassword(), ok);
    }
    EXPECT_EQ(platform_.cursorCounter, 0);
}

TEST_F(ScreenSaverTest, StartUpErrorIsShownAndEndsTheRun) {
    UsePackage(PresentationRecord());
    // The hook library is missing: it cannot be loaded, and without it the
    // watch's window is refused.
    platform_.notify.missingLibrary = true;
    platform_.notify.refuse = true;
    {
        TfrmScrn form(platform_.Roles());
        form.FormActivate();
        EXPECT_TRUE(form.StartPending());
        EXPECT_TRUE(form.Closed());
        EXPECT_EQ(form.ExitCode(), TfrmScrn::kNoHookLibraryExitCode);
    }
    EXPECT_TRUE(platform_.Contains("error box Install Hook Error!"));
    // Shown with the cursor, hidden for the run, visible again at its end.
    const int box = platform_.IndexOf("error box");
    EXPECT_EQ(platform_.log[box - 1], "show cursor");
    EXPECT_EQ(platform_.log[box + 1], "hide cursor");
    EXPECT_EQ(platform_.cursorCounter, 0);
    EXPECT_TRUE(platform_.terminated);
    EXPECT_FALSE(platform_.Contains("start viewer"));
    EXPECT_FALSE(platform_.Contains("flag on"));
    EXPECT_FALSE(platform_.screenSaverFlag);
    // The sound track written before the error is removed again.
    EXPECT_EQ(platform_.files.deleted, (std::vector<std::string>{"C:\\TEMP\\tune.wav"}));
}

TEST_F(ScreenSaverTest, UnreadableRecordStartsNothing) {
    UsePackage(PresentationRecord(), /*truncate=*/true);
    {
        TfrmScrn form(platform_.Roles());
        form.FormActivate();
    }
    EXPECT_FALSE(platform_.Contains("error box"));  // quietly
    EXPECT_TRUE(platform_.terminated);
    EXPECT_TRUE(platform_.files.files.empty());
    EXPECT_FALSE(platform_.Contains("start viewer"));
    EXPECT_FALSE(platform_.Contains("create watch"));
    EXPECT_FALSE(platform_.screenSaverFlag);
}

TEST_F(ScreenSaverTest, PlayerWithoutPackageEndsQuietly) {
    platform_.package = "MZ tiny";
    TfrmScrn form(platform_.Roles());
    form.FormActivate();
    EXPECT_TRUE(platform_.terminated);
    EXPECT_FALSE(platform_.Contains("create watch"));
}

TEST_F(ScreenSaverTest, OtherPackagesGetTheWatchButNoViewerOrMusic) {
    TSSFileLocations record = PresentationRecord();
    record.Ver = "PowerPoint";
    UsePackage(record);
    TfrmScrn form(platform_.Roles());
    platform_.during = {[&] { platform_.Input(kWmMouseMove, 1, 1); }, [&] { platform_.Input(kWmMouseMove, 50, 1); }};
    form.FormActivate();
    EXPECT_TRUE(platform_.Contains("install hook"));
    EXPECT_FALSE(platform_.Contains("start viewer"));
    EXPECT_EQ(platform_.IndexOf("sound"), -1);
    EXPECT_TRUE(form.Closed());
}

TEST_F(ScreenSaverTest, ClosingTerminatesTheViewerUntilItHasEnded) {
    UsePackage(PresentationRecord());
    platform_.terminateAttemptsNeeded = 3;
    TfrmScrn form(platform_.Roles());
    platform_.during = {[&] { platform_.Input(kWmMouseMove, 1, 1); }, [&] { platform_.Input(kWmMouseMove, 50, 1); }};
    form.FormActivate();
    EXPECT_EQ(std::count(platform_.log.begin(), platform_.log.end(), "terminate viewer"), 3);
    EXPECT_FALSE(platform_.viewerRunning);
}

TEST_F(ScreenSaverTest, EndedOtherwiseStillEndsTheViewerAndClearsTheFlag) {
    UsePackage(PresentationRecord());
    TfrmScrn form(platform_.Roles());
    platform_.during = {[&] { platform_.terminated = true; }};  // e.g. the session ends
    form.FormActivate();
    EXPECT_FALSE(platform_.viewerRunning);
    EXPECT_FALSE(platform_.screenSaverFlag);
}

TEST_F(ScreenSaverTest, ViewerEndingByItselfDoesNotEndTheRun) {
    UsePackage(PresentationRecord());
    TfrmScrn form(platform_.Roles());
    platform_.during = {[&] { platform_.viewerAlive = false; },  // the user quits the viewer
                       [] {}, [&] { EXPECT_FALSE(form.Closed()); }, [&] { platform_.Input(kWmMouseMove, 1, 1); },
                       [&] { platform_.Input(kWmMouseMove, 50, 1); }};
    form.FormActivate();
    EXPECT_TRUE(form.Closed());
    EXPECT_TRUE(platform_.during.empty());  // it ran until the input ended it
}

TEST_F(ScreenSaverTest, RunWithoutAViewerOnTheScreenCoversItOnce) {
    for (const char* how : {"starts", "cannot start", "ends by itself"}) {
        SCOPED_TRACE(how);
        FakeSaverPlatform p;
        p.package = MakePackage(PresentationRecord(), kPresentationFiles);
        p.viewerStarts = std::string(how) != "cannot start";
        TfrmScrn form(p.Roles());
        p.during = {[] {}, [&] { p.viewerAlive = std::string(how) != "ends by itself"; }, [] {}, [] {},
                    [&] { p.Input(kWmMouseMove, 1, 1); }, [&] { p.Input(kWmMouseMove, 50, 1); }};
        form.FormActivate();
        EXPECT_TRUE(form.Closed());
        EXPECT_EQ(std::count(p.log.begin(), p.log.end(), "cover screen"), std::string(how) == "starts" ? 0 : 1);
    }
}

// The guard thread's view of the run (saver/run_guard.h).
TEST_F(ScreenSaverTest, PulseTellsWhatTheMainThreadDoes) {
    UsePackage(PresentationRecord());
    platform_.hasDesktopKey = true;
    platform_.registry = {{"ScreenSaveUsePassword", 1}};
    platform_.passwordAnswers = {PasswordCheck::Accepted};
    TfrmScrn form(platform_.Roles());
    const RunPulse& pulse = form.Pulse();
    platform_.onPasswordDialog = [&] { EXPECT_TRUE(pulse.userWait); };
    platform_.during = {[&] {
                           EXPECT_TRUE(pulse.running);
                           EXPECT_FALSE(pulse.userWait);
                           EXPECT_EQ(pulse.handled, 0u);
                           platform_.Input(kWmMouseMove, 1, 1);
                       },
                       [&] {
                           EXPECT_EQ(pulse.lastBeat, platform_.now - 100);  // the loop came round after its sleep
                           EXPECT_EQ(pulse.handled, 1u);
                           EXPECT_FALSE(pulse.closing);
                           platform_.Input(kWmMouseMove, 50, 1);
                       }};
    EXPECT_FALSE(pulse.running);
    form.FormActivate();
    EXPECT_TRUE(form.Closed());
    EXPECT_EQ(pulse.handled, 2u);
    EXPECT_FALSE(pulse.userWait);
    EXPECT_TRUE(pulse.closing);
}

TEST_F(ScreenSaverTest, HandlerOrCloseThatThrowsLeavesTheRunOpenToInput) {
    UsePackage(PresentationRecord());
    platform_.hasDesktopKey = true;
    platform_.registry = {{"ScreenSaveUsePassword", 1}};
    platform_.passwordThrows = 1;  // the first check fails after the rules let go of the watch
    platform_.terminateThrows = 1;  // the first close fails after the window counts as closed
    TfrmScrn form(platform_.Roles());
    platform_.during = {[&] { platform_.Input(kWmMouseMove, 1, 1); },
                       [&] { platform_.Input(kWmMouseMove, 50, 1); },
                       [&] {
                           EXPECT_TRUE(platform_.Contains("notify error password library failed"));
                           EXPECT_EQ(platform_.cursorCounter, -1);  // hidden again
                           platform_.Input(kWmMouseMove, 100, 1);
                       },
                       [&] {
                           EXPECT_TRUE(platform_.Contains("notify error terminate failed"));
                           EXPECT_FALSE(form.Closed());
                           EXPECT_TRUE(platform_.screenSaverFlag);
                           platform_.Input(kWmMouseMove, 150, 1);
                       }};
    form.FormActivate();
    EXPECT_TRUE(form.Closed());
    EXPECT_TRUE(platform_.during.empty());
    EXPECT_FALSE(platform_.screenSaverFlag);
    EXPECT_FALSE(platform_.viewerRunning);
    EXPECT_EQ(platform_.cursorCounter, 0);
}

TEST_F(ScreenSaverTest, ControlIniOverridesTheMuteDefault) {
    struct Case {
        bool recordMute;
        std::optional<std::string> ini;
        bool plays;
    };
    for (const Case& c : {Case{false, "1", false}, Case{true, "0", true}, Case{true, std::nullopt, false},
                          Case{false, "0x10", false}, Case{true, "yes", false}, Case{false, "", true}}) {
        FakeSaverPlatform p;
        TSSFileLocations record = PresentationRecord();
        record.lMute = c.recordMute;
        p.package = MakePackage(record, kPresentationFiles);
        p.mute = c.ini;
        TfrmScrn form(p.Roles());
        p.during = {[&] { p.terminated = true; }};
        form.FormActivate();
        EXPECT_EQ(p.IndexOf("sound open") != -1, c.plays) << c.ini.value_or("(none)");
    }
}

TEST_F(ScreenSaverTest, NamesAreCheckedWithTheLeadBytesOfTheSystemCodePage) {
    // A double-byte character whose trail byte is a backslash is no folder part.
    const std::string name = std::string("show\x83\x5C.slides");
    TSSFileLocations record = PresentationRecord();
    record.FlashFileNamesCommaList.SetText(name + ",PPTVIEW.EXE");
    UsePackage(record);
    platform_.leadBytes = [](unsigned char c) { return c >= 0x81 && c <= 0x9F; };
    platform_.during = {[&] { platform_.terminated = true; }};
    TfrmScrn form(platform_.Roles());
    form.FormActivate();
    EXPECT_EQ(platform_.files.files["C:\\TEMP\\" + name], "DOC");
}

TEST_F(ScreenSaverTest, InputDuringTheViewersEndStartsNothing) {
    UsePackage(PresentationRecord());
    platform_.hasDesktopKey = true;
    platform_.registry = {{"ScreenSaveUsePassword", 1}};
    platform_.terminateAttemptsNeeded = 3;
    TfrmScrn form(platform_.Roles());
    platform_.during = {[&] { platform_.Input(kWmMouseMove, 100, 100); },
                       [&] { form.Close(); },  // as the framework closes the window
                       // Ending the viewer processes messages: input arrives.
                       [&] { platform_.Input(kWmMouseMove, 300, 300); }, [&] { platform_.Input(kWmKeyUp); },
                       [&] { platform_.Input(kWmMouseMove, 10, 10); }};
    form.FormActivate();
    EXPECT_TRUE(form.Closed());
    EXPECT_FALSE(platform_.Contains("password dialog"));
    EXPECT_EQ(std::count(platform_.log.begin(), platform_.log.end(), "flag off"), 1);
    EXPECT_EQ(std::count(platform_.log.begin(), platform_.log.end(), "close viewer"), 1);
    EXPECT_EQ(platform_.cursorCounter, 0);
}

TEST_F(ScreenSaverTest, InputTheHookMissedInstallsTheHookAgain) {
    UsePackage(PresentationRecord());
    TfrmScrn form(platform_.Roles());
    auto installs = [&] { return std::count(platform_.log.begin(), platform_.log.end(), "install hook"); };
    platform_.during = {[&] { platform_.Input(kWmMouseMove, 100, 100); },
                       [&] { platform_.LostInput(); }};  // the platform dropped the hooks
    for (int pass = 0; pass < 9; ++pass)
        platform_.during.push_back([&] { EXPECT_EQ(installs(), 1); });
    platform_.during.push_back([] {});
    platform_.during.push_back([&] {
        // A second after the lost input the hooks are installed again, once.
        EXPECT_EQ(installs(), 2);
        EXPECT_FALSE(platform_.Contains("uninstall hook"));  // the window stays a receiver
    });
    platform_.during.push_back([&] { EXPECT_EQ(installs(), 2); });
    platform_.during.push_back([&] { platform_.Input(kWmMouseMove, 110, 100); });
    form.FormActivate();
    EXPECT_TRUE(form.Closed());
    EXPECT_EQ(installs(), 2);
}

TEST_F(ScreenSaverTest, HookLibraryGoesToTheUsersFolderWhenTheSystemFolderRefusesIt) {
    UsePackage(PresentationRecord());
    platform_.during = {[&] { platform_.terminated = true; }};
    {
        TfrmScrn form(platform_.Roles());
        form.FormActivate();
    }
    EXPECT_EQ(platform_.hookFolder, "C:\\WINDOWS\\system32");

    FakeSaverPlatform limited;  // a user who may not write the system folder
    limited.package = platform_.package;
    limited.files.unwritable = {"C:\\WINDOWS\\"};
    limited.during = {[&] { limited.terminated = true; }};
    {
        TfrmScrn form(limited.Roles());
        form.FormActivate();
    }
    EXPECT_EQ(limited.files.files["C:\\Users\\me\\AppData\\Local\\orlscr\\orlscrhook.dll"], "DLL");
    EXPECT_EQ(limited.hookFolder, "C:\\Users\\me\\AppData\\Local\\orlscr");
    EXPECT_FALSE(limited.Contains("error box"));

    FakeSaverPlatform nowhere;  // no folder of the user's either: the system folder's library, if any
    nowhere.package = platform_.package;
    nowhere.files.unwritable = {"C:\\WINDOWS\\", "C:\\Users\\"};
    nowhere.during = {[&] { nowhere.terminated = true; }};
    {
        TfrmScrn form(nowhere.Roles());
        form.FormActivate();
    }
    EXPECT_EQ(nowhere.hookFolder, "");
    EXPECT_TRUE(nowhere.Contains("install hook"));
}

TEST(ViewerCommandLine, QuotesTheDocumentAndEndsWithABlank) {
    EXPECT_EQ(ViewerCommandLine("C:\\TEMP\\", "screen.ppt", NoLeadBytes), "C:\\TEMP\\PPTVIEW.EXE \"C:\\TEMP\\screen.ppt\" ");
    EXPECT_EQ(ViewerCommandLine("C:\\Users\\A B\\Temp", "my show.slides", NoLeadBytes),
              "C:\\Users\\A B\\Temp\\PPTVIEW.EXE \"C:\\Users\\A B\\Temp\\my show.slides\" ");
    // A folder ending in a double-byte character whose trail byte is 0x5C still
    // gets its backslash before the names.
    auto lead = [](unsigned char b) { return b >= 0x81 && b <= 0x9F; };
    EXPECT_EQ(ViewerCommandLine("C:\\\x95\x5C", "a.ppt", lead),
              "C:\\\x95\x5C\\PPTVIEW.EXE \"C:\\\x95\x5C\\a.ppt\" ");
}

}  // namespace
}  // namespace orlscr
