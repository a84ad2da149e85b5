#pragma once

#include <windows.h>

#include "common/win/unique.h"
#include "saver/run_guard.h"

namespace orlscr {

// The end of a run that cannot end the ordinary way: its main thread is stuck
// or the process faulted. Whatever is registered here is ended from any
// thread without waiting on the main thread and without the heap: the
// viewer's job (or the viewer process where it runs without one), the
// screen-saver flag, the saver's windows, then the process.

// The viewer's job and process, or none (both may be null). Registered while
// the handles are open; cleared before they close.
void RegisterViewerForRunEnd(HANDLE job, HANDLE process);
// Held by the thread that starts the viewer from before the process exists
// until it is registered: an end of the run meanwhile on another thread waits
// for the registration (a short while at most), so no viewer outlives the run
// unregistered. Started() is false when the run is ending already; then no
// viewer is to be started.
class ViewerStartGuard {
  public:
    ViewerStartGuard();
    ~ViewerStartGuard();
    ViewerStartGuard(const ViewerStartGuard&) = delete;
    ViewerStartGuard& operator=(const ViewerStartGuard&) = delete;
    bool Started() const { return started_; }

  private:
    bool started_ = false;
};
// Up to two windows of the run, hidden at the end (null clears the slot).
void RegisterRunWindow(int slot, HWND window);

// Ends the run and the process with `exitCode`; never returns.
[[noreturn]] void EndRunNow(const char* reason, UINT exitCode);

// From now on a fault (an access violation, an illegal instruction, a stack
// overflow, ...) and any exception that nothing handles end the run at once,
// before any crash dialog (which would keep the process, and the viewer above
// it, frozen on the screen). A fault is taken as fatal where it happens, even
// one that some library would have handled itself: the player handles none.
void InstallCrashEnd();

// The thread that watches `pulse` (see RunGuard) and ends the run when the
// main thread stays stuck with input unhandled, or when a run asked to end
// does not. It runs from Start until the object goes; `pulse` must outlive it.
class RunGuardThread {
  public:
    RunGuardThread() = default;
    ~RunGuardThread();
    RunGuardThread(const RunGuardThread&) = delete;
    RunGuardThread& operator=(const RunGuardThread&) = delete;

    void Start(const RunPulse& pulse);

    // What the thread is given.
    struct Shared {
        const RunPulse* pulse;
        HANDLE stop;
    };
  private:
    Shared shared_ = {};
    UniqueHandle stop_;
    UniqueHandle thread_;
};

}  // namespace orlscr
