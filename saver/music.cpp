#include "saver/music.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "common/path.h"
#include "common/random.h"
#include "common/trace.h"
#include "package/settings_record.h"

namespace orlscr {

namespace {

// `SoundRandom` values; anything else plays the list in order.
constexpr int32_t kEveryTrackAtRandom = 2;
constexpr int32_t kOneTrackAtRandom = 3;

}  // namespace

Music::Music(const TSSFileLocations& settings,
             SoundDevice& device,
             std::string tempDir,
             LeadBytePredicate isLeadByte)
    : settings_(settings), device_(device), tempDir_(std::move(tempDir)), isLeadByte_(isLeadByte) {}

void Music::Start() {
    // The draw happens even when the music is muted, so the generator's later
    // draws do not depend on the music switch.
    if (settings_.SoundRandom == kOneTrackAtRandom)
        soundIndex_ = Random(settings_.SndCount());
    PlayNextSound();
}

void Music::PlayNextSound() {
    const int32_t count = settings_.SndCount();
    if (count == 0 || settings_.lMute || gaveUp_)
        return;
    if (soundIndex_ > count - 1 || soundIndex_ < 0)
        soundIndex_ = 0;
    if (settings_.SoundRandom == kEveryTrackAtRandom)
        soundIndex_ = Random(count);

    const std::string file = JoinPath(tempDir_, settings_.SndFileName(soundIndex_), isLeadByte_);
    deviceUsed_ = true;
    startedIndex_ = soundIndex_;
    try {
        device_.Open(file);
        device_.Play();
    } catch (const std::exception&) {
        // Comes back as a failure notice, which passes over to the next track.
        device_.PostFailure();
    }

    if (settings_.SoundRandom != kOneTrackAtRandom)
        ++soundIndex_;
}

void Music::mpSaverNotify(bool failed) {
    // A track that played to its end is not stopped: under Wine a stop at the
    // moment of completion now and then never returns. The next open closes it.
    if (deviceUsed_ && failed) {
        try {
            device_.Stop();
        } catch (const std::exception&) {
            // Only the next open matters.
        }
    }
    if (failed)
        TrackFailed();
    else
        failedInRow_.clear();
    PlayNextSound();
}

void Music::TrackFailed() {
    const int32_t count = settings_.SndCount();
    if (count <= 0 || startedIndex_ < 0 || startedIndex_ >= count)
        return;
    failedInRow_.resize(static_cast<size_t>(count), false);
    failedInRow_[static_cast<size_t>(startedIndex_)] = true;
    if (std::find(failedInRow_.begin(), failedInRow_.end(), false) == failedInRow_.end()) {
        gaveUp_ = true;
        Trace("sound given up");
        return;
    }
    // The one track of a random-once run is replaced by the next list entry
    // that has not failed yet; the other orders move on by themselves.
    if (settings_.SoundRandom == kOneTrackAtRandom) {
        int32_t next = startedIndex_;
        do
            next = (next + 1) % count;
        while (failedInRow_[static_cast<size_t>(next)]);
        soundIndex_ = next;
    }
}

void Music::Shutdown() {
    if (!deviceUsed_)
        return;
    try {
        device_.Stop();
    } catch (const std::exception&) {
    }
    try {
        device_.Close();
    } catch (const std::exception&) {
    }
}

}  // namespace orlscr
