#pragma once

#include <windows.h>

#include <string>

namespace orlscr {

// Preview mode: draws the preview picture of the package at `programPath` into
// the display settings' preview window and returns once that window is hidden
// (or gone). Returns the process exit code, 0.
int RunPreviewMode(HWND previewWindow, const std::string& programPath);

}  // namespace orlscr
