#pragma once

#include <memory>

#include "saver/music_requests.h"

namespace orlscr {

// The thread that plays the run's music: its own message-only window, which
// receives the media device's completion notices (MM_MCINOTIFY) and the
// wake-up for requests, and its own message loop. Every media call of the run
// is made on it, so one that never returns holds this thread alone.
//
// Construction starts the thread and returns at once. Destruction does not
// wait for it: a thread still inside a media call is left to the end of the
// process; the state it uses is shared, so it outlives this object.
class MusicThread {
  public:
    MusicThread();
    ~MusicThread() = default;
    MusicThread(const MusicThread&) = delete;
    MusicThread& operator=(const MusicThread&) = delete;

    MusicRequests& Requests() { return *requests_; }

  private:
    std::shared_ptr<MusicRequests> requests_;
};

}  // namespace orlscr
