#include "saver/music_thread_win.h"

#include <windows.h>
// mmsystem.h needs the types of windows.h.
#include <mmsystem.h>

#include <exception>
#include <string>
#include <thread>

#include "common/trace.h"
#include "common/win/window.h"
#include "saver/mci_device_win.h"

namespace orlscr {

namespace {

constexpr const char* kMusicWindowClass = "orlscrMusic";
// Posted to the music window when a request is waiting.
constexpr UINT kWakeMessage = WM_APP + 1;

// The media thread's window: turns its messages into calls of the worker.
class MusicWindow : public Window {
  public:
    explicit MusicWindow(MusicRequests& requests)
        : Window([](HWND, const std::string& message) { Trace("music error " + message); }), requests_(requests) {
        WNDCLASSEXA windowClass = {};
        windowClass.lpszClassName = kMusicWindowClass;
        RegisterWindowClass(windowClass);
        CreateHandle({.className = kMusicWindowClass,
                      .parent = HWND_MESSAGE,
                      .failureMessage = "Cannot create the music window"});
    }

    void Attach(MusicWorker& worker) { worker_ = &worker; }
    bool Done() const { return done_; }

  private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
            case kWakeMessage:
                if (worker_ && worker_->Serve(requests_))
                    done_ = true;
                return 0;
            case MM_MCINOTIFY:
                if (worker_)
                    worker_->Notify(wParam == MCI_NOTIFY_FAILURE);
                return 0;
            default:
                break;
        }
        return DefaultHandling(message, wParam, lParam);
    }

    MusicRequests& requests_;
    MusicWorker* worker_ = nullptr;
    bool done_ = false;
};

void RunMusicThread(std::shared_ptr<MusicRequests> requests) {
    try {
        MusicWindow window(*requests);
        MciSoundDevice device(window.Handle());
        MusicWorker worker(device);
        window.Attach(worker);
        HWND handle = window.Handle();
        requests->SetWake([handle] { ::PostMessageA(handle, kWakeMessage, 0, 0); });
        // Requests posted before the wake-up was set.
        ::PostMessageA(handle, kWakeMessage, 0, 0);
        MSG message;
        while (!window.Done() && ::GetMessageA(&message, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&message);
            ::DispatchMessageA(&message);
        }
        requests->SetWake(nullptr);
    } catch (const std::exception& error) {
        Trace(std::string("music thread failed ") + error.what());
    } catch (...) {
        Trace("music thread failed");
    }
    // Nothing is left to wait for, whether or not the music was finished.
    requests->SetFinished();
}

}  // namespace

MusicThread::MusicThread() : requests_(std::make_shared<MusicRequests>()) {
    std::thread(RunMusicThread, requests_).detach();
}

}  // namespace orlscr
