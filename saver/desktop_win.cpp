#include "saver/desktop_win.h"

#include "common/path.h"
#include "common/trace.h"
#include "common/win/paths.h"

namespace orlscr {

bool Win32DesktopSettings::OpenDesktopKey() {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    desktopKey_.reset(key);
    return true;
}

std::optional<uint32_t> Win32DesktopSettings::ReadDesktopInteger(const std::string& name) {
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (::RegQueryValueExA(desktopKey_.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return std::nullopt;
    return value;
}

void Win32DesktopSettings::SetScreenSaverRunning(bool running) {
    ::SystemParametersInfoA(SPI_SCREENSAVERRUNNING, running ? 1 : 0, nullptr, 0);
    Trace(running ? "screen saver running on" : "screen saver running off");
}

PasswordCheck Win32PasswordProvider::VerifyScreenSavePwd() {
    const std::string path = JoinPath(SysDir(), "PASSWORD.CPL", IsSystemLeadByte);
    UniqueModule library(::LoadLibraryA(path.c_str()));
    if (!library) {
        Trace("password library missing");
        return PasswordCheck::LibraryMissing;
    }
    using VerifyFn = BOOL(WINAPI*)(HWND);
    auto verify =
        reinterpret_cast<VerifyFn>(reinterpret_cast<void*>(::GetProcAddress(library.get(), "VerifyScreenSavePwd")));
    if (verify == nullptr) {
        Trace("password entry missing");
        return PasswordCheck::EntryMissing;
    }
    const BOOL result = verify(window_);
    Trace((result & 0xFF) != 0 ? "password accepted" : "password refused");
    return (result & 0xFF) != 0 ? PasswordCheck::Accepted : PasswordCheck::Refused;
}

}  // namespace orlscr
