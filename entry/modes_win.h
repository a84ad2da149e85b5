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

// Dispatches the messages that are waiting for this thread and returns; a
// quit request among them is dropped. Used where the player has no message
// loop of its own: once at start-up, and by the preview's waits.
void ProcessPendingMessages();

}  // namespace orlscr
