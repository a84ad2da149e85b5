// The hook library (kHookLibraryFileName): reports every keyboard and mouse
// input event of the desktop to the windows that asked for it.
//
// Its exports and the record it fills are those of hook/hook_abi.h. A window
// installed again gets the new message number and fresh hooks, for a caller
// who found that the platform dropped them.
//
// How: the first receiver starts a hook thread in the calling process. It sets
// the low-level mouse and keyboard hooks and runs their message loop; for each
// event it fills an EVENTMSG:
//   mouse: message = the mouse message (WM_MOUSEMOVE, WM_LBUTTONUP, ...),
//          paramL = x, paramH = y in screen pixels;
//   keys:  message = WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN or WM_SYSKEYUP,
//          paramL = virtual key | scan code << 8,
//          paramH = repeat count 1, bit 15 set for an extended key;
//   time = the event's time stamp, hwnd = the window under the cursor (mouse)
//          or the foreground window (keys).
// The last receiver going away ends the thread, which removes the hooks.
//
// Hand-over: the platform drops a low-level hook whose procedure takes too
// long, without notice, so the hook procedure never waits on a receiver. It
// appends the record to each receiver's queue and sends a wake-up to that
// receiver's pump, a message-only window that InstallHook made on the
// receiver's own thread, with SendNotifyMessage: it returns at once, and the
// wake-up is handled as a sent message, also while the receiver's thread waits
// inside a call to another thread (as the media device's calls do). Then it
// passes the event on. The pump runs whenever
// the receiver's thread retrieves messages and sends the queued records, in
// order, to the receiver with LParam pointing at a copy that stays valid for
// the call. So the receiver sees the same records in the same order as a
// synchronous delivery would give it, on its own thread, and may take as long
// as it likes over each. A receiver that stops retrieving messages loses its
// oldest records beyond kMaxPending.
//
// A mouse move that leaves the cursor where it was is not reported: some
// systems produce such moves when a window appears under the cursor or after
// the cursor was placed by a program, and they are no input of the user.

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "common/win/unique.h"
#include "hook/hook_abi.h"

// The exports, declared with the interface's types: a definition that strays
// from them does not compile.
extern "C" __declspec(dllexport) orlscr::InstallHookFn InstallHook;
extern "C" __declspec(dllexport) orlscr::UninstallHookFn UninstallHook;

static_assert(orlscr::EventMsgLayoutMatches<EVENTMSG>());

namespace {

using orlscr::UniqueHook;
using orlscr::UniqueWindow;

constexpr const char* kPumpClass = "OrlscrHookPump";
constexpr UINT kDrainMessage = WM_APP + 0x7A8;
// Posted to the hook thread: remove the hooks and set them again.
constexpr UINT kRehookMessage = WM_APP + 0x7A9;
constexpr size_t kMaxPending = 4096;

// One receiving window. Invariant: `pump` is a window of the thread that
// installed the receiver, and a drain message is on its way to it whenever
// `wakePosted` is true.
struct Receiver {
    HWND window;
    UINT message;
    HWND pump;
    std::deque<EVENTMSG> pending;
    bool wakePosted;
};

SRWLOCK g_lock = SRWLOCK_INIT;
std::vector<std::unique_ptr<Receiver>>* g_receivers = nullptr;  // guarded by g_lock
DWORD g_hookThreadId = 0;                                       // guarded by g_lock; 0 = no thread
HMODULE g_module = nullptr;
bool g_pumpClassRegistered = false;  // guarded by g_lock

// The cursor position of the last mouse event; only the hook thread uses it.
POINT g_lastPoint = {};

class LockGuard {
  public:
    LockGuard() { ::AcquireSRWLockExclusive(&g_lock); }
    ~LockGuard() { ::ReleaseSRWLockExclusive(&g_lock); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;
};

// The receiver whose window (or pump) is `window`; under g_lock.
Receiver* FindReceiver(HWND window, HWND Receiver::*field = &Receiver::window) {
    if (g_receivers == nullptr)
        return nullptr;
    for (auto& receiver : *g_receivers) {
        if ((*receiver).*field == window)
            return receiver.get();
    }
    return nullptr;
}

Receiver* FindByPump(HWND pump) {
    return FindReceiver(pump, &Receiver::pump);
}

// Sends the records that were queued when the drain began; a later wake-up
// takes the rest, so the receiver's thread gets back to its other messages.
void Drain(HWND pump) {
    size_t budget = 0;
    {
        LockGuard lock;
        if (Receiver* receiver = FindByPump(pump))
            budget = receiver->pending.size();
    }
    for (;;) {
        EVENTMSG record;
        HWND window;
        UINT message;
        {
            LockGuard lock;
            Receiver* receiver = FindByPump(pump);
            if (receiver == nullptr)
                return;
            if (receiver->pending.empty()) {
                receiver->wakePosted = false;
                return;
            }
            if (budget == 0) {
                // Posted, not sent: a send to a window of this thread would
                // call the pump at once, inside this drain.
                receiver->wakePosted = ::PostMessageA(pump, kDrainMessage, 0, 0) != FALSE;
                return;
            }
            --budget;
            record = receiver->pending.front();
            receiver->pending.pop_front();
            window = receiver->window;
            message = receiver->message;
        }
        // The receiver may pump messages meanwhile (a dialog), which drains
        // the following records from inside this call; their order holds.
        ::SendMessageA(window, message, 0, reinterpret_cast<LPARAM>(&record));
    }
}

LRESULT CALLBACK PumpProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kDrainMessage) {
        Drain(window);
        return 0;
    }
    // The default handling of WM_CLOSE destroys the pump.
    return ::DefWindowProcA(window, message, wParam, lParam);
}

// Under g_lock.
bool RegisterPumpClass() {
    if (g_pumpClassRegistered)
        return true;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = PumpProc;
    windowClass.hInstance = g_module;
    windowClass.lpszClassName = kPumpClass;
    if (::RegisterClassA(&windowClass) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return false;
    g_pumpClassRegistered = true;
    return true;
}

// A pump can be destroyed on its own thread only, which `pump` does as it
// goes; elsewhere the pump is asked to close.
void DestroyPump(UniqueWindow pump) {
    if (::GetWindowThreadProcessId(pump.get(), nullptr) != ::GetCurrentThreadId())
        ::PostMessageA(pump.release(), WM_CLOSE, 0, 0);
}

// Runs on the hook thread; never waits on a receiver.
void Deliver(const EVENTMSG& event) {
    LockGuard lock;
    // Hooks of a thread that is ending deliver nothing.
    if (g_receivers == nullptr || g_hookThreadId != ::GetCurrentThreadId())
        return;
    for (auto& receiver : *g_receivers) {
        if (receiver->pending.size() >= kMaxPending)
            receiver->pending.pop_front();
        receiver->pending.push_back(event);
        if (!receiver->wakePosted)
            receiver->wakePosted = ::SendNotifyMessageA(receiver->pump, kDrainMessage, 0, 0) != FALSE;
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

// Releases what the hook thread set, whichever way it leaves.
class Hooks {
  public:
    explicit Hooks(HMODULE module) : module_(module) { Set(); }
    ~Hooks() { Remove(); }
    Hooks(const Hooks&) = delete;
    Hooks& operator=(const Hooks&) = delete;
    bool ok() const { return mouse_ && keyboard_; }

    // Removes the hooks first, so that no event passes through two of ours.
    void Reset() {
        Remove();
        Set();
    }

  private:
    void Set() {
        mouse_.reset(::SetWindowsHookExA(WH_MOUSE_LL, MouseHook, module_, 0));
        keyboard_.reset(::SetWindowsHookExA(WH_KEYBOARD_LL, KeyboardHook, module_, 0));
    }
    void Remove() {
        mouse_.reset();
        keyboard_.reset();
    }

    HMODULE module_;
    UniqueHook mouse_;
    UniqueHook keyboard_;
};

void RunHooks(ThreadStart* start) {
    // Makes sure the thread has a message queue before anyone posts to it.
    MSG msg;
    ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    ::GetCursorPos(&g_lastPoint);
    Hooks hooks(start->module);
    start->ok = hooks.ok();
    const bool ok = start->ok;
    ::SetEvent(start->ready);  // `start` is gone after this
    if (!ok)
        return;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.hwnd == nullptr && msg.message == kRehookMessage) {
            hooks.Reset();
            continue;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

DWORD WINAPI HookThread(void* parameter) {
    auto* start = static_cast<ThreadStart*>(parameter);
    HMODULE module = start->module;
    RunHooks(start);
    // The thread holds its own reference to the library, so the library stays
    // loaded until the thread has left it.
    ::FreeLibraryAndExitThread(module, 0);
    return 0;
}

// Starts the hook thread; its id, or 0 when the hooks cannot be set.
DWORD StartHookThread() {
    HMODULE raw = nullptr;
    if (!::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&HookThread), &raw))
        return 0;
    // The thread's own reference to the library; the thread takes it over.
    orlscr::UniqueModule module(raw);
    orlscr::UniqueHandle ready(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!ready)
        return 0;
    ThreadStart start = {module.get(), ready.get(), false};
    DWORD id = 0;
    orlscr::UniqueHandle thread(::CreateThread(nullptr, 0, HookThread, &start, 0, &id));
    if (!thread)
        return 0;
    module.release();
    ::WaitForSingleObject(ready.get(), INFINITE);
    return start.ok ? id : 0;
}

// Removes a receiver and its pump; under g_lock.
void RemoveReceiver(HWND window) {
    if (g_receivers == nullptr)
        return;
    auto found = std::find_if(g_receivers->begin(), g_receivers->end(),
                              [window](const std::unique_ptr<Receiver>& r) { return r->window == window; });
    if (found == g_receivers->end())
        return;
    HWND pump = (*found)->pump;
    g_receivers->erase(found);
    DestroyPump(UniqueWindow(pump));
}

}  // namespace

extern "C" __declspec(dllexport) int32_t InstallHook(HWND window, uint32_t message) {
    if (!::IsWindow(window))
        return -1;
    bool needThread = false;
    {
        LockGuard lock;
        if (g_receivers == nullptr)
            g_receivers = new std::vector<std::unique_ptr<Receiver>>();
        if (Receiver* receiver = FindReceiver(window)) {
            receiver->message = message;
            if (g_hookThreadId != 0)
                ::PostThreadMessageA(g_hookThreadId, kRehookMessage, 0, 0);
        } else {
            if (!RegisterPumpClass())
                return -1;
            HWND pump = ::CreateWindowExA(0, kPumpClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, g_module, nullptr);
            if (pump == nullptr)
                return -1;
            g_receivers->push_back(std::make_unique<Receiver>(Receiver{window, message, pump, {}, false}));
        }
        needThread = g_hookThreadId == 0;
    }
    if (!needThread)
        return 0;

    const DWORD id = StartHookThread();
    LockGuard lock;
    if (id == 0) {
        RemoveReceiver(window);
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
    LockGuard lock;
    if (g_receivers == nullptr)
        return 0;
    RemoveReceiver(window);
    if (g_receivers->empty() && g_hookThreadId != 0) {
        ::PostThreadMessageA(g_hookThreadId, WM_QUIT, 0, 0);
        g_hookThreadId = 0;
    }
    return 0;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr && g_pumpClassRegistered) {
        // Unloaded while the process goes on: a later load registers the
        // class again with its own window procedure.
        ::UnregisterClassA(kPumpClass, g_module);
    }
    return TRUE;
}
