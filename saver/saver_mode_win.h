#pragma once

#include <cstdint>

namespace orlscr {

// Run mode: the saver window as the main window, under the message loop, until
// the run ends. `startMode` is the start mode the entry chose; the saver only
// acts as the real screen saver for kRunMode.
void RunSaverMode(uint8_t startMode);

}  // namespace orlscr
