#pragma once

// What the slide viewer asks of the display: per-monitor DPI awareness, the
// monitors with their DPIs, and the pace of the display's frames.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/slideview/monitor_layout.h"

namespace orlscr {

// Makes the process work in device pixels on every monitor, with the newest
// means the system has (per-monitor v2, per-monitor, then system-wide).
// Returns the kind taken, for the trace.
std::string BecomeDpiAware();

// The monitors of the desktop as the system reports them now.
std::vector<MonitorInfo> DesktopMonitors();

// The primary screen's rectangle.
Rect PrimaryScreen();

// Paces the frames of a transition to the display: each Wait returns when the
// next frame is due. With a composed desktop it waits for the compositor's
// next frame; otherwise it waits out one refresh period of the primary
// display, handing control back at once when messages arrive.
class FramePacer {
  public:
    FramePacer();
    // Call when a run of frames begins.
    void Start();
    // True when a frame is due now (drain messages first, then draw).
    bool FrameDue();
    // Waits for the next frame or the next message, whichever comes first.
    // `soon` runs when the frame is at most about a millisecond away, before
    // the rest of the wait (not with a compositor, whose frame time is not
    // known ahead).
    void Wait(const std::function<void()>& soon = {});
    std::string Describe() const;

  private:
    using FlushFunction = HRESULT(WINAPI*)();
    using CompositionFunction = HRESULT(WINAPI*)(BOOL*);
    bool Composing() const;

    FlushFunction flush_ = nullptr;
    CompositionFunction composition_ = nullptr;
    double periodMs_ = 1000.0 / 60;
    LARGE_INTEGER frequency_{};
    LARGE_INTEGER next_{};
    bool waitedForCompositor_ = false;
};

}  // namespace orlscr
