#include "tools/slideview/display_win.h"

#include <cmath>

#include "common/win/unique.h"

namespace orlscr {

namespace {

// Functions of newer systems, looked up at run time so the viewer still starts
// on older ones.
template <typename Function>
Function Lookup(const char* library, const char* name) {
    HMODULE module = ::GetModuleHandleA(library);
    if (!module)
        module = ::LoadLibraryA(library);  // kept for the process's life
    return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

// The values of the newer DPI headers, spelled out for older ones.
const HANDLE kPerMonitorAware = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3));
const HANDLE kPerMonitorAwareV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
constexpr int kProcessPerMonitorDpiAware = 2;
constexpr int kEffectiveDpi = 0;

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    auto* monitors = reinterpret_cast<std::vector<MonitorInfo>*>(data);
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (!::GetMonitorInfoA(monitor, &info))
        return TRUE;
    using DpiForMonitor = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    static const auto dpi_for_monitor = Lookup<DpiForMonitor>("shcore.dll", "GetDpiForMonitor");
    UINT dpi_x = 0, dpi_y = 0;
    if (!dpi_for_monitor || FAILED(dpi_for_monitor(monitor, kEffectiveDpi, &dpi_x, &dpi_y))) {
        WindowDc screen(nullptr);
        dpi_y = screen ? static_cast<UINT>(::GetDeviceCaps(screen.get(), LOGPIXELSY)) : 0;
    }
    const RECT& r = info.rcMonitor;
    monitors->push_back(MonitorInfo{Rect{r.left, r.top, r.right, r.bottom}, static_cast<int32_t>(dpi_y),
                                    (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
    return TRUE;
}

}  // namespace

std::string BecomeDpiAware() {
    // The manifest asks for it already; these calls are for a system that
    // did not read it. A call fails when the awareness is already set.
    using SetContext = BOOL(WINAPI*)(HANDLE);
    using SetAwareness = HRESULT(WINAPI*)(int);
    const auto set_context = Lookup<SetContext>("user32.dll", "SetProcessDpiAwarenessContext");
    const auto set_awareness = Lookup<SetAwareness>("shcore.dll", "SetProcessDpiAwareness");
    if (!(set_context && (set_context(kPerMonitorAwareV2) || set_context(kPerMonitorAware))) &&
        !(set_awareness && SUCCEEDED(set_awareness(kProcessPerMonitorDpiAware))))
        ::SetProcessDPIAware();
    using GetAwareness = HRESULT(WINAPI*)(HANDLE, int*);
    const auto get_awareness = Lookup<GetAwareness>("shcore.dll", "GetProcessDpiAwareness");
    int awareness = -1;
    if (!get_awareness || FAILED(get_awareness(nullptr, &awareness)))
        return "unknown";
    return awareness == kProcessPerMonitorDpiAware ? "per-monitor" : awareness == 1 ? "system" : "unaware";
}

std::vector<MonitorInfo> DesktopMonitors() {
    std::vector<MonitorInfo> monitors;
    ::EnumDisplayMonitors(nullptr, nullptr, &AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

Rect PrimaryScreen() {
    return Rect{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
}

FramePacer::FramePacer() {
    flush_ = Lookup<FlushFunction>("dwmapi.dll", "DwmFlush");
    composition_ = Lookup<CompositionFunction>("dwmapi.dll", "DwmIsCompositionEnabled");
    DEVMODEA mode{};
    mode.dmSize = sizeof(mode);
    // 0 and 1 stand for the hardware's default rate.
    if (::EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode) && mode.dmDisplayFrequency > 1)
        periodMs_ = 1000.0 / mode.dmDisplayFrequency;
    ::QueryPerformanceFrequency(&frequency_);
}

bool FramePacer::Composing() const {
    BOOL enabled = FALSE;
    return flush_ && composition_ && SUCCEEDED(composition_(&enabled)) && enabled;
}

void FramePacer::Start() {
    ::QueryPerformanceCounter(&next_);
    waitedForCompositor_ = false;
}

bool FramePacer::FrameDue() {
    if (waitedForCompositor_)
        return true;
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    if (now.QuadPart < next_.QuadPart)
        return false;
    const auto period = static_cast<LONGLONG>(periodMs_ * static_cast<double>(frequency_.QuadPart) / 1000.0);
    next_.QuadPart += period;
    if (next_.QuadPart < now.QuadPart)  // fell behind: no catching up with a burst of frames
        next_.QuadPart = now.QuadPart + period;
    return true;
}

void FramePacer::Wait(const std::function<void()>& soon) {
    waitedForCompositor_ = false;
    if (Composing() && SUCCEEDED(flush_())) {
        waitedForCompositor_ = true;
        return;
    }
    auto ms_left = [this] {
        LARGE_INTEGER now;
        ::QueryPerformanceCounter(&now);
        return static_cast<double>(next_.QuadPart - now.QuadPart) * 1000.0 / static_cast<double>(frequency_.QuadPart);
    };
    constexpr double kSoonMs = 1.0;
    double ms = ms_left();
    if (soon && ms > kSoonMs + 1) {
        const DWORD woke =
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(ms - kSoonMs), QS_ALLINPUT);
        if (woke != WAIT_TIMEOUT)
            return;  // messages first
        ms = ms_left();
    }
    if (ms <= 0)
        return;
    if (soon)
        soon();
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::ceil(ms)), QS_ALLINPUT);
}

std::string FramePacer::Describe() const {
    return Composing() ? "compositor"
                       : "refresh " + std::to_string(static_cast<int>(std::lround(1000.0 / periodMs_))) + " Hz";
}

}  // namespace orlscr
