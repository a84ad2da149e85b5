// Exercises the hook library (kHookLibraryFileName) as a receiver would: opens
// a full-screen window (so the input hooks see the display's input), makes two
// receiving windows with sixteen silent ones between them, and prints every
// notification of the two as one line on standard output: "RECEIVER
// MESSAGENUMBER message paramL paramH". Commands on standard input, one a
// line: "uninstall 1" ends the delivery to the first receiver, "quit" ends the
// program. Prints "ready" once both receivers are installed, "install-bad -1"
// for a non-window handle, and "ok COMMAND" after a command.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "hook/hook_abi.h"
#include "package/package_contract.h"

namespace {

using orlscr::kHookNotifyMessage;

HWND g_receivers[2];

LRESULT CALLBACK ReceiverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kHookNotifyMessage || message == kHookNotifyMessage + 1) {
        const auto* event = reinterpret_cast<const EVENTMSG*>(lParam);
        const int receiver = window == g_receivers[0] ? 1 : 2;
        std::printf("%d %u %u %d %d\n", receiver, message, event->message, static_cast<int>(event->paramL),
                    static_cast<int>(event->paramH));
        std::fflush(stdout);
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

DWORD WINAPI ReadCommands(void* mainThread) {
    char line[64];
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
        if (std::strncmp(line, "uninstall 1", 11) == 0)
            ::PostThreadMessageA(static_cast<DWORD>(reinterpret_cast<uintptr_t>(mainThread)), WM_APP, 1, 0);
        else if (std::strncmp(line, "quit", 4) == 0)
            break;
    }
    ::PostThreadMessageA(static_cast<DWORD>(reinterpret_cast<uintptr_t>(mainThread)), WM_QUIT, 0, 0);
    return 0;
}

}  // namespace

int main() {
    HMODULE library = ::LoadLibraryA(orlscr::kHookLibraryFileName);
    auto* install = reinterpret_cast<orlscr::InstallHookFn*>(
        reinterpret_cast<void*>(::GetProcAddress(library, orlscr::kInstallHookExport)));
    auto* uninstall = reinterpret_cast<orlscr::UninstallHookFn*>(
        reinterpret_cast<void*>(::GetProcAddress(library, orlscr::kUninstallHookExport)));
    if (install == nullptr || uninstall == nullptr) {
        std::printf("no library\n");
        return 1;
    }

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ReceiverProc;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "HookProbe";
    ::RegisterClassA(&windowClass);
    HWND screen =
        ::CreateWindowExA(0, "HookProbe", "Hook probe", WS_POPUP | WS_VISIBLE, 0, 0, ::GetSystemMetrics(SM_CXSCREEN),
                          ::GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, windowClass.hInstance, nullptr);
    for (HWND& receiver : g_receivers)
        receiver =
            ::CreateWindowExA(0, "HookProbe", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
    ::SetForegroundWindow(screen);

    std::printf("install-bad %d\n", install(reinterpret_cast<HWND>(0x1234), kHookNotifyMessage));
    const int first = install(g_receivers[0], kHookNotifyMessage);
    // More receivers between the two that print, so the second one is the
    // eighteenth the library holds: it must get every event all the same.
    for (int i = 0; i < 16; ++i) {
        HWND filler =
            ::CreateWindowExA(0, "HookProbe", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
        install(filler, kHookNotifyMessage + 2);
    }
    const int second = install(g_receivers[1], kHookNotifyMessage + 1);
    std::printf("ready %d %d\n", first, second);
    std::fflush(stdout);

    ::CreateThread(nullptr, 0, ReadCommands, reinterpret_cast<void*>(static_cast<uintptr_t>(::GetCurrentThreadId())), 0,
                   nullptr);
    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.hwnd == nullptr && message.message == WM_APP) {
            uninstall(g_receivers[0]);
            std::printf("ok uninstall 1\n");
            std::fflush(stdout);
            continue;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    uninstall(g_receivers[1]);
    return 0;
}
