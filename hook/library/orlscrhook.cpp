// The hook library "orlscrhook.dll": reports every keyboard and mouse input
// event of the desktop to the windows that asked for it.
//
// Exports (the x64 calling convention; names undecorated):
//   int32_t InstallHook(HWND window, uint32_t message)
//       adds the window to the receivers (a window already there gets the new
//       message number); 0 on success, -1 when the window is not a window or
//       the hooks cannot be set.
//   int32_t UninstallHook(HWND window)
//       ends the delivery to the window; 0.
//
// How: the first receiver starts a hook thread in the calling process. It sets
// the low-level mouse and keyboard hooks and runs their message loop; for each
// event it fills an EVENTMSG and sends the message synchronously to every
// receiver, with LParam pointing at that record:
//   mouse: message = the mouse message (WM_MOUSEMOVE, WM_LBUTTONUP, ...),
//          paramL = x, paramH = y in screen pixels;
//   keys:  message = WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN or WM_SYSKEYUP,
//          paramL = virtual key | scan code << 8,
//          paramH = repeat count 1, bit 15 set for an extended key;
//   time = the event's time stamp, hwnd = the window under the cursor (mouse)
//          or the foreground window (keys).
// The last receiver going away ends the thread, which removes the hooks.
//
// A mouse move that leaves the cursor where it was is not reported: some
// systems produce such moves when a window appears under the cursor or after
// the cursor was placed by a program, and they are no input of the user.
//
// The platform drops a low-level hook whose procedure takes too long, so a
// delivery waits at most kDeliveryTimeoutMs per receiver. A record stays valid
// after a delivery that timed out: records come from a ring that is far larger
// than the number of deliveries that can be pending at once.

#include <windows.h>

#include <cstdint>
#include <vector>

namespace {

constexpr UINT kDeliveryTimeoutMs = 400;
constexpr LONG kRecordRing = 256;

struct Receiver {
    HWND window;
    UINT message;
};

SRWLOCK g_lock = SRWLOCK_INIT;
std::vector<Receiver>* g_receivers = nullptr;  // guarded by g_lock
DWORD g_hookThreadId = 0;                      // guarded by g_lock; 0 = no thread

// The cursor position of the last mouse event; only the hook thread uses it.
POINT g_lastPoint = {};

EVENTMSG g_records[kRecordRing];
volatile LONG g_nextRecord = 0;

class LockGuard {
  public:
    explicit LockGuard(bool exclusive) : exclusive_(exclusive) {
        if (exclusive_)
            ::AcquireSRWLockExclusive(&g_lock);
        else
            ::AcquireSRWLockShared(&g_lock);
    }
    ~LockGuard() {
        if (exclusive_)
            ::ReleaseSRWLockExclusive(&g_lock);
        else
            ::ReleaseSRWLockShared(&g_lock);
    }

  private:
    bool exclusive_;
};

void Deliver(const EVENTMSG& event) {
    // A copy, so that the lock is not held while the receivers run (they may
    // install or uninstall themselves meanwhile).
    std::vector<Receiver> receivers;
    {
        LockGuard lock(false);
        // Hooks of a thread that is ending deliver nothing.
        if (g_receivers == nullptr || g_hookThreadId != ::GetCurrentThreadId())
            return;
        receivers = *g_receivers;
    }
    for (const Receiver& receiver : receivers) {
        const LONG slot = ::InterlockedIncrement(&g_nextRecord) & (kRecordRing - 1);
        g_records[slot] = event;
        DWORD_PTR result = 0;
        ::SendMessageTimeoutA(receiver.window, receiver.message, 0, reinterpret_cast<LPARAM>(&g_records[slot]),
                              SMTO_NORMAL | SMTO_ABORTIFHUNG, kDeliveryTimeoutMs, &result);
    }
}

LRESULT CALLBACK MouseHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto* info = reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
        const bool moved = info->pt.x != g_lastPoint.x || info->pt.y != g_lastPoint.y;
        g_lastPoint = info->pt;
        if (wParam == WM_MOUSEMOVE && !moved)
            return ::CallNextHookEx(nullptr, code, wParam, lParam);
        EVENTMSG event = {};
        event.message = static_cast<UINT>(wParam);
        event.paramL = static_cast<UINT>(info->pt.x);
        event.paramH = static_cast<UINT>(info->pt.y);
        event.time = info->time;
        event.hwnd = ::WindowFromPoint(info->pt);
        Deliver(event);
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK KeyboardHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto* info = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        EVENTMSG event = {};
        event.message = static_cast<UINT>(wParam);
        event.paramL = (info->vkCode & 0xFF) | ((info->scanCode & 0xFF) << 8);
        event.paramH = 1 | ((info->flags & LLKHF_EXTENDED) != 0 ? 0x8000u : 0u);
        event.time = info->time;
        event.hwnd = ::GetForegroundWindow();
        Deliver(event);
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

struct ThreadStart {
    HMODULE module;
    HANDLE ready;
    bool ok;
};

DWORD WINAPI HookThread(void* parameter) {
    auto* start = static_cast<ThreadStart*>(parameter);
    HMODULE module = start->module;
    // Makes sure the thread has a message queue before anyone posts to it.
    MSG msg;
    ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    ::GetCursorPos(&g_lastPoint);
    HHOOK mouse = ::SetWindowsHookExA(WH_MOUSE_LL, MouseHook, module, 0);
    HHOOK keyboard = ::SetWindowsHookExA(WH_KEYBOARD_LL, KeyboardHook, module, 0);
    start->ok = mouse != nullptr && keyboard != nullptr;
    const bool ok = start->ok;
    ::SetEvent(start->ready);  // `start` is gone after this
    if (ok) {
        while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    if (mouse != nullptr)
        ::UnhookWindowsHookEx(mouse);
    if (keyboard != nullptr)
        ::UnhookWindowsHookEx(keyboard);
    // The thread holds its own reference to the library, so the library stays
    // loaded until the thread has left it.
    ::FreeLibraryAndExitThread(module, 0);
    return 0;
}

// Starts the hook thread; its id, or 0 when the hooks cannot be set.
DWORD StartHookThread() {
    HMODULE module = nullptr;
    if (!::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&HookThread), &module))
        return 0;
    ThreadStart start = {module, ::CreateEventA(nullptr, TRUE, FALSE, nullptr), false};
    if (start.ready == nullptr) {
        ::FreeLibrary(module);
        return 0;
    }
    DWORD id = 0;
    HANDLE thread = ::CreateThread(nullptr, 0, HookThread, &start, 0, &id);
    if (thread == nullptr) {
        ::CloseHandle(start.ready);
        ::FreeLibrary(module);
        return 0;
    }
    ::WaitForSingleObject(start.ready, INFINITE);
    ::CloseHandle(start.ready);
    ::CloseHandle(thread);
    return start.ok ? id : 0;
}

}  // namespace

extern "C" __declspec(dllexport) int32_t InstallHook(HWND window, uint32_t message) {
    if (!::IsWindow(window))
        return -1;
    bool needThread = false;
    {
        LockGuard lock(true);
        if (g_receivers == nullptr)
            g_receivers = new std::vector<Receiver>();
        bool found = false;
        for (Receiver& receiver : *g_receivers) {
            if (receiver.window == window) {
                receiver.message = message;
                found = true;
            }
        }
        if (!found)
            g_receivers->push_back({window, message});
        needThread = g_hookThreadId == 0;
    }
    if (!needThread)
        return 0;

    const DWORD id = StartHookThread();
    LockGuard lock(true);
    if (id == 0) {
        std::erase_if(*g_receivers, [window](const Receiver& r) { return r.window == window; });
        return -1;
    }
    if (g_hookThreadId == 0 && !g_receivers->empty()) {
        g_hookThreadId = id;
    } else {
        // Another caller started a thread meanwhile, or the window left again.
        ::PostThreadMessageA(id, WM_QUIT, 0, 0);
    }
    return 0;
}

extern "C" __declspec(dllexport) int32_t UninstallHook(HWND window) {
    LockGuard lock(true);
    if (g_receivers == nullptr)
        return 0;
    std::erase_if(*g_receivers, [window](const Receiver& r) { return r.window == window; });
    if (g_receivers->empty() && g_hookThreadId != 0) {
        ::PostThreadMessageA(g_hookThreadId, WM_QUIT, 0, 0);
        g_hookThreadId = 0;
    }
    return 0;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
