#include "hook/source/trvkhlib_win.h"

#include <memory>

#include "common/path.h"
#include "common/trace.h"
#include "common/win/paths.h"
#include "common/win/unique.h"
#include "common/win/win32_error.h"
#include "common/win/window.h"

namespace orlscr {

namespace {

// The library and its entries; none until loaded. The module is freed when
// the process ends.
struct HookLibraryState {
    UniqueModule library;
    InstallHookFn* installHook = nullptr;
    UninstallHookFn* uninstallHook = nullptr;
};

HookLibraryState& State() {
    static HookLibraryState state;
    return state;
}

constexpr const char* kNotifyWindowClass = "OrlscrNotifyWindow";

// The hidden window that receives the hook library's notifications for one
// keyboard watch. It lives until DestroyNotifyWindow destroys it, and goes
// with its window.
//
// An error escaping a handler is traced and the message answered 0, never
// shown in an error box: the library's hook waits for the answer to every
// notification, and a box would hold the desktop's input (Windows removes a
// hook that keeps it waiting too long).
class NotifyWindow : public Window {
  public:
    explicit NotifyWindow(TTarvelNotify& owner)
        : Window([](HWND, const std::string& message) { Trace("notify error " + message); }), owner_(owner) {
        WNDCLASSEXA windowClass = {};
        windowClass.lpszClassName = kNotifyWindowClass;
        RegisterWindowClass(windowClass);
        CreateHandle({.className = kNotifyWindowClass,
                      .parent = HWND_MESSAGE,
                      .failureMessage = "Cannot create the notify window"});
    }

  private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        TMessage m;
        m.Msg = message;
        m.WParam = static_cast<intptr_t>(wParam);
        m.LParam = static_cast<intptr_t>(lParam);
        if (owner_.NotifyWndProc(m))
            return m.Result;
        return DefaultHandling(message, wParam, lParam);
    }

    void WindowDestroyed() override { delete this; }

    TTarvelNotify& owner_;
};

}  // namespace

static_assert(EventMsgLayoutMatches<EVENTMSG>());

std::string HookLibraryPath() {
    return JoinPath(SysDir(), kHookLibraryModuleName, IsSystemLeadByte);
}

bool LoadHookLibrary(const std::string& folder, HWND errorOwner) {
    HookLibraryState& state = State();
    if (!state.library && !folder.empty()) {
        const std::string path = JoinPath(folder, kHookLibraryModuleName, IsSystemLeadByte);
        state.library.reset(::LoadLibraryA(path.c_str()));
    }
    if (!state.library) {
        state.library.reset(::LoadLibraryA(HookLibraryPath().c_str()));
        if (!state.library) {
            Trace("hook library missing");
            if (errorOwner) {
                ::SetForegroundWindow(errorOwner);
                ::SetFocus(errorOwner);
            }
            // A run that hides the cursor shows it for the box.
            ::ShowCursor(TRUE);
            const std::string text = "Could not load DLL: " + std::string(kHookLibraryModuleName);
            ::MessageBoxA(errorOwner, text.c_str(), "Error", MB_ICONERROR);
            ::ShowCursor(FALSE);
            return false;
        }
    }
    state.installHook = reinterpret_cast<InstallHookFn*>(
        reinterpret_cast<void*>(::GetProcAddress(state.library.get(), kInstallHookExport)));
    state.uninstallHook = reinterpret_cast<UninstallHookFn*>(
        reinterpret_cast<void*>(::GetProcAddress(state.library.get(), kUninstallHookExport)));
    Trace("hook library loaded");
    return true;
}

int32_t CallInstallHook(HWND window, uint32_t message) {
    InstallHookFn* install = State().installHook;
    return install != nullptr ? install(window, message) : -1;
}

int32_t CallUninstallHook(HWND window) {
    UninstallHookFn* uninstall = State().uninstallHook;
    return uninstall != nullptr ? uninstall(window) : 0;
}

NotifyPlatform::WindowHandle Win32NotifyPlatform::CreateNotifyWindow(TTarvelNotify& owner) {
    auto window = std::make_unique<NotifyWindow>(owner);
    // From here on the window owns the object.
    return reinterpret_cast<WindowHandle>(window.release()->Handle());
}

void Win32NotifyPlatform::DestroyNotifyWindow(WindowHandle window) {
    if (Window* notifyWindow = Window::FromHandle(reinterpret_cast<HWND>(window)))
        notifyWindow->Destroy();
}

bool Win32NotifyPlatform::LoadHookLibrary() {
    return orlscr::LoadHookLibrary(libraryFolder_, errorOwner_);
}

int32_t Win32NotifyPlatform::CallInstallHook(WindowHandle window, uint32_t message) {
    return orlscr::CallInstallHook(reinterpret_cast<HWND>(window), message);
}

int32_t Win32NotifyPlatform::CallUninstallHook(WindowHandle window) {
    return orlscr::CallUninstallHook(reinterpret_cast<HWND>(window));
}

}  // namespace orlscr
