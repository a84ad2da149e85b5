// The baseline of the slide viewer's frame rate: how many plain full-window
// copies of a screen-sized 24-bit picture the display takes per second.
//   blit_rate.exe [seconds]   prints "blits N seconds S per-second R WxH"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/win/unique.h"

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
    const int width = ::GetSystemMetrics(SM_CXSCREEN), height = ::GetSystemMetrics(SM_CYSCREEN);
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = ::DefWindowProcA;
    window_class.hInstance = ::GetModuleHandleA(nullptr);
    window_class.lpszClassName = "OrlBlitRate";
    ::RegisterClassA(&window_class);
    orlscr::UniqueWindow owned_window(::CreateWindowExA(0, "OrlBlitRate", "Blit rate", WS_POPUP | WS_VISIBLE, 0, 0,
                                                        width, height, nullptr, nullptr, window_class.hInstance,
                                                        nullptr));
    if (!owned_window)
        return 1;
    HWND window = owned_window.get();

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    orlscr::UniqueBitmap bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const int stride = (width * 3 + 3) & ~3;
    orlscr::WindowDc window_dc(window);
    orlscr::UniqueMemoryDc memory_dc(::CreateCompatibleDC(window_dc.get()));
    orlscr::SelectedObject selected(memory_dc.get(), bitmap.get());

    std::memset(bits, 0x60, static_cast<size_t>(stride) * height);

    LARGE_INTEGER frequency, start, now;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    long blits = 0;
    double elapsed = 0;
    do {
        ::BitBlt(window_dc.get(), 0, 0, width, height, memory_dc.get(), 0, 0, SRCCOPY);
        ::GdiFlush();
        ++blits;
        MSG message;
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageA(&message);
        ::QueryPerformanceCounter(&now);
        elapsed = static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    } while (elapsed < seconds);
    std::printf("blits %ld seconds %.3f per-second %.1f %dx%d\n", blits, elapsed, blits / elapsed, width, height);
    return 0;
}
