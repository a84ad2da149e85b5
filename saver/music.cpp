#include "saver/music.h"

#include <exception>
#include <utility>

#include "common/path.h"
#include "common/random.h"
#include "package/settings_record.h"

namespace orlscr {

namespace {

// `SoundRandom` values; anything else plays the list in order.
constexpr int32_t kEveryTrackAtRandom = 2;
constexpr int32_t kOneTrackAtRandom = 3;

}  // namespace

Music::Music(const TSSFileLocations& settings, SoundDevice& device, std::string tempDir)
    : settings_(settings), device_(device), tempDir_(std::move(tempDir)) {}

void Music::Start() {
    // The draw happens even when the music is muted, so the generator's later
    // draws do not depend on the music switch.
    if (settings_.SoundRandom == kOneTrackAtRandom)
        soundIndex_ = Random(settings_.SndCount());
    PlayNextSound();
}

void Music::PlayNextSound() {
    const int32_t count = settings_.SndCount();
    if (count == 0 || settings_.lMute)
        return;
    if (soundIndex_ > count - 1 || soundIndex_ < 0)
        soundIndex_ = 0;
    if (settings_.SoundRandom == kEveryTrackAtRandom)
        soundIndex_ = Random(count);

    const std::string file = JoinPath(tempDir_, settings_.SndFileName(soundIndex_));
    deviceUsed_ = true;
    try {
        device_.Open(file);
        device_.Play();
    } catch (const std::exception&) {
        // A track that cannot be opened or played leaves the music silent; the
        // run itself goes on.
    }

    if (settings_.SoundRandom != kOneTrackAtRandom)
        ++soundIndex_;
}

void Music::mpSaverNotify() {
    if (deviceUsed_) {
        try {
            device_.Stop();
        } catch (const std::exception&) {
            // Only the next open matters.
        }
    }
    PlayNextSound();
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
