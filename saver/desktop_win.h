#pragma once

#include <windows.h>

#include "common/win/unique.h"
#include "saver/saver_platform.h"

namespace orlscr {

// The user's "Control Panel\Desktop" key and SPI_SCREENSAVERRUNNING.
class Win32DesktopSettings : public DesktopSettings {
  public:
    bool OpenDesktopKey() override;
    std::optional<uint32_t> ReadDesktopInteger(const std::string& name) override;
    void CloseDesktopKey() override { desktopKey_.reset(); }
    void SetScreenSaverRunning(bool running) override;

  private:
    UniqueHkey desktopKey_;
};

// "PASSWORD.CPL" from the system folder; its dialog is owned by `window`.
class Win32PasswordProvider : public PasswordProvider {
  public:
    void Attach(HWND window) { window_ = window; }
    PasswordCheck VerifyScreenSavePwd() override;

  private:
    HWND window_ = nullptr;
};

}  // namespace orlscr
