// The run mode's Windows side: the saver window TfrmScrn and the platform
// calls of its portable core (saver/screen_saver.h).

#include "saver/saver_mode_win.h"

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "common/path.h"
#include "common/trace.h"
#include "common/win/message_pump.h"
#include "common/win/paths.h"
#include "common/win/profile_file.h"
#include "common/win/unique.h"
#include "common/win/window.h"
#include "hook/source/trvkhlib_win.h"
#include "package/own_file_win.h"
#include "saver/extract_win.h"
#include "saver/mci_device_win.h"
#include "saver/screen_saver.h"

namespace orlscr {

namespace {

constexpr const char* kSaverWindowClass = "TfrmScrn";
constexpr int kClientWidth = 242;
constexpr int kClientHeight = 116;
// Posted to the window at its first activation; the run happens there.
constexpr UINT kStartMessage = WM_APP + 1;

class Win32SaverPlatform : public SaverPlatform {
  public:
    explicit Win32SaverPlatform(uint8_t startMode) : startMode_(startMode) {}

    void Attach(HWND window) {
        window_ = window;
        music_ = std::make_unique<MciSoundDevice>(window);
    }

    std::unique_ptr<InputFile> OpenOwnFile() override { return OpenOwnPackage(); }
    ScreenSize Screen() override { return {::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)}; }
    void SetCursorPos(int32_t x, int32_t y) override { ::SetCursorPos(x, y); }
    void ShowCursor(bool show) override {
        const int counter = ::ShowCursor(show ? TRUE : FALSE);
        Trace("cursor " + std::string(show ? "show " : "hide ") + std::to_string(counter));
    }
    void ReleaseCapture() override { ::ReleaseCapture(); }

    std::string TempDir() override { return orlscr::TempDir(); }
    std::string SysDir() override { return orlscr::SysDir(); }
    LeadBytePredicate LeadBytes() override { return IsSystemLeadByte; }
    TargetFiles& Files() override { return files_; }
    std::optional<std::string> ReadControlIni(const std::string& section, const std::string& key) override {
        return PrivateProfileFile(JoinPath(ProgramFolder(), "CONTROL.INI", IsSystemLeadByte)).ReadString(section, key);
    }

    std::unique_ptr<TTarvelNotify> CreateKeyboardWatch() override {
        return std::make_unique<TTarvelNotify>(notifyPlatform_);
    }
    SoundDevice& MusicDevice() override { return *music_; }

    bool StartViewerProcess(const std::string& commandLine) override {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        std::string buffer = commandLine;  // CreateProcessA may write into it
        if (!::CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0x30, nullptr, nullptr, &startup, &info))
            return false;
        viewerProcess_.reset(info.hProcess);
        viewerThread_.reset(info.hThread);
        return true;
    }
    bool HasViewerProcess() override { return static_cast<bool>(viewerProcess_); }
    std::optional<uint32_t> ViewerExitCode() override {
        DWORD code = 0;
        if (!viewerProcess_ || !::GetExitCodeProcess(viewerProcess_.get(), &code))
            return std::nullopt;
        return code;
    }
    void TerminateViewerProcess() override { ::TerminateProcess(viewerProcess_.get(), 0); }
    void CloseViewerProcess() override {
        viewerProcess_.reset();
        viewerThread_.reset();
    }

    void SetScreenSaverRunning(bool running) override {
        ::SystemParametersInfoA(SPI_SCREENSAVERRUNNING, running ? 1 : 0, nullptr, 0);
        Trace(running ? "screen saver running on" : "screen saver running off");
    }

    // Waits, but wakes early for a message sent by the hook library: every
    // input event of the desktop waits for the watch's answer, so a plain
    // sleep would make the mouse lag for as long as the saver runs.
    void Sleep(uint32_t milliseconds) override {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds, QS_SENDMESSAGE);
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
    void ShowError(const std::string& message) override { ShowStandardErrorBox(window_, message); }

    uint8_t StartMode() override { return startMode_; }
    bool OpenDesktopKey() override {
        HKEY key = nullptr;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        desktopKey_.reset(key);
        return true;
    }
    std::optional<uint32_t> ReadDesktopInteger(const std::string& name) override {
        DWORD type = 0;
        DWORD value = 0;
        DWORD size = sizeof value;
        if (::RegQueryValueExA(desktopKey_.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value),
                               &size) != ERROR_SUCCESS ||
            type != REG_DWORD || size != sizeof value)
            return std::nullopt;
        return value;
    }
    void CloseDesktopKey() override { desktopKey_.reset(); }
    PasswordCheck VerifyScreenSavePwd() override {
        const std::string path = JoinPath(orlscr::SysDir(), "PASSWORD.CPL", IsSystemLeadByte);
        UniqueModule library(::LoadLibraryA(path.c_str()));
        if (!library) {
            Trace("password library missing");
            return PasswordCheck::LibraryMissing;
        }
        using VerifyFn = BOOL(WINAPI*)(HWND);
        auto verify =
            reinterpret_cast<VerifyFn>(reinterpret_cast<void*>(::GetProcAddress(library.get(), "VerifyScreenSavePwd")));
        if (verify == nullptr) {
            Trace("password entry missing");
            return PasswordCheck::EntryMissing;
        }
        const BOOL result = verify(window_);
        Trace((result & 0xFF) != 0 ? "password accepted" : "password refused");
        return (result & 0xFF) != 0 ? PasswordCheck::Accepted : PasswordCheck::Refused;
    }

  private:
    uint8_t startMode_;
    HWND window_ = nullptr;
    Win32TargetFiles files_;
    Win32NotifyPlatform notifyPlatform_;
    std::unique_ptr<MciSoundDevice> music_;
    UniqueHandle viewerProcess_;
    UniqueHandle viewerThread_;
    UniqueHkey desktopKey_;
    bool terminated_ = false;
};

// The window: a small frameless box in the middle of the screen, painted in
// the button face colour, that stands for the run.
class SaverWindow : public Window {
  public:
    explicit SaverWindow(uint8_t startMode) : platform_(startMode), form_(platform_) {}

    void Create() {
        WNDCLASSEXA windowClass = {};
        windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = kSaverWindowClass;
        RegisterWindowClass(windowClass);

        const int x = (::GetSystemMetrics(SM_CXSCREEN) - kClientWidth) / 2;
        const int y = (::GetSystemMetrics(SM_CYSCREEN) - kClientHeight) / 2;
        // A tool window has no task-bar button.
        CreateHandle(WS_EX_TOOLWINDOW, kSaverWindowClass, "frmScrn", WS_POPUP, x, y, kClientWidth, kClientHeight,
                     nullptr, nullptr, "Cannot create the saver window");
        // The run shows no picture: the window's class brush paints its
        // background colour, all a picture control would draw here.
        platform_.Attach(window_);
    }

    void Run() {
        ::ShowWindow(window_, SW_SHOW);
        ::UpdateWindow(window_);
        ::SetForegroundWindow(window_);
        // The run starts at the first activation; without a window manager
        // there may be none, so it is asked for once more here.
        ::PostMessageA(window_, kStartMessage, 0, 0);
        RunMessageLoop();
        form_.FormDestroy();
        ::DestroyWindow(window_);
        Trace("run ended");
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
            case MM_MCINOTIFY:
                form_.mpSaverNotify(wParam == MCI_NOTIFY_FAILURE);
                return 0;
            default:
                break;
        }
        return DefaultHandling(message, wParam, lParam);
    }

    Win32SaverPlatform platform_;
    TfrmScrn form_;
};

}  // namespace

void RunSaverMode(uint8_t startMode) {
    SaverWindow window(startMode);
    window.Create();
    window.Run();
}

}  // namespace orlscr
