#include "tools/studio/install_win.h"

#include <shellapi.h>

#include "builder/system_text.h"
#include "common/error.h"
#include "common/win/unique.h"
#include "common/win/win32_error.h"
#include "tools/studio/studio_model.h"

namespace orlscr::studio {

namespace {

constexpr const wchar_t* kDesktopKey = L"Control Panel\\Desktop";

std::wstring Environment(const wchar_t* name) {
    wchar_t buffer[32768];
    const DWORD n = GetEnvironmentVariableW(name, buffer, 32768);
    return n == 0 || n >= 32768 ? std::wstring() : std::wstring(buffer, n);
}

std::wstring CurrentSaver(HKEY key) {
    wchar_t value[1024];
    DWORD size = sizeof value - sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(key, L"SCRNSAVE.EXE", nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::wstring();
    value[size / sizeof(wchar_t)] = 0;
    return value;
}

void SetText(HKEY key, const wchar_t* name, const std::wstring& text) {
    const LSTATUS status = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    if (status != ERROR_SUCCESS)
        throw Win32Error("Cannot select the screen saver", static_cast<DWORD>(status));
}

std::wstring ShortPath(const std::wstring& path) {
    wchar_t buffer[MAX_PATH * 2];
    const DWORD n = GetShortPathNameW(path.c_str(), buffer, MAX_PATH * 2);
    return n == 0 || n >= MAX_PATH * 2 ? path : std::wstring(buffer, n);
}

}  // namespace

std::string InstallSaver(HWND owner, const std::string& builtPath) {
    std::wstring base = Environment(L"LOCALAPPDATA");
    if (base.empty())
        base = Environment(L"USERPROFILE") + L"\\AppData\\Local";
    const std::wstring folder = base + L"\\Programs\\orlscr";
    CreateDirectoryW((base + L"\\Programs").c_str(), nullptr);
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring target = folder + L"\\" + mkscr::Widen(FileNameOf(builtPath));
    const std::wstring selected = ShortPath(target);

    HKEY raw = nullptr;
    LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                                     nullptr, &raw, nullptr);
    if (status != ERROR_SUCCESS)
        throw Win32Error("Cannot open the user's desktop settings", static_cast<DWORD>(status));
    UniqueHkey key(raw);
    const std::wstring current = CurrentSaver(key.get());
    if (!current.empty() && lstrcmpiW(current.c_str(), selected.c_str()) != 0 &&
        lstrcmpiW(current.c_str(), target.c_str()) != 0) {
        const std::wstring question = L"The screen saver now selected is\n" + current + L"\n\nReplace it with " +
                                      mkscr::Widen(FileNameOf(builtPath)) + L"?";
        if (MessageBoxW(owner, question.c_str(), L"Install the screen saver", MB_YESNO | MB_ICONQUESTION) != IDYES)
            return std::string();
    }
    if (!CopyFileW(mkscr::Widen(builtPath).c_str(), target.c_str(), FALSE))
        throw Win32Error("Cannot copy the saver to '" + mkscr::Narrow(target) + "'");
    SetText(key.get(), L"SCRNSAVE.EXE", ShortPath(target));
    SetText(key.get(), L"ScreenSaveActive", L"1");
    // Tell running programs that the desktop settings changed.
    SystemParametersInfoW(SPI_SETSCREENSAVEACTIVE, TRUE, nullptr, SPIF_SENDCHANGE);
    return mkscr::Narrow(target);
}

void OpenSaverSettings() {
    ShellExecuteW(nullptr, L"open", L"control.exe", L"desk.cpl,,@screensaver", nullptr, SW_SHOWNORMAL);
}

}  // namespace orlscr::studio
