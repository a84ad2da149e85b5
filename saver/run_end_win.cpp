#include "saver/run_end_win.h"

#include <atomic>
#include <string>

#include "common/trace.h"
#include "common/win/unique.h"

namespace orlscr {

namespace {

constexpr DWORD kGuardLookMs = 200;

std::atomic<HANDLE> g_viewerJob{nullptr};
std::atomic<HANDLE> g_viewerProcess{nullptr};
std::atomic<HWND> g_windows[2] = {};
std::atomic<bool> g_ending{false};
// The thread inside a ViewerStartGuard, or 0.
std::atomic<DWORD> g_viewerStarter{0};
// How long an end of the run waits for a viewer start to register.
constexpr DWORD kViewerStartWaitMs = 5000;

// Faults that no code of the player handles and goes on from. Exceptions of
// other kinds (a C++ throw is one) are left to their handlers.
bool IsFault(DWORD code) {
    switch (code) {
        case EXCEPTION_ACCESS_VIOLATION:
        case EXCEPTION_ILLEGAL_INSTRUCTION:
        case EXCEPTION_PRIV_INSTRUCTION:
        case EXCEPTION_STACK_OVERFLOW:
        case EXCEPTION_INT_DIVIDE_BY_ZERO:
        case EXCEPTION_IN_PAGE_ERROR:
        case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
        case EXCEPTION_DATATYPE_MISALIGNMENT:
        case EXCEPTION_NONCONTINUABLE_EXCEPTION:
            return true;
        default:
            return false;
    }
}

// Seen first, before any frame's handler: a fault inside a window procedure
// never reaches the unhandled-exception filter, as the system's callback
// dispatch swallows it and abandons the frames in between (their clean-up
// never runs, so the run would go on with its exit rules detached).
LONG WINAPI FaultHandler(EXCEPTION_POINTERS* exception) {
    const DWORD code = exception && exception->ExceptionRecord ? exception->ExceptionRecord->ExceptionCode : 0;
    if (!IsFault(code))
        return EXCEPTION_CONTINUE_SEARCH;
    EndRunNow("crash", code);
}

LONG WINAPI CrashFilter(EXCEPTION_POINTERS* exception) {
    const DWORD code = exception && exception->ExceptionRecord ? exception->ExceptionRecord->ExceptionCode : 1;
    EndRunNow("crash", code);
}

uint32_t LastInputTick(uint32_t fallback) {
    LASTINPUTINFO info = {};
    info.cbSize = sizeof info;
    return ::GetLastInputInfo(&info) ? info.dwTime : fallback;
}

}  // namespace

static DWORD WINAPI RunGuardThreadMain(void* parameter) {
    const auto& shared = *static_cast<const RunGuardThread::Shared*>(parameter);
    const RunPulse& pulse = *shared.pulse;
    RunGuard guard;
    bool started = false;
    uint32_t lastInput = ::GetTickCount();
    while (::WaitForSingleObject(shared.stop, kGuardLookMs) == WAIT_TIMEOUT) {
        if (!pulse.running)
            continue;
        const uint32_t now = ::GetTickCount();
        lastInput = LastInputTick(lastInput);
        if (!started) {
            guard.Start(now, pulse.handled);
            started = true;
        }
        if (pulse.closing)
            guard.Closing(now);
        if (guard.Check(now, lastInput, pulse.handled, pulse.lastBeat, pulse.userWait))
            EndRunNow(pulse.closing ? "guard: the run did not end" : "guard: input unhandled", 0);
    }
    return 0;
}

void RegisterViewerForRunEnd(HANDLE job, HANDLE process) {
    g_viewerJob = job;
    g_viewerProcess = process;
}

// The flag is set before the ending is read here, and EndRunNow sets the
// ending before it reads the flag: either the start sees the ending and makes
// no process, or the end sees the start and waits for its registration.
ViewerStartGuard::ViewerStartGuard() {
    g_viewerStarter = ::GetCurrentThreadId();
    started_ = !g_ending.load();
}

ViewerStartGuard::~ViewerStartGuard() {
    g_viewerStarter = 0;
}

void RegisterRunWindow(int slot, HWND window) {
    if (slot >= 0 && slot < 2)
        g_windows[slot] = window;
}

void EndRunNow(const char* reason, UINT exitCode) {
    // A second fault while ending (or the guard and a fault at once) ends
    // the process as it stands.
    if (g_ending.exchange(true))
        ::TerminateProcess(::GetCurrentProcess(), exitCode);
    // Not the thread itself: a fault while it starts the viewer ends here.
    for (DWORD waited = 0; waited < kViewerStartWaitMs; waited += 10) {
        const DWORD starter = g_viewerStarter.load();
        if (starter == 0 || starter == ::GetCurrentThreadId())
            break;
        ::Sleep(10);
    }
    if (HANDLE job = g_viewerJob.load())
        ::TerminateJobObject(job, 0);
    else if (HANDLE process = g_viewerProcess.load())
        ::TerminateProcess(process, 0);
    ::SystemParametersInfoA(SPI_SCREENSAVERRUNNING, 0, nullptr, 0);
    // Posted, not sent: the windows' thread may be the stuck one.
    for (auto& window : g_windows) {
        if (HWND hwnd = window.load())
            ::ShowWindowAsync(hwnd, SW_HIDE);
    }
    Trace(std::string("run ended by ") + reason);
    ::TerminateProcess(::GetCurrentProcess(), exitCode);
    for (;;)
        ::Sleep(INFINITE);
}

void InstallCrashEnd() {
    ::AddVectoredExceptionHandler(1, FaultHandler);
    ::SetUnhandledExceptionFilter(CrashFilter);
}

void RunGuardThread::Start(const RunPulse& pulse) {
    stop_.reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!stop_) {
        Trace("guard not started");
        return;
    }
    shared_ = {&pulse, stop_.get()};
    DWORD id = 0;
    thread_.reset(::CreateThread(nullptr, 0, RunGuardThreadMain, &shared_, 0, &id));
    if (!thread_) {
        Trace("guard not started");
        return;
    }
    ::SetThreadPriority(thread_.get(), THREAD_PRIORITY_ABOVE_NORMAL);
}

RunGuardThread::~RunGuardThread() {
    if (!thread_)
        return;
    ::SetEvent(stop_.get());
    ::WaitForSingleObject(thread_.get(), INFINITE);
}

}  // namespace orlscr
