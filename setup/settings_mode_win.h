#pragma once

#include <string>

namespace orlscr {

// Settings mode: the settings dialog of the program at `programPath` as the
// main window, under the message loop, until it closes. The package's texts
// come from that file, the language and settings files lie beside it.
// Returns the process exit code, 0.
int RunSettingsMode(const std::string& programPath);

}  // namespace orlscr
