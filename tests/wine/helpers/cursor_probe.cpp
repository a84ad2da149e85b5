// Prints the cursor as the system shows it now, for the input of the
// foreground window's thread: "cursor shown=1 handle=1 x=512 y=384 over=Slide show".
// shown is 0 when that thread hid the cursor (ShowCursor), handle 0 when it
// set no cursor shape (SetCursor(NULL)); over is the title of the top-level
// window under the cursor.

#include <windows.h>

#include <cstdio>

int main() {
    CURSORINFO info{};
    info.cbSize = sizeof(info);
    if (!::GetCursorInfo(&info)) {
        std::printf("GetCursorInfo failed %lu\n", ::GetLastError());
        return 1;
    }
    char title[256] = "";
    if (HWND window = ::WindowFromPoint(info.ptScreenPos))
        ::GetWindowTextA(::GetAncestor(window, GA_ROOT), title, sizeof(title));
    std::printf("cursor shown=%d handle=%d x=%ld y=%ld over=%s\n", (info.flags & CURSOR_SHOWING) ? 1 : 0,
                info.hCursor ? 1 : 0, info.ptScreenPos.x, info.ptScreenPos.y, title);
    return 0;
}
