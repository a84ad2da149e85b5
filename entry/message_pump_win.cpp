#include <windows.h>

#include "entry/modes_win.h"

namespace orlscr {

void ProcessPendingMessages() {
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT)
            continue;
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
}

}  // namespace orlscr
