// An installable MCI driver for the media tests: the test registers it for an
// extension of its own, and each track file's first line says how the device
// behaves:
//   play MS        plays for MS milliseconds, then notifies success
//   open-hang      the open never returns
//   play-hang      the play never returns
//   stop-hang MS   plays for MS milliseconds and notifies success; every stop
//                  after that never returns
//   play-fault     the play faults (an access violation)
// Every command is appended to the trace file named by ORLSCR_TRACE as
// "standin open|play|stop|close|notify MODE", a command that hangs as
// "standin MODE hangs", before it hangs.
#include <windows.h>
// mmsystem.h needs the types of windows.h.
#include <mmsystem.h>
#include <mmddk.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/c_file.h"
#include "common/trace.h"

namespace {

// The one open device (the player opens one at a time).
struct Device {
    std::string mode = "play";
    DWORD playMs = 300;
};
Device g_device;
// A play reported its end (in this process, whatever track came after).
std::atomic<bool> g_completed{false};

// Through the trace's own writer, which takes turns with the other processes'.
void TraceLine(const std::string& line) {
    orlscr::Trace("standin " + line);
}

[[noreturn]] void Hang() {
    TraceLine(g_device.mode + " hangs");
    for (;;)
        ::Sleep(INFINITE);
}

void ReadMode(const wchar_t* file) {
    g_device = Device();
    if (file == nullptr)
        return;
    if (const orlscr::UniqueCFile in{::_wfopen(file, L"rb")}) {
        char text[64] = {};
        std::fread(text, 1, sizeof text - 1, in.get());
        char mode[32] = {};
        unsigned ms = 0;
        const int fields = std::sscanf(text, "%31s %u", mode, &ms);
        if (fields >= 1)
            g_device.mode = mode;
        if (fields == 2)
            g_device.playMs = ms;
    }
}

struct Completion {
    HWND window;
    UINT deviceId;
    DWORD ms;
};

DWORD WINAPI CompleteLater(void* parameter) {
    const Completion completion = *static_cast<Completion*>(parameter);
    delete static_cast<Completion*>(parameter);
    ::Sleep(completion.ms);
    g_completed = true;
    TraceLine("notify " + g_device.mode);
    ::PostMessageW(completion.window, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, completion.deviceId);
    return 0;
}

LRESULT Play(UINT deviceId, DWORD_PTR flags, MCI_PLAY_PARMS* params) {
    TraceLine("play " + g_device.mode);
    if (g_device.mode == "play-hang")
        Hang();
    if (g_device.mode == "play-fault")
        *static_cast<volatile int*>(nullptr) = 1;
    if ((flags & MCI_NOTIFY) && params != nullptr) {
        auto* completion =
            new Completion{reinterpret_cast<HWND>(params->dwCallback), deviceId, g_device.playMs};
        HANDLE thread = ::CreateThread(nullptr, 0, CompleteLater, completion, 0, nullptr);
        if (thread == nullptr)
            delete completion;
        // The thread runs on by itself; its handle is not needed.
        static_cast<void>(thread);
    }
    return 0;
}

// The library stays loaded for the rest of the process, so the completion
// thread never runs in an unloaded library.
void PinSelf() {
    HMODULE self = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                         reinterpret_cast<LPCWSTR>(&PinSelf), &self);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
DriverProc(DWORD_PTR deviceId, HDRVR, UINT message, LPARAM param1, LPARAM param2) {
    switch (message) {
        case DRV_LOAD:
            PinSelf();
            return 1;
        case DRV_FREE:
        case DRV_ENABLE:
        case DRV_DISABLE:
        case DRV_CLOSE:
            return 1;
        case DRV_OPEN: {
            auto* open = reinterpret_cast<MCI_OPEN_DRIVER_PARMS*>(param2);
            if (open == nullptr)
                return 1;
            open->wCustomCommandTable = MCI_NO_COMMAND_TABLE;
            open->wType = MCI_DEVTYPE_WAVEFORM_AUDIO;
            return open->wDeviceID;
        }
        case MCI_OPEN_DRIVER: {
            auto* open = reinterpret_cast<MCI_OPEN_PARMSW*>(param2);
            ReadMode((param1 & MCI_OPEN_ELEMENT) && open != nullptr ? open->lpstrElementName : nullptr);
            TraceLine("open " + g_device.mode);
            if (g_device.mode == "open-hang")
                Hang();
            return 0;
        }
        case MCI_PLAY:
            return Play(static_cast<UINT>(deviceId), static_cast<DWORD_PTR>(param1),
                        reinterpret_cast<MCI_PLAY_PARMS*>(param2));
        case MCI_STOP:
            TraceLine("stop " + g_device.mode);
            if (g_device.mode == "stop-hang" && g_completed)
                Hang();
            return 0;
        case MCI_CLOSE_DRIVER:
            TraceLine("close " + g_device.mode);
            return 0;
        default:
            if (message >= DRV_MCI_FIRST && message <= DRV_MCI_LAST)
                return MCIERR_UNRECOGNIZED_COMMAND;
            return 0;
    }
}
