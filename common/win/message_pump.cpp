#include "common/win/message_pump.h"

namespace orlscr {

bool ProcessPendingMessages() {
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(message.wParam));
            return true;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    return false;
}

int RunMessageLoop(HWND dialog) {
    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (dialog && ::IsWindow(dialog) && ::IsDialogMessageA(dialog, &message))
            continue;
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    return message.message == WM_QUIT ? static_cast<int>(message.wParam) : 0;
}

}  // namespace orlscr
