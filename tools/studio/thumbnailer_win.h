#pragma once

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "raster/bitmap.h"
#include "tools/studio/studio_model.h"

namespace orlscr::studio {

// A picture checked and its thumbnail made, posted to the window with the
// result in lParam (the window takes ownership).
struct Thumbnail {
    StudioSlide checked;  // the picture's check (no options)
    Bitmap picture;       // empty when the picture is refused or could not be decoded
};

// Checks pictures and makes their thumbnails on a worker thread, one request
// after another, so the window never waits for a picture. A picture is checked
// as the builder checks it, then decoded upright by the picture module and
// scaled into a black frame of the thumbnail's size.
class Thumbnailer {
  public:
    Thumbnailer(HWND window, UINT message);
    ~Thumbnailer();  // drops the requests still waiting and ends the worker
    Thumbnailer(const Thumbnailer&) = delete;
    Thumbnailer& operator=(const Thumbnailer&) = delete;

    void Request(const std::string& path, int width, int height);
    // Drops the requests not started yet.
    void Clear();

  private:
    struct Job {
        std::string path;
        int width;
        int height;
    };
    void Run();

    HWND window_;
    UINT message_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> jobs_;
    bool ending_ = false;
    std::thread worker_;
};

}  // namespace orlscr::studio
