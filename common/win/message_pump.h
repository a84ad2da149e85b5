#pragma once

#include <windows.h>

namespace orlscr {

// The message pumps of the player's thread. The quit rule is the same for
// both: a quit request (WM_QUIT) ends the pump that meets it and ends every
// loop around it. A pump that finds one stops dispatching at once, and
// ProcessPendingMessages posts it again, so that the loop it runs inside
// (RunMessageLoop, or a message box's own loop) meets it too.

// Dispatches the messages waiting for this thread and returns. True when it
// met a quit request (then posted again and left for the enclosing loop).
bool ProcessPendingMessages();

// The application's message loop: dispatches messages until a quit request
// and returns its exit code. With a `dialog` window, messages for it and its
// controls get the keyboard handling of a dialog first (Tab, Enter, Esc and
// the accelerator letters, IsDialogMessageA).
int RunMessageLoop(HWND dialog = nullptr);

}  // namespace orlscr
