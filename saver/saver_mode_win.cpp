// The run mode's Windows side: the saver window TfrmScrn and the platform
// calls of its portable core (saver/screen_saver.h).

#include "saver/saver_mode_win.h"

#include <windows.h>
#include <shlobj.h>

#include <memory>
#include <optional>
#include <string>

#include "common/error.h"
#include "common/path.h"
#include "common/trace.h"
#include "common/win/message_pump.h"
#include "common/win/paths.h"
#include "common/win/profile_file.h"
#include "common/win/unique.h"
#include "common/win/window.h"
#include "hook/source/trvkhlib_win.h"
#include "package/own_file_win.h"
#include "saver/desktop_win.h"
#include "saver/extract_win.h"
#include "saver/music_thread_win.h"
#include "saver/run_end_win.h"
#include "saver/screen_saver.h"
#include "saver/viewer_process_win.h"

namespace orlscr {

namespace {

constexpr const char* kSaverWindowClass = "TfrmScrn";
constexpr int kClientWidth = 242;
constexpr int kClientHeight = 116;
// Posted to the window at its first activation; the run happens there.
constexpr UINT kStartMessage = WM_APP + 1;
constexpr const char* kCoverWindowClass = "OrlscrCover";
// The saver's window as the viewer finds it, to end itself when the saver is
// gone or stops answering.
constexpr const char* kSaverWindowVariable = "ORLSCR_SAVER_WINDOW";

// "orlscr" in the user's local application data, made when missing; empty
// when it cannot be had. The folder query fills a buffer of the longest path.
std::string OwnLocalAppDataFolder() {
    char buffer[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                                  buffer)))
        return std::string();
    const std::string folder = JoinPath(buffer, "orlscr", IsSystemLeadByte);
    if (!::CreateDirectoryA(folder.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
        return std::string();
    const DWORD attributes = ::GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return std::string();
    return folder;
}

class Win32SaverFiles : public SaverFiles {
  public:
    std::unique_ptr<InputFile> OpenOwnFile() override { return OpenOwnPackage(); }
    std::string TempDir() override { return orlscr::TempDir(); }
    std::string SysDir() override { return orlscr::SysDir(); }
    std::string UserLibraryDir() override { return OwnLocalAppDataFolder(); }
    LeadBytePredicate LeadBytes() override { return IsSystemLeadByte; }
    TargetFiles& Files() override { return files_; }
    std::optional<std::string> ReadControlIni(const std::string& section, const std::string& key) override {
        return PrivateProfileFile(ProgramFolder() + "CONTROL.INI").ReadString(section, key);
    }

  private:
    Win32TargetFiles files_;
};

// A black borderless window over the whole primary screen, beneath the
// saver's box: under it every move and key of the user is input to one of the
// run's windows, which some platforms need before their input hooks see it.
class CoverWindow : public Window {
  public:
    void Show(HWND above) {
        if (!window_) {
            WNDCLASSEXA windowClass = {};
            windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
            windowClass.hbrBackground = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
            windowClass.lpszClassName = kCoverWindowClass;
            RegisterWindowClass(windowClass);
            CreateHandle({.className = kCoverWindowClass,
                          .style = WS_POPUP,
                          .exStyle = WS_EX_TOOLWINDOW,
                          .width = ::GetSystemMetrics(SM_CXSCREEN),
                          .height = ::GetSystemMetrics(SM_CYSCREEN),
                          .failureMessage = "Cannot create the cover window"});
            RegisterRunWindow(1, window_);
        }
        ::SetWindowPos(window_, above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    }
};

class Win32ScreenAndCursor : public ScreenAndCursor {
  public:
    void Attach(HWND window) { window_ = window; }
    void CoverScreen() override {
        try {
            cover_.Show(window_);
        } catch (const std::exception& error) {
            Trace(std::string("no cover ") + error.what());  // the run goes on as it was
        }
        // The box is shown again so that it lies above the cover also where
        // the window system stacks a newly shown window on top; it keeps the
        // keyboard.
        ::ShowWindow(window_, SW_HIDE);
        ::ShowWindow(window_, SW_SHOW);
        ::SetForegroundWindow(window_);
        ::SetFocus(window_);
    }
    ScreenSize Screen() override { return {::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)}; }
    void SetCursorPos(int32_t x, int32_t y) override { ::SetCursorPos(x, y); }
    void ShowCursor(bool show) override {
        const int counter = ::ShowCursor(show ? TRUE : FALSE);
        Trace("cursor " + std::string(show ? "show " : "hide ") + std::to_string(counter));
    }
    void ReleaseCapture() override { ::ReleaseCapture(); }

  private:
    HWND window_ = nullptr;
    CoverWindow cover_;
};

class Win32SaverApplication : public SaverApplication {
  public:
    explicit Win32SaverApplication(uint8_t startMode) : startMode_(startMode) {}

    void Attach(HWND window) { window_ = window; }

    // Waits, but wakes early for a message, so that the input the hook
    // library hands over is handled at once.
    void Sleep(uint32_t milliseconds) override {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds, QS_SENDMESSAGE | QS_POSTMESSAGE);
    }
    void ProcessMessages() override {
        if (ProcessPendingMessages())
            terminated_ = true;
    }
    bool Terminated() override { return terminated_; }
    void Terminate() override {
        if (!terminated_)
            ::PostQuitMessage(0);
        terminated_ = true;
    }
    // Owned by the window, which has the keyboard, so the box comes up in
    // front and takes the keys.
    void ShowError(const std::string& message) override {
        ::SetForegroundWindow(window_);
        ::SetFocus(window_);
        ShowStandardErrorBox(window_, message);
    }
    void HideWindow() override { ::ShowWindow(window_, SW_HIDE); }
    uint8_t StartMode() override { return startMode_; }

    std::unique_ptr<TTarvelNotify> CreateKeyboardWatch(const std::string& libraryFolder) override {
        notifyPlatform_.SetLibraryFolder(libraryFolder);
        notifyPlatform_.SetErrorOwner(window_);
        return std::make_unique<TTarvelNotify>(notifyPlatform_);
    }
    MusicRequests& Music() override {
        if (!music_)
            music_ = std::make_unique<MusicThread>();
        return music_->Requests();
    }

  private:
    uint8_t startMode_;
    HWND window_ = nullptr;
    Win32NotifyPlatform notifyPlatform_;
    std::unique_ptr<MusicThread> music_;
    bool terminated_ = false;
};

class Win32InputClock : public InputClock {
  public:
    uint32_t TickCount() override { return ::GetTickCount(); }
    uint32_t LastInputTick() override {
        LASTINPUTINFO info = {};
        info.cbSize = sizeof info;
        if (::GetLastInputInfo(&info))
            lastInput_ = info.dwTime;
        return lastInput_;
    }

  private:
    uint32_t lastInput_ = ::GetTickCount();
};

// The run's platform, role by role.
class Win32SaverPlatform {
  public:
    explicit Win32SaverPlatform(uint8_t startMode) : application_(startMode) {}

    void Attach(HWND window) {
        application_.Attach(window);
        password_.Attach(window);
        screen_.Attach(window);
    }
    SaverPlatform Roles() { return {files_, viewer_, password_, desktop_, screen_, application_, clock_}; }

  private:
    Win32SaverFiles files_;
    Win32ViewerProcess viewer_;
    Win32PasswordProvider password_;
    Win32DesktopSettings desktop_;
    Win32ScreenAndCursor screen_;
    Win32SaverApplication application_;
    Win32InputClock clock_;
};

// The window: a small frameless box in the middle of the screen, painted in
// the button face colour, that stands for the run.
class SaverWindow : public Window {
  public:
    explicit SaverWindow(uint8_t startMode) : platform_(startMode), form_(platform_.Roles()) {}

    void Create() {
        WNDCLASSEXA windowClass = {};
        windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = kSaverWindowClass;
        RegisterWindowClass(windowClass);

        const int x = (::GetSystemMetrics(SM_CXSCREEN) - kClientWidth) / 2;
        const int y = (::GetSystemMetrics(SM_CYSCREEN) - kClientHeight) / 2;
        // A tool window has no task-bar button.
        CreateHandle({.className = kSaverWindowClass,
                      .caption = "frmScrn",
                      .style = WS_POPUP,
                      .exStyle = WS_EX_TOOLWINDOW,
                      .x = x,
                      .y = y,
                      .width = kClientWidth,
                      .height = kClientHeight,
                      .failureMessage = "Cannot create the saver window"});
        // The run shows no picture: the window's class brush paints its
        // background colour, all a picture control would draw here.
        platform_.Attach(window_);
        RegisterRunWindow(0, window_);
        ::SetEnvironmentVariableA(kSaverWindowVariable,
                                  std::to_string(reinterpret_cast<uintptr_t>(window_)).c_str());
    }

    // The run under the message loop; its exit code.
    int Run() {
        ::ShowWindow(window_, SW_SHOW);
        ::UpdateWindow(window_);
        ::SetForegroundWindow(window_);
        // The run starts at the first activation; without a window manager
        // there may be none, so it is asked for once more here.
        ::PostMessageA(window_, kStartMessage, 0, 0);
        guard_.Start(form_.Pulse());
        try {
            RunMessageLoop();
            form_.FormDestroy();
        } catch (const std::exception& error) {
            if (form_.ExitCode() != 0)
                throw ExitCodeError(error.what(), form_.ExitCode());
            throw;
        }
        Destroy();
        Trace("run ended");
        return form_.ExitCode();
    }

  private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
            case WM_ACTIVATE:
                if (LOWORD(wParam) != WA_INACTIVE && form_.StartPending())
                    ::PostMessageA(window_, kStartMessage, 0, 0);
                break;
            case kStartMessage:
                form_.FormActivate();
                return 0;
            case WM_CLOSE:
                form_.Close();
                return 0;
            default:
                break;
        }
        return DefaultHandling(message, wParam, lParam);
    }

    Win32SaverPlatform platform_;
    TfrmScrn form_;
    // Declared after the form: it stops before the pulse it watches goes.
    RunGuardThread guard_;
};

}  // namespace

int RunSaverMode(uint8_t startMode) {
    InstallCrashEnd();
    SaverWindow window(startMode);
    window.Create();
    return window.Run();
}

}  // namespace orlscr
