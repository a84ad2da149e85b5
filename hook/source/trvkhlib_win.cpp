#include "hook/source/trvkhlib_win.h"

#include <cstddef>

#include "common/win/exit_code.h"
#include "common/trace.h"
#include "common/win/unique.h"
#include "common/win/win32_error.h"

namespace orlscr {

namespace {

using InstallHookFn = int32_t(WINAPI*)(HWND, uint32_t);
using UninstallHookFn = int32_t(WINAPI*)(HWND);

// The library and its entries; none until loaded. The module is freed when
// the process ends.
struct HookLibraryState {
    UniqueModule library;
    InstallHookFn installHook = nullptr;
    UninstallHookFn uninstallHook = nullptr;
};

HookLibraryState& State() {
    static HookLibraryState state;
    return state;
}

constexpr const char* kNotifyWindowClass = "OrlscrNotifyWindow";

LRESULT CALLBACK NotifyWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* owner = reinterpret_cast<TTarvelNotify*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    if (owner != nullptr) {
        TMessage m;
        m.Msg = message;
        m.WParam = static_cast<intptr_t>(wParam);
        m.LParam = static_cast<intptr_t>(lParam);
        try {
            if (owner->NotifyWndProc(m))
                return m.Result;
        } catch (...) {
            // An error must not cross into the hook library's thread.
            return 0;
        }
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

void RegisterNotifyWindowClass() {
    static bool registered = false;
    if (registered)
        return;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = NotifyWindowProc;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kNotifyWindowClass;
    if (::RegisterClassA(&windowClass) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw Win32Error("Cannot register the notify window class");
    registered = true;
}

}  // namespace

static_assert(sizeof(EventMsg) == sizeof(EVENTMSG));
static_assert(offsetof(EventMsg, message) == offsetof(EVENTMSG, message));
static_assert(offsetof(EventMsg, paramL) == offsetof(EVENTMSG, paramL));
static_assert(offsetof(EventMsg, paramH) == offsetof(EVENTMSG, paramH));
static_assert(offsetof(EventMsg, time) == offsetof(EVENTMSG, time));
static_assert(offsetof(EventMsg, hwnd) == offsetof(EVENTMSG, hwnd));

std::string HookLibraryPath() {
    char buffer[255] = {};
    const UINT length = ::GetSystemDirectoryA(buffer, sizeof buffer);
    std::string folder(buffer, length < sizeof buffer ? length : 0);
    return folder + "\\" + "orlscrhook";
}

void LoadHookLibrary() {
    HookLibraryState& state = State();
    if (!state.library) {
        state.library.reset(::LoadLibraryA(HookLibraryPath().c_str()));
        if (!state.library) {
            Trace("hook library missing");
            ::MessageBoxA(nullptr, "Could not load DLL: orlscrhook", "Error", MB_ICONERROR);
            SetExitCode(-1);
            return;
        }
    }
    state.installHook =
        reinterpret_cast<InstallHookFn>(reinterpret_cast<void*>(::GetProcAddress(state.library.get(), "InstallHook")));
    state.uninstallHook = reinterpret_cast<UninstallHookFn>(
        reinterpret_cast<void*>(::GetProcAddress(state.library.get(), "UninstallHook")));
    Trace("hook library loaded");
}

int32_t CallInstallHook(HWND window, uint32_t message) {
    InstallHookFn install = State().installHook;
    return install != nullptr ? install(window, message) : -1;
}

int32_t CallUninstallHook(HWND window) {
    UninstallHookFn uninstall = State().uninstallHook;
    return uninstall != nullptr ? uninstall(window) : 0;
}

NotifyPlatform::WindowHandle Win32NotifyPlatform::CreateNotifyWindow(TTarvelNotify& owner) {
    RegisterNotifyWindowClass();
    HWND window = ::CreateWindowExA(0, kNotifyWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    ::GetModuleHandleA(nullptr), nullptr);
    if (window == nullptr)
        throw Win32Error("Cannot create the notify window");
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&owner));
    return reinterpret_cast<WindowHandle>(window);
}

void Win32NotifyPlatform::DestroyNotifyWindow(WindowHandle window) {
    HWND hwnd = reinterpret_cast<HWND>(window);
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    ::DestroyWindow(hwnd);
}

void Win32NotifyPlatform::LoadHookLibrary() {
    orlscr::LoadHookLibrary();
}

int32_t Win32NotifyPlatform::CallInstallHook(WindowHandle window, uint32_t message) {
    return orlscr::CallInstallHook(reinterpret_cast<HWND>(window), message);
}

int32_t Win32NotifyPlatform::CallUninstallHook(WindowHandle window) {
    return orlscr::CallUninstallHook(reinterpret_cast<HWND>(window));
}

}  // namespace orlscr
