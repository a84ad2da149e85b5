#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/path.h"

namespace orlscr {

class TSSFileLocations;

// The media device that plays one sound file at a time. Open() replaces any
// device that is still open and throws an Error carrying the platform's text
// when the file cannot be opened. Play() returns at once and reports the end
// of the track (or its failure) later through the owner's completion event;
// Play() throws when the command is refused at once, Stop() may throw as well.
// Close() releases the open device, if any. PostFailure() reports a failure
// through the completion event later, exactly as a play that failed would be
// reported; it never throws.
class SoundDevice {
  public:
    virtual ~SoundDevice() = default;
    virtual void Open(const std::string& file) = 0;
    virtual void Play() = 0;
    virtual void Stop() = 0;
    virtual void Close() = 0;
    virtual void PostFailure() = 0;
};

// The saver's background music: plays the sound tracks that the start-up wrote
// to the temporary folder one after another, in the order `SoundRandom` asks
// for, until the run ends. The device reports the end of each track and the
// owner forwards it to mpSaverNotify(), which starts the next one.
//
// SoundIndex() is always the index of the track the next start will play; it
// may be past the end of the list, and then the list starts over.
//
// A track that cannot be opened or played is passed over: its failure comes
// back through the completion event (posted by the device when the open or the
// play is refused at once), and the next track of the order follows from
// there, so a run of bad tracks never recurses or blocks the start-up. Once
// every track has failed since the last one that played to its end, the music
// stops for the rest of the run.
//
// The settings are read at every start, so a mute override stored into the
// record's `lMute` before Start() takes effect. No device call is made when the
// package has no tracks or the music is muted.
class Music {
  public:
    // `isLeadByte`: the lead bytes of the code page `tempDir` is in.
    Music(const TSSFileLocations& settings, SoundDevice& device, std::string tempDir, LeadBytePredicate isLeadByte);

    // Starts the music once, at the start of the run.
    void Start();
    // Opens and plays the track SoundIndex() selects, then moves on. Errors of
    // the device are swallowed and reported back through PostFailure().
    void PlayNextSound();
    // The device's completion event: the next track. `failed` says that the
    // track did not play (the platform's failure notice); only such a track is
    // stopped first.
    void mpSaverNotify(bool failed = false);
    // Stops and closes the device so that the track files can be deleted; does
    // nothing when no track was ever opened.
    void Shutdown();

    int32_t SoundIndex() const { return soundIndex_; }
    // Every track failed in a row: nothing more is played in this run.
    bool GaveUp() const { return gaveUp_; }

  private:
    void TrackFailed();

    const TSSFileLocations& settings_;
    SoundDevice& device_;
    std::string tempDir_;
    LeadBytePredicate isLeadByte_;
    int32_t soundIndex_ = 0;
    bool deviceUsed_ = false;   // a track was opened at least once
    int32_t startedIndex_ = 0;  // the track of the latest start
    // Per track: it failed since the last track that played to its end.
    std::vector<bool> failedInRow_;
    bool gaveUp_ = false;
};

}  // namespace orlscr
