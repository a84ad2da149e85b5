#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "hook/hook_abi.h"
#include "hook/source/keyboard_watch.h"
#include "package/package_contract.h"

namespace orlscr {

// The hook library of the process: loaded once, shared by every keyboard
// watch, unloaded when the program ends.

// The system folder, a backslash and kHookLibraryModuleName; the loader adds
// ".dll".
std::string HookLibraryPath();

// Loads the library, from `folder` when one is given and it loads from there,
// else from the system folder, and looks up its exports (hook/hook_abi.h).
// When it cannot be loaded the user is told so, in a box owned by
// `errorOwner` (given the keyboard first) with the cursor shown, and false is
// returned.
bool LoadHookLibrary(const std::string& folder = std::string(), HWND errorOwner = nullptr);

// InstallHook(window, message), or -1 without that export.
int32_t CallInstallHook(HWND window, uint32_t message);
// UninstallHook(window), or 0 without that export.
int32_t CallUninstallHook(HWND window);

// The keyboard watch's platform side: a message-only window per watch and the
// library functions above.
class Win32NotifyPlatform : public NotifyPlatform {
  public:
    // Where LoadHookLibrary looks first; empty for the system folder only.
    void SetLibraryFolder(const std::string& folder) { libraryFolder_ = folder; }
    // The window that owns the box telling that the library is missing.
    void SetErrorOwner(HWND window) { errorOwner_ = window; }
    WindowHandle CreateNotifyWindow(TTarvelNotify& owner) override;
    void DestroyNotifyWindow(WindowHandle window) override;
    bool LoadHookLibrary() override;
    int32_t CallInstallHook(WindowHandle window, uint32_t message) override;
    int32_t CallUninstallHook(WindowHandle window) override;

  private:
    std::string libraryFolder_;
    HWND errorOwner_ = nullptr;
};

}  // namespace orlscr
