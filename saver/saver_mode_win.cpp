// The run mode's Windows side: the saver window TfrmScrn and the platform
// calls of its portable core (saver/screen_saver.h).

#include <windows.h>
#include <shlobj.h>

#include <memory>
#include <optional>
#include <string>

#include "common/win/trace.h"
#include "common/win/unique.h"
#include "entry/modes_win.h"
#include "entry/start_mode.h"
#include "hook/source/trvkhlib_win.h"
#include "package/own_file_win.h"
#include "package/paths.h"
#include "saver/desktop_win.h"
#include "saver/extract_win.h"
#include "saver/mci_device_win.h"
#include "saver/screen_saver.h"
#include "saver/viewer_process_win.h"
#include "transition/transition_view_win.h"

namespace orlscr {

namespace {

constexpr const char* kSaverWindowClass = "TfrmScrn";
constexpr int kClientWidth = 242;
constexpr int kClientHeight = 116;
// Posted to the window at its first activation; the run happens there.
constexpr UINT kStartMessage = WM_APP + 1;

// The folder of the running program, with its trailing backslash.
std::string ProgramFolder() {
    const std::string path = OwnFileName();
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// "orlscr" in the user's local application data, made when missing; empty
// when it cannot be had.
std::string OwnLocalAppDataFolder() {
    char buffer[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                                  buffer)))
        return std::string();
    const std::string folder = JoinPath(buffer, "orlscr");
    if (!::CreateDirectoryA(folder.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
        return std::string();
    const DWORD attributes = ::GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return std::string();
    return folder;
}

// The caption of the error box: the program's name without its extension.
std::string ApplicationTitle() {
    std::string name = OwnFileName();
    const size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
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
        const std::string path = ProgramFolder() + "CONTROL.INI";
        char buffer[256] = {};
        ::GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer, sizeof buffer, path.c_str());
        return std::string(buffer);
    }

  private:
    Win32TargetFiles files_;
};

class Win32ScreenAndCursor : public ScreenAndCursor {
  public:
    ScreenSize Screen() override { return {::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)}; }
    void SetCursorPos(int32_t x, int32_t y) override { ::SetCursorPos(x, y); }
    void ShowCursor(bool show) override {
        const int counter = ::ShowCursor(show ? TRUE : FALSE);
        Trace("cursor " + std::string(show ? "show " : "hide ") + std::to_string(counter));
    }
    void ReleaseCapture() override { ::ReleaseCapture(); }
};

class Win32SaverApplication : public SaverApplication {
  public:
    void Attach(HWND window) {
        window_ = window;
        music_ = std::make_unique<MciSoundDevice>(window);
    }

    // Waits, but wakes early for a message, so that the input the hook
    // library hands over is handled at once.
    void Sleep(uint32_t milliseconds) override {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds, QS_SENDMESSAGE | QS_POSTMESSAGE);
    }
    void ProcessMessages() override {
        MSG message;
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                terminated_ = true;
                continue;
            }
            ::TranslateMessage(&message);
            ::DispatchMessageA(&message);
        }
    }
    bool Terminated() override { return terminated_; }
    void Terminate() override {
        if (!terminated_)
            ::PostQuitMessage(0);
        terminated_ = true;
    }
    void ShowError(const std::string& message) override {
        Trace("error box " + message);
        ::MessageBoxA(window_, message.c_str(), ApplicationTitle().c_str(), MB_OK | MB_ICONERROR);
    }
    uint8_t StartMode() override { return orlscr::StartMode(); }

    std::unique_ptr<TTarvelNotify> CreateKeyboardWatch(const std::string& libraryFolder) override {
        notifyPlatform_.SetLibraryFolder(libraryFolder);
        return std::make_unique<TTarvelNotify>(notifyPlatform_);
    }
    SoundDevice& MusicDevice() override { return *music_; }

  private:
    HWND window_ = nullptr;
    Win32NotifyPlatform notifyPlatform_;
    std::unique_ptr<MciSoundDevice> music_;
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
    void Attach(HWND window) {
        application_.Attach(window);
        password_.Attach(window);
    }
    SaverPlatform Roles() { return {files_, viewer_, password_, desktop_, screen_, application_, clock_}; }
    SaverApplication& Application() { return application_; }

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
class SaverWindow {
  public:
    SaverWindow() : form_(platform_.Roles()) {}

    void Create() {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = WindowProc;
        windowClass.hInstance = ::GetModuleHandleA(nullptr);
        windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = kSaverWindowClass;
        ::RegisterClassA(&windowClass);

        const int x = (::GetSystemMetrics(SM_CXSCREEN) - kClientWidth) / 2;
        const int y = (::GetSystemMetrics(SM_CYSCREEN) - kClientHeight) / 2;
        // A tool window has no task-bar button.
        window_ = ::CreateWindowExA(WS_EX_TOOLWINDOW, kSaverWindowClass, "frmScrn", WS_POPUP, x, y, kClientWidth,
                                    kClientHeight, nullptr, nullptr, ::GetModuleHandleA(nullptr), this);
        if (window_ == nullptr)
            throw Error("Cannot create the saver window");
        platform_.Attach(window_);

        // The picture control fills the window. The run gives it no picture,
        // so it paints its background only.
        RECT client = {};
        ::GetClientRect(window_, &client);
        PShow_ = std::make_unique<TTransitionView>(window_, client);
        PShow_->SetAlignClient(true);
        PShow_->SetCenter(true);
        PShow_->SetColor(::GetSysColor(COLOR_BTNFACE));
        PShow_->Engine().SetThreaded(false);
    }

    void Run() {
        ::ShowWindow(window_, SW_SHOW);
        ::UpdateWindow(window_);
        ::SetForegroundWindow(window_);
        // The run starts at the first activation; without a window manager
        // there may be none, so it is asked for once more here.
        ::PostMessageA(window_, kStartMessage, 0, 0);
        MSG message;
        while (!platform_.Application().Terminated() && ::GetMessageA(&message, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&message);
            ::DispatchMessageA(&message);
        }
        form_.FormDestroy();
        PShow_.reset();
        ::DestroyWindow(window_);
        window_ = nullptr;
        Trace("run ended");
    }

  private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
            ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<SaverWindow*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self != nullptr) {
            try {
                if (auto result = self->Handle(message, wParam, lParam))
                    return *result;
            } catch (const std::exception& error) {
                Trace(std::string("error ") + error.what());
            }
        }
        return ::DefWindowProcA(window, message, wParam, lParam);
    }

    std::optional<LRESULT> Handle(UINT message, WPARAM wParam, LPARAM) {
        switch (message) {
            case WM_ACTIVATE:
                if (LOWORD(wParam) != WA_INACTIVE && form_.StartPending())
                    ::PostMessageA(window_, kStartMessage, 0, 0);
                return std::nullopt;
            case kStartMessage:
                form_.FormActivate();
                return 0;
            case WM_CLOSE:
                form_.Close();
                return 0;
            case MM_MCINOTIFY:
                form_.mpSaverNotify();
                return 0;
            default:
                return std::nullopt;
        }
    }

    Win32SaverPlatform platform_;
    TfrmScrn form_;
    HWND window_ = nullptr;
    std::unique_ptr<TTransitionView> PShow_;
};

}  // namespace

void RunSaverMode() {
    SaverWindow window;
    window.Create();
    window.Run();
}

}  // namespace orlscr
