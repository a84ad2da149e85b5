// The baseline of the slide viewer's frame rate: how many plain full-window
// copies of a screen-sized 24-bit picture the display takes per second.
//   blit_rate.exe [seconds]   prints "blits N seconds S per-second R WxH"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
    const int width = ::GetSystemMetrics(SM_CXSCREEN), height = ::GetSystemMetrics(SM_CYSCREEN);
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = ::DefWindowProcA;
    window_class.hInstance = ::GetModuleHandleA(nullptr);
    window_class.lpszClassName = "OrlBlitRate";
    ::RegisterClassA(&window_class);
    HWND window = ::CreateWindowExA(0, "OrlBlitRate", "Blit rate", WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr,
                                    nullptr, window_class.hInstance, nullptr);
    if (!window)
        return 1;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const int stride = (width * 3 + 3) & ~3;
    HDC window_dc = ::GetDC(window);
    HDC memory_dc = ::CreateCompatibleDC(window_dc);
    HGDIOBJ old = ::SelectObject(memory_dc, bitmap);

    std::memset(bits, 0x60, static_cast<size_t>(stride) * height);

    LARGE_INTEGER frequency, start, now;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    long blits = 0;
    double elapsed = 0;
    do {
        ::BitBlt(window_dc, 0, 0, width, height, memory_dc, 0, 0, SRCCOPY);
        ::GdiFlush();
        ++blits;
        MSG message;
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageA(&message);
        ::QueryPerformanceCounter(&now);
        elapsed = static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    } while (elapsed < seconds);
    std::printf("blits %ld seconds %.3f per-second %.1f %dx%d\n", blits, elapsed, blits / elapsed, width, height);

    ::SelectObject(memory_dc, old);
    ::DeleteDC(memory_dc);
    ::ReleaseDC(window, window_dc);
    ::DeleteObject(bitmap);
    ::DestroyWindow(window);
    return 0;
}
