#pragma once

#include <windows.h>

#include <string>

namespace orlscr::studio {

// Installs the built saver for the user alone (no administrator rights):
// copies it into %LOCALAPPDATA%\Programs\orlscr\ and selects it in
// HKCU\Control Panel\Desktop (SCRNSAVE.EXE with its short path, as the system
// wants it, and ScreenSaveActive 1). A saver already selected is replaced only
// when the user agrees (asked with a box owned by `owner`). Returns the
// installed copy's path, or an empty text when the user said no. Throws Error.
std::string InstallSaver(HWND owner, const std::string& builtPath);

// Opens the system's screen-saver settings.
void OpenSaverSettings();

}  // namespace orlscr::studio
