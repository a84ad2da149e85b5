// Stands in for a presentation viewer that outlives its termination: started
// as the viewer, it starts a second process of itself ("--child", the same
// arguments after it) that shows a full-screen window titled "Slide show",
// and then waits. Terminating the first process leaves the second running, as
// with a viewer that hands its show to a helper process.
#include <windows.h>

#include <cstring>
#include <string>

#include "common/win/unique.h"

namespace {

LRESULT CALLBACK ShowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcA(window, message, wParam, lParam);
}

int RunShow() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ShowProc;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "StubbornViewer";
    ::RegisterClassA(&windowClass);
    ::CreateWindowExA(0, "StubbornViewer", "Slide show", WS_POPUP | WS_VISIBLE, 0, 0, ::GetSystemMetrics(SM_CXSCREEN),
                      ::GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, windowClass.hInstance, nullptr);
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0)
        ::DispatchMessageA(&msg);
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int) {
    if (std::strncmp(arguments, "--child", 7) == 0)
        return RunShow();
    char program[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::string commandLine = std::string("\"") + program + "\" --child " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return 1;
    orlscr::UniqueHandle process(info.hProcess);
    orlscr::UniqueHandle thread(info.hThread);
    ::Sleep(INFINITE);
    return 0;
}
