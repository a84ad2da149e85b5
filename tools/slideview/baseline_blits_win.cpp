#include "tools/slideview/baseline_blits_win.h"

#include <cstring>

#include "picture/picture_win.h"

namespace orlscr {

BaselineBlits::BaselineBlits() {
    char value[8];
    if (::GetEnvironmentVariableA("ORLSCR_BENCH_BASELINE", value, sizeof value) == 0)
        return;
    // The picture bench/blit_rate_win.cpp copies: the primary screen's size,
    // 24 bits, one grey.
    width_ = ::GetSystemMetrics(SM_CXSCREEN);
    height_ = ::GetSystemMetrics(SM_CYSCREEN);
    const BITMAPINFO info = TopDownBitmapInfo(width_, height_, 24);
    void* bits = nullptr;
    bitmap_.reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    dc_.reset(::CreateCompatibleDC(nullptr));
    if (!bitmap_ || !dc_ || !bits)
        return;
    std::memset(bits, 0x60, static_cast<size_t>((width_ * 3 + 3) & ~3) * height_);
    selected_.emplace(dc_.get(), bitmap_.get());
    enabled_ = true;
}

void BaselineBlits::Blit(HWND window) {
    if (!enabled_)
        return;
    const WindowDc window_dc(window);
    LARGE_INTEGER before, after;
    ::QueryPerformanceCounter(&before);
    ::BitBlt(window_dc.get(), 0, 0, width_, height_, dc_.get(), 0, 0, SRCCOPY);
    ::GdiFlush();
    ::QueryPerformanceCounter(&after);
    ticks_ += after.QuadPart - before.QuadPart;
    ++blits_;
}

std::string BaselineBlits::TakeTrace() {
    if (!enabled_)
        return {};
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    const std::string line = "slideview baseline " + std::to_string(blits_) + " blits " +
                             std::to_string(ticks_ * 1000000 / frequency.QuadPart) + " us";
    blits_ = ticks_ = 0;
    return line;
}

}  // namespace orlscr
