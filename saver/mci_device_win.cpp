#include "saver/mci_device_win.h"

#include "common/error.h"
#include "common/trace.h"

namespace orlscr {

namespace {

constexpr const char* kWaveDriver = "mciwave.dll";

std::string MciErrorText(MCIERROR code) {
    char text[128] = {};
    if (!mciGetErrorStringA(code, text, sizeof text) || text[0] == '\0')
        return "MCI error " + std::to_string(code);
    return text;
}

// The media layer loads the wave driver library at every open and unloads it
// at every close. The driver plays on a thread of its own, which posts the
// completion notice and then still runs inside the library for a moment: a
// close right after the notice unloaded the library under that thread, which
// then faulted. Loaded once more here and pinned, the library stays for the
// whole run; the order of the media calls is unchanged.
void KeepWaveDriverLoaded() {
    static bool kept = false;
    if (kept)
        return;
    kept = true;
    if (!::LoadLibraryA(kWaveDriver)) {
        Trace(std::string("wave driver not loaded ") + kWaveDriver);
        return;
    }
    HMODULE pinned = nullptr;
    ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_PIN, kWaveDriver, &pinned);
    Trace(std::string("wave driver kept ") + kWaveDriver);
}

}  // namespace

MciSoundDevice::MciSoundDevice(HWND notifyWindow) : notifyWindow_(notifyWindow) {}

MciSoundDevice::~MciSoundDevice() {
    Close();
}

void MciSoundDevice::Open(const std::string& file) {
    Close();
    KeepWaveDriverLoaded();
    MCI_OPEN_PARMSA params = {};
    params.lpstrElementName = file.c_str();
    // No device type: the platform picks the device from the extension.
    MCIERROR error = mciSendCommandA(0, MCI_OPEN, MCI_OPEN_ELEMENT | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&params));
    lastError_ = error;
    if (error != 0) {
        Trace("sound open-error " + std::to_string(error) + " " + file);
        throw Error(MciErrorText(error));
    }
    deviceId_ = params.wDeviceID;
    file_ = file;
    Trace("sound open " + file);
}

void MciSoundDevice::Play() {
    if (deviceId_ == 0) {
        lastError_ = MCIERR_INVALID_DEVICE_ID;
        throw Error(MciErrorText(lastError_));
    }
    MCI_PLAY_PARMS params = {};
    params.dwCallback = reinterpret_cast<DWORD_PTR>(notifyWindow_);
    lastError_ = mciSendCommandA(deviceId_, MCI_PLAY, MCI_NOTIFY, reinterpret_cast<DWORD_PTR>(&params));
    if (lastError_ == 0) {
        Trace("sound play " + file_);
        return;
    }
    Trace("sound play-error " + std::to_string(lastError_) + " " + file_);
    // A refused play posts no notification of its own.
    throw Error(MciErrorText(lastError_));
}

void MciSoundDevice::Stop() {
    if (deviceId_ == 0) {
        lastError_ = MCIERR_INVALID_DEVICE_ID;
        return;
    }
    MCI_GENERIC_PARMS params = {};
    lastError_ = mciSendCommandA(deviceId_, MCI_STOP, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&params));
    Trace("sound stop " + file_);
}

void MciSoundDevice::Close() {
    if (deviceId_ == 0)
        return;
    MCI_GENERIC_PARMS params = {};
    lastError_ = mciSendCommandA(deviceId_, MCI_CLOSE, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&params));
    deviceId_ = 0;
    Trace("sound close " + file_);
    file_.clear();
}

void MciSoundDevice::PostFailure() {
    ::PostMessageA(notifyWindow_, MM_MCINOTIFY, MCI_NOTIFY_FAILURE, static_cast<LPARAM>(deviceId_));
    Trace("sound failure posted");
}

}  // namespace orlscr
