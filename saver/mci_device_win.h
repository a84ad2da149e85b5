#pragma once

#include <windows.h>
// mmsystem.h needs the types of windows.h.
#include <mmsystem.h>

#include <string>

#include "saver/music.h"

namespace orlscr {

// A SoundDevice over the platform's media control interface. The device type
// comes from the file's extension; at most one device is open at a time. The
// end of every play is reported as MM_MCINOTIFY to the window given at
// construction (wParam: MCI_NOTIFY_SUCCESSFUL, _ABORTED, _SUPERSEDED or
// _FAILURE; lParam: the device id). The device is closed at destruction.
// Every command goes to the test trace as "sound open|play|stop|close FILE"
// (or "sound open-error|play-error CODE FILE", and "sound failure posted").
class MciSoundDevice : public SoundDevice {
  public:
    explicit MciSoundDevice(HWND notifyWindow);
    ~MciSoundDevice() override;
    MciSoundDevice(const MciSoundDevice&) = delete;
    MciSoundDevice& operator=(const MciSoundDevice&) = delete;

    // Closes a device that is still open, then opens the file and waits for
    // that to finish. Throws an Error with the platform's text on failure.
    void Open(const std::string& file) override;
    // Plays from the current position and returns at once; throws an Error
    // with the platform's text when the command is refused.
    void Play() override;
    // Stops and waits; a refused command is only recorded in LastError().
    void Stop() override;
    void Close() override;
    // Posts MM_MCINOTIFY with MCI_NOTIFY_FAILURE to the notify window.
    void PostFailure() override;

    MCIDEVICEID DeviceId() const { return deviceId_; }
    MCIERROR LastError() const { return lastError_; }

  private:
    HWND notifyWindow_;
    MCIDEVICEID deviceId_ = 0;  // 0: no device open
    std::string file_;          // of the open device
    MCIERROR lastError_ = 0;
};

}  // namespace orlscr
