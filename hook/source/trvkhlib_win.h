#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "hook/source/keyboard_watch.h"

namespace orlscr {

// The hook library of the process: loaded once, shared by every keyboard
// watch, unloaded when the program ends.

// The system folder, a backslash and "orlscrhook"; the loader adds ".dll".
std::string HookLibraryPath();

// Loads the library and looks up "InstallHook" and "UninstallHook". When it
// cannot be loaded the user is told so and the process exit code becomes -1.
void LoadHookLibrary();

// "InstallHook"(window, message), or -1 without that entry.
int32_t CallInstallHook(HWND window, uint32_t message);
// "UninstallHook"(window), or 0 without that entry.
int32_t CallUninstallHook(HWND window);

// The keyboard watch's platform side: a message-only window per watch and the
// library functions above.
class Win32NotifyPlatform : public NotifyPlatform {
  public:
    WindowHandle CreateNotifyWindow(TTarvelNotify& owner) override;
    void DestroyNotifyWindow(WindowHandle window) override;
    void LoadHookLibrary() override;
    int32_t CallInstallHook(WindowHandle window, uint32_t message) override;
    int32_t CallUninstallHook(WindowHandle window) override;
};

}  // namespace orlscr
