#pragma once

#include <string>
#include <string_view>

namespace orlscr::mkscr {

// The kind of sound file its first bytes show ("WAV", "MIDI" or "MP3"), or
// nullptr for anything else. The saver's media device is sure to play these.
const char* SoundKind(std::string_view head);

// A warning for a sound track whose first bytes are none of those kinds (empty
// when they are, or when the file cannot be read: the build reports that).
std::string SoundWarning(const std::string& path);

}  // namespace orlscr::mkscr
