// Stands in for the display settings in the preview tests: a borderless window
// at the top-left of the screen owning a 152 x 112 child at (10, 20), the
// window that the player draws into. The child's handle goes to stdout as
// "hwnd <decimal>" once both windows are shown and painted; commands on stdin
// ("hide", "show", "quit", one a line) act on the child and are answered with
// "ok <command>".
//
// Usage: preview_host [--hidden] [--draw-here]
//   --hidden     the child starts invisible
//   --draw-here  the host runs the player's preview drawing itself, on its own
//                child, with the package appended to this program's file. Wine
//                does not show what one process draws into another process's
//                window, so this is how a screenshot gets to see the picture.

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "common/win/paths.h"
#include "common/win/unique.h"
#include "entry/preview_mode_win.h"

namespace {

constexpr UINT kCommandMessage = WM_APP + 1;
constexpr int kChildX = 10;
constexpr int kChildY = 20;
constexpr int kChildWidth = 152;
constexpr int kChildHeight = 112;
// What the child shows before the player draws: a colour no test picture uses.
constexpr COLORREF kChildColour = RGB(0x40, 0x80, 0x40);
constexpr COLORREF kHostColour = RGB(0x20, 0x20, 0x60);

enum Command : WPARAM { kHide = 1, kShow, kQuit };

HWND host = nullptr;
HWND child = nullptr;

void Reply(const char* text) {
    std::printf("%s\n", text);
    std::fflush(stdout);
}

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kCommandMessage:
            if (wParam == kHide) {
                ::ShowWindow(child, SW_HIDE);
                Reply("ok hide");
            } else if (wParam == kShow) {
                ::ShowWindow(child, SW_SHOW);
                Reply("ok show");
            } else {
                Reply("ok quit");
                ::DefWindowProcA(window, WM_CLOSE, 0, 0);  // destroys the window
            }
            return 0;
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        default:
            return ::DefWindowProcA(window, message, wParam, lParam);
    }
}

// Reads the commands on a thread of its own so the window keeps answering.
DWORD WINAPI ReadCommands(void*) {
    char line[64];
    while (std::fgets(line, sizeof line, stdin)) {
        WPARAM command = 0;
        if (std::strncmp(line, "hide", 4) == 0)
            command = kHide;
        else if (std::strncmp(line, "show", 4) == 0)
            command = kShow;
        else if (std::strncmp(line, "quit", 4) == 0)
            command = kQuit;
        if (command != 0)
            ::PostMessageA(host, kCommandMessage, command, 0);
    }
    ::PostMessageA(host, kCommandMessage, kQuit, 0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    bool hidden = false;
    bool drawHere = false;
    for (int i = 1; i < argc; ++i) {
        hidden = hidden || std::strcmp(argv[i], "--hidden") == 0;
        drawHere = drawHere || std::strcmp(argv[i], "--draw-here") == 0;
    }
    HINSTANCE instance = ::GetModuleHandleA(nullptr);

    WNDCLASSA hostClass = {};
    hostClass.lpfnWndProc = HostProc;
    hostClass.hInstance = instance;
    hostClass.hbrBackground = ::CreateSolidBrush(kHostColour);
    hostClass.lpszClassName = "PreviewHost";
    WNDCLASSA childClass = {};
    childClass.lpfnWndProc = ::DefWindowProcA;
    childClass.hInstance = instance;
    childClass.hbrBackground = ::CreateSolidBrush(kChildColour);
    childClass.lpszClassName = "PreviewHostChild";
    if (!::RegisterClassA(&hostClass) || !::RegisterClassA(&childClass))
        return 1;

    host = ::CreateWindowExA(0, "PreviewHost", "preview host", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, instance,
                             nullptr);
    child = ::CreateWindowExA(0, "PreviewHostChild", "", WS_CHILD | (hidden ? 0 : WS_VISIBLE), kChildX, kChildY,
                              kChildWidth, kChildHeight, host, nullptr, instance, nullptr);
    if (!host || !child)
        return 1;
    ::ShowWindow(host, SW_SHOWNORMAL);
    ::UpdateWindow(host);
    ::UpdateWindow(child);
    ::GdiFlush();

    char text[64];
    std::snprintf(text, sizeof text, "hwnd %lld", static_cast<long long>(reinterpret_cast<INT_PTR>(child)));
    Reply(text);

    orlscr::UniqueHandle reader(::CreateThread(nullptr, 0, ReadCommands, nullptr, 0, nullptr));
    if (drawHere) {
        // Returns once the child is hidden; its message pump serves the host.
        try {
            orlscr::RunPreviewMode(child, orlscr::ProgramPath());
            Reply("preview ended");
        } catch (const std::exception& error) {
            std::string text = std::string("preview error ") + error.what();
            Reply(text.c_str());
        }
        // A "quit" during the drawing ended the host window already.
        if (!::IsWindow(host))
            return 0;
    }
    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    return 0;
}
