// Measures how long the hook library (kHookLibraryFileName, from the current
// folder) holds each input event while its receiver is busy. Two low-level
// mouse hooks of this program frame the library's: one set before it (called
// after it) and one after it (called before it), each on a thread of its own.
// The first stamps the time, the second prints "passed MS" for every mouse
// move with the milliseconds the library kept the event. The receiving window
// prints "handled X Y" for each notification and then sleeps
// ORLSCR_HANDLER_SLEEP_MS (default 2000), as a receiver that is busy does. A
// full-screen window on another thread lets the input hooks see the display's
// input. Prints "ready" once everything is in place; ends after 60 s.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "common/win/unique.h"
#include "hook/hook_abi.h"
#include "package/package_contract.h"

namespace {

LARGE_INTEGER g_frequency;
volatile LONGLONG g_stamp = 0;
DWORD g_sleepMs = 2000;

LONGLONG Now() {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now.QuadPart;
}

LRESULT CALLBACK FirstHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && wParam == WM_MOUSEMOVE)
        g_stamp = Now();
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK LastHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && wParam == WM_MOUSEMOVE && g_stamp != 0) {
        const double ms = static_cast<double>(Now() - g_stamp) * 1000.0 / static_cast<double>(g_frequency.QuadPart);
        g_stamp = 0;
        std::printf("passed %.1f\n", ms);
        std::fflush(stdout);
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

struct HookThreadStart {
    HOOKPROC proc;
    HANDLE ready;
};

DWORD WINAPI HookThread(void* parameter) {
    auto* start = static_cast<HookThreadStart*>(parameter);
    MSG msg;
    ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    ::SetWindowsHookExA(WH_MOUSE_LL, start->proc, ::GetModuleHandleA(nullptr), 0);
    ::SetEvent(start->ready);
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0)
        ::DispatchMessageA(&msg);
    return 0;
}

void StartHookThread(HOOKPROC proc) {
    orlscr::UniqueHandle ready(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    HookThreadStart start = {proc, ready.get()};
    orlscr::UniqueHandle thread(::CreateThread(nullptr, 0, HookThread, &start, 0, nullptr));
    ::WaitForSingleObject(ready.get(), INFINITE);
}

LRESULT CALLBACK ReceiverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == orlscr::kHookNotifyMessage) {
        const auto* event = reinterpret_cast<const EVENTMSG*>(lParam);
        std::printf("handled %d %d\n", static_cast<int>(event->paramL), static_cast<int>(event->paramH));
        std::fflush(stdout);
        ::Sleep(g_sleepMs);
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

DWORD WINAPI ScreenThread(void* ready) {
    HWND screen = ::CreateWindowExA(0, "HookTiming", "Hook timing", WS_POPUP | WS_VISIBLE, 0, 0,
                                    ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN), nullptr,
                                    nullptr, ::GetModuleHandleA(nullptr), nullptr);
    ::SetForegroundWindow(screen);
    ::SetEvent(static_cast<HANDLE>(ready));
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0)
        ::DispatchMessageA(&msg);
    return 0;
}

}  // namespace

int main() {
    ::QueryPerformanceFrequency(&g_frequency);
    if (const char* sleep = std::getenv("ORLSCR_HANDLER_SLEEP_MS"))
        g_sleepMs = static_cast<DWORD>(std::atoi(sleep));
    HMODULE library = ::LoadLibraryA(orlscr::kHookLibraryFileName);
    auto* install = reinterpret_cast<orlscr::InstallHookFn*>(
        reinterpret_cast<void*>(::GetProcAddress(library, orlscr::kInstallHookExport)));
    if (install == nullptr) {
        std::printf("no library\n");
        return 1;
    }

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ReceiverProc;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "HookTiming";
    ::RegisterClassA(&windowClass);
    orlscr::UniqueHandle ready(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    orlscr::UniqueHandle screenThread(::CreateThread(nullptr, 0, ScreenThread, ready.get(), 0, nullptr));
    ::WaitForSingleObject(ready.get(), INFINITE);

    HWND receiver =
        ::CreateWindowExA(0, "HookTiming", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
    StartHookThread(LastHook);  // set first: called after the library's hook
    const int installed = install(receiver, orlscr::kHookNotifyMessage);
    StartHookThread(FirstHook);  // set last: called first
    std::printf("ready %d\n", installed);
    std::fflush(stdout);

    const DWORD end = ::GetTickCount() + 60000;
    MSG msg;
    while (static_cast<LONG>(end - ::GetTickCount()) > 0) {
        if (::MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT) == WAIT_OBJECT_0) {
            while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                ::DispatchMessageA(&msg);
        }
    }
    return 0;
}
