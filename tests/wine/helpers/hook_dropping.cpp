// Stands in for the hook library as the platform may leave it: it keeps the
// library's contract (hook/hook_abi.h, mouse moves without movement left out),
// but after ORLSCR_HOOK_DROP_AFTER deliveries (default 2) its hooks are gone
// without notice, as when the platform removes a hook that overran its time
// limit. It then appends "hook stand-in dropped" to the trace file named by
// ORLSCR_TRACE. Installing the receiver again sets new hooks that deliver as
// many events again; the call returns once they are set, so that a move made
// right after it is seen. One receiver at a time.
//
// With ORLSCR_HOOK_BLOCK_AFTER=N the receiver's thread is made to hang after
// N deliveries instead, as a driver that never returns would hang it: a
// window the library made on that thread gets a message whose handler never
// returns ("hook stand-in blocks the receiver" in the trace). The hooks go on.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "common/trace.h"
#include "common/win/unique.h"
#include "hook/hook_abi.h"

namespace {

constexpr LONG kRing = 64;

HWND g_receiver = nullptr;
UINT g_message = 0;
DWORD g_threadId = 0;
orlscr::UniqueHandle g_thread;
orlscr::UniqueHook g_mouse;
orlscr::UniqueHook g_keyboard;
int g_left = 0;
int g_blockLeft = -1;  // deliveries until the receiver's thread hangs; -1: never
HWND g_blocker = nullptr;
constexpr UINT kBlockMessage = WM_APP + 1;
POINT g_lastPoint = {};
EVENTMSG g_records[kRing];
LONG g_next = 0;

// Through the trace's own writer: the player's and the viewer's lines go to
// the same file at the same time.
void Trace(const char* line) {
    orlscr::Trace(line);
}

void Drop() {
    g_mouse.reset();
    g_keyboard.reset();
    Trace("hook stand-in dropped");
}

void Deliver(const EVENTMSG& event) {
    if (g_left <= 0)
        return;
    EVENTMSG& record = g_records[g_next++ % kRing];
    record = event;
    ::SendNotifyMessageA(g_receiver, g_message, 0, reinterpret_cast<LPARAM>(&record));
    if (g_blockLeft > 0 && --g_blockLeft == 0) {
        Trace("hook stand-in blocks the receiver");
        ::PostMessageA(g_blocker, kBlockMessage, 0, 0);
    }
    if (--g_left == 0)
        Drop();
}

LRESULT CALLBACK MouseHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto* info = reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
        const bool moved = info->pt.x != g_lastPoint.x || info->pt.y != g_lastPoint.y;
        g_lastPoint = info->pt;
        if (wParam != WM_MOUSEMOVE || moved) {
            EVENTMSG event = {static_cast<UINT>(wParam), static_cast<UINT>(info->pt.x),
                              static_cast<UINT>(info->pt.y), info->time, ::WindowFromPoint(info->pt)};
            Deliver(event);
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK KeyboardHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto* info = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        EVENTMSG event = {static_cast<UINT>(wParam), (info->vkCode & 0xFF) | ((info->scanCode & 0xFF) << 8), 1,
                          info->time, ::GetForegroundWindow()};
        Deliver(event);
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// On the hook thread: new hooks with a fresh count.
void SetHooks() {
    g_mouse.reset();
    g_keyboard.reset();
    ::GetCursorPos(&g_lastPoint);
    const char* after = std::getenv("ORLSCR_HOOK_DROP_AFTER");
    g_left = after != nullptr ? std::atoi(after) : 2;
    HMODULE module = nullptr;
    ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCSTR>(&SetHooks), &module);
    g_mouse.reset(::SetWindowsHookExA(WH_MOUSE_LL, MouseHook, module, 0));
    g_keyboard.reset(::SetWindowsHookExA(WH_KEYBOARD_LL, KeyboardHook, module, 0));
}

LRESULT CALLBACK BlockerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kBlockMessage) {
        for (;;)
            ::Sleep(INFINITE);
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

// On the receiver's thread: the window whose message hangs it.
void MakeBlocker() {
    const char* after = std::getenv("ORLSCR_HOOK_BLOCK_AFTER");
    if (after == nullptr)
        return;
    g_blockLeft = std::atoi(after);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = BlockerProc;
    windowClass.lpszClassName = "HookStandInBlocker";
    ::RegisterClassA(&windowClass);
    g_blocker = ::CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                  nullptr);
}

DWORD WINAPI HookThread(void* ready) {
    MSG msg;
    ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    SetHooks();
    ::SetEvent(static_cast<HANDLE>(ready));
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.hwnd == nullptr && msg.message == WM_APP) {
            SetHooks();
            ::SetEvent(reinterpret_cast<HANDLE>(msg.wParam));
        } else
            ::DispatchMessageA(&msg);
    }
    if (g_mouse)
        Drop();
    return 0;
}

}  // namespace

extern "C" __declspec(dllexport) orlscr::InstallHookFn InstallHook;
extern "C" __declspec(dllexport) orlscr::UninstallHookFn UninstallHook;

extern "C" __declspec(dllexport) int32_t InstallHook(HWND window, uint32_t message) {
    if (!::IsWindow(window))
        return -1;
    if (g_threadId != 0) {
        orlscr::UniqueHandle set(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
        ::PostThreadMessageA(g_threadId, WM_APP, reinterpret_cast<WPARAM>(set.get()), 0);
        ::WaitForSingleObject(set.get(), INFINITE);
        return 0;
    }
    g_receiver = window;
    g_message = message;
    MakeBlocker();
    orlscr::UniqueHandle ready(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    g_thread.reset(::CreateThread(nullptr, 0, HookThread, ready.get(), 0, &g_threadId));
    ::WaitForSingleObject(ready.get(), INFINITE);
    return 0;
}

extern "C" __declspec(dllexport) int32_t UninstallHook(HWND) {
    if (g_threadId != 0) {
        // The old hooks are gone before new ones can be set.
        ::PostThreadMessageA(g_threadId, WM_QUIT, 0, 0);
        ::WaitForSingleObject(g_thread.get(), INFINITE);
        g_thread.reset();
    }
    g_threadId = 0;
    return 0;
}
