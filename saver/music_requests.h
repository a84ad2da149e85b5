#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "common/path.h"
#include "package/settings_record.h"
#include "saver/music.h"

namespace orlscr {

// One request of the player's main thread to the media thread.
struct MusicRequest {
    enum class Kind { Start, Finish };
    Kind kind = Kind::Start;
    // Start: the media thread's own copy of the run's record (the music reads
    // it at every track) and the folder the tracks were written to.
    TSSFileLocations settings;
    std::string tempDir;
    LeadBytePredicate isLeadByte = nullptr;  // of the code page tempDir is in
};

// The way from the player's main thread to the thread that plays the music:
// the main thread posts and returns at once; the media thread takes the
// requests and answers the finish request. The only wait of the main thread
// is Finish()'s, and it is bounded, so a media call that never returns holds
// the media thread alone.
//
// Holds: requests are taken in the order they were posted, each once; once a
// finish request was posted, later posts are dropped; Finished() is set once
// and never cleared.
class MusicRequests {
  public:
    // Main thread: hands the run's music over and starts it.
    void Start(const TSSFileLocations& settings, const std::string& tempDir, LeadBytePredicate isLeadByte);
    // Main thread: asks for the music to be stopped and its device closed and
    // waits at most `boundMs` for that; true when it was done in time.
    bool Finish(uint32_t boundMs);

    // Media thread: `wake` is called for every request posted from now on, on
    // the posting thread and outside the lock; it tells the media thread to
    // Take(). Requests posted before are found by the next Take().
    void SetWake(std::function<void()> wake);
    // Media thread: the requests posted since the last call, oldest first.
    std::deque<MusicRequest> Take();
    // Media thread: the finish request has been carried out, or the media
    // thread will take no request any more.
    void SetFinished();
    bool Finished();

  private:
    void Post(MusicRequest request);

    std::mutex mutex_;
    std::condition_variable finished_;
    std::deque<MusicRequest> queue_;
    std::function<void()> wake_;
    bool finishPosted_ = false;
    bool finishedFlag_ = false;
};

// The media thread's side: carries out the requests on the music and hands
// it the device's completion notices. Every call is made on the media thread.
class MusicWorker {
  public:
    explicit MusicWorker(SoundDevice& device);

    // Carries out the requests posted so far; true once the finish request
    // has been carried out and answered (then the thread may end).
    bool Serve(MusicRequests& requests);
    // The device's completion notice; `failed`: the track did not play.
    // Notices before the start or after the finish are ignored.
    void Notify(bool failed);

  private:
    SoundDevice& device_;
    TSSFileLocations settings_;
    std::unique_ptr<Music> music_;
    bool finished_ = false;
};

}  // namespace orlscr
