#pragma once

#include <cstdint>
#include <vector>

#include "raster/geometry.h"

namespace orlscr {

// The viewer's windows on the desktop: one full-screen window per monitor.
// Rectangles are in desktop (virtual-screen) pixels, whose origin is the
// top-left of the primary monitor, so monitors left of or above it have
// negative coordinates. The process works in device pixels on every monitor;
// a monitor's DPI sizes what is written on it, never the pictures.

inline constexpr int32_t kStandardDpi = 96;

struct MonitorInfo {
    Rect bounds;
    int32_t dpi = kStandardDpi;
    bool primary = false;
};

struct ScreenPlace {
    Rect window;  // the window covers the monitor exactly
    int32_t dpi = kStandardDpi;
    int32_t Width() const { return window.Width(); }
    int32_t Height() const { return window.Height(); }
    friend bool operator==(const ScreenPlace&, const ScreenPlace&) = default;
};

// What always holds: `screens` is never empty, the primary monitor comes
// first, no screen is empty or lies within another, and `desktop` is the
// smallest rectangle that holds every screen.
struct MonitorLayout {
    Rect desktop;
    std::vector<ScreenPlace> screens;
};

// The windows for the monitors the system reports. Empty monitors and a
// monitor that lies within another (a mirrored display reported twice) are
// left out; a DPI the system could not give counts as the standard one. With
// no usable monitor at all, `fallback` (the primary screen's rectangle) is
// the one screen.
MonitorLayout LayOutMonitors(const std::vector<MonitorInfo>& monitors, const Rect& fallback);

// The height in pixels of text of `points` points at `dpi`.
int32_t TextPixels(int32_t points, int32_t dpi);

}  // namespace orlscr
