#pragma once

#include <cstdint>

namespace orlscr {

// Run mode: the saver window as the main window, under the message loop, until
// the run ends. `startMode` is the start mode the entry chose; the saver only
// acts as the real screen saver for kRunMode. Returns the process exit code:
// 0, or -1 when the hook library could not be loaded. An error escaping the
// run after that failure is an ExitCodeError carrying the -1.
int RunSaverMode(uint8_t startMode);

}  // namespace orlscr
