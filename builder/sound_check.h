#pragma once

#include <string>
#include <string_view>

namespace orlscr::mkscr {

// The kind of sound file its first bytes show ("WAV", "MIDI" or "MP3"), or
// nullptr for anything else. The saver's media device is sure to play these.
const char* SoundKind(std::string_view head);

// A warning for a sound track whose first bytes are none of those kinds, or
// that is damaged as its kind goes: a WAV file whose chunks do not add up or
// whose format the wave device does not play, an MP3 file with no valid frame
// near its start, a MIDI file without a valid header. Empty for a sound that
// looks playable, or when the file cannot be read (the build reports that).
std::string SoundWarning(const std::string& path);

}  // namespace orlscr::mkscr
