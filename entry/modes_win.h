#pragma once

#include <windows.h>

namespace orlscr {

// The three modes that WinMain hands over to once the start mode is decided and
// the single-instance semaphore is held. Each returns when its mode is over;
// errors they let escape end the process quietly.

// Run mode: the saver window as the main window, under the message loop.
void RunSaverMode();

// Settings mode: the settings dialog as the main window, under the message loop.
void RunSettingsMode();

// Preview mode: draws into the display settings' preview window until it is
// hidden.
void RunPreviewMode(HWND previewWindow);

}  // namespace orlscr
