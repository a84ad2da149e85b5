// orlscr-studio.exe [FOLDER | PICTURE... | PROJECT]: the studio's window,
// opened with what the command line names.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <exception>
#include <string>
#include <vector>

#include "builder/system_text.h"
#include "common/win/unique.h"
#include "tools/studio/carried_programs_win.h"
#include "tools/studio/studio_window_win.h"

namespace {

std::vector<std::string> Arguments() {
    int count = 0;
    orlscr::UniqueLocal wide(reinterpret_cast<HLOCAL>(CommandLineToArgvW(GetCommandLineW(), &count)));
    std::vector<std::string> args;
    if (!wide)
        return args;
    auto* list = static_cast<LPWSTR*>(wide.get());
    for (int i = 1; i < count; ++i)
        args.push_back(orlscr::mkscr::Narrow(list[i]));
    return args;
}

// Keyboard shortcuts first, then the dialog keys (Tab, mnemonics) of the
// window's controls.
int RunLoop(HWND window, HACCEL accelerators) {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (IsWindow(window) &&
            (TranslateAcceleratorW(window, accelerators, &message) || IsDialogMessageW(window, &message)))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    try {
        INITCOMMONCONTROLSEX controls{sizeof controls,
                                      ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        orlscr::studio::CarriedPrograms programs;
        orlscr::studio::StudioWindow window(programs.Folder());
        window.OpenArguments(Arguments());
        return RunLoop(window.Handle(), window.Accelerators());
    } catch (const std::exception& e) {
        MessageBoxW(nullptr, orlscr::mkscr::Widen(e.what()).c_str(), L"orlscr Studio", MB_OK | MB_ICONERROR);
        return 1;
    }
}
