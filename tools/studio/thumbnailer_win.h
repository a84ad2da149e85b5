#pragma once

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "raster/bitmap.h"

namespace orlscr::studio {

// A finished thumbnail, posted to the window as kThumbnailMessage with the
// result in lParam (the window takes ownership).
struct Thumbnail {
    std::string path;
    Bitmap picture;  // empty when the picture could not be decoded
};

// Decodes thumbnails on a worker thread, one request after another, so the
// window never waits for a picture. Each is decoded upright by the picture
// module, scaled into a black frame of the thumbnail's size.
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
