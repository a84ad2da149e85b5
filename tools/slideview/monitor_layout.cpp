#include "tools/slideview/monitor_layout.h"

#include <algorithm>

namespace orlscr {

namespace {

bool Within(const Rect& inner, const Rect& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

Rect Union(const Rect& a, const Rect& b) {
    return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

}  // namespace

MonitorLayout LayOutMonitors(const std::vector<MonitorInfo>& monitors, const Rect& fallback) {
    // The primary first, the others in the order the system gave them.
    std::vector<MonitorInfo> ordered(monitors);
    std::stable_partition(ordered.begin(), ordered.end(), [](const MonitorInfo& m) { return m.primary; });

    MonitorLayout layout;
    for (const MonitorInfo& monitor : ordered) {
        if (monitor.bounds.IsEmpty())
            continue;
        // A monitor within one already taken adds nothing; one that holds an
        // earlier one replaces it.
        if (std::any_of(layout.screens.begin(), layout.screens.end(),
                        [&](const ScreenPlace& s) { return Within(monitor.bounds, s.window); }))
            continue;
        auto held = [&](const ScreenPlace& s) { return Within(s.window, monitor.bounds); };
        const auto first_held = std::find_if(layout.screens.begin(), layout.screens.end(), held);
        const auto at = first_held - layout.screens.begin();
        std::erase_if(layout.screens, held);
        const int32_t dpi = monitor.dpi > 0 ? monitor.dpi : kStandardDpi;
        layout.screens.insert(layout.screens.begin() + at, ScreenPlace{monitor.bounds, dpi});
    }
    if (layout.screens.empty())
        layout.screens.push_back(ScreenPlace{fallback, kStandardDpi});
    layout.desktop = layout.screens.front().window;
    for (const ScreenPlace& screen : layout.screens)
        layout.desktop = Union(layout.desktop, screen.window);
    return layout;
}

int32_t TextPixels(int32_t points, int32_t dpi) {
    return static_cast<int32_t>((static_cast<int64_t>(points) * dpi + 36) / 72);
}

}  // namespace orlscr
