#include "builder/sound_check.h"

#include <cstdio>

#include "builder/folder.h"
#include "common/c_file.h"

namespace orlscr::mkscr {

namespace {

bool IsRiff(std::string_view head, std::string_view form) {
    return head.size() >= 12 && head.substr(0, 4) == "RIFF" && head.substr(8, 4) == form;
}

// An MPEG audio frame header: the sync bits, then a version, layer, bit rate
// and sample rate that are not the reserved values.
bool IsMpegFrame(std::string_view head) {
    if (head.size() < 4)
        return false;
    const auto b1 = static_cast<unsigned char>(head[1]), b2 = static_cast<unsigned char>(head[2]);
    return static_cast<unsigned char>(head[0]) == 0xFF && (b1 & 0xE0) == 0xE0 && ((b1 >> 3) & 3) != 1 &&
           ((b1 >> 1) & 3) != 0 && (b2 >> 4) != 15 && ((b2 >> 2) & 3) != 3;
}

}  // namespace

const char* SoundKind(std::string_view head) {
    if (IsRiff(head, "WAVE"))
        return "WAV";
    if (head.substr(0, 4) == "MThd" || IsRiff(head, "RMID"))
        return "MIDI";
    // A tag of ID3 version 2 ("ID3", a version below 255) or a bare frame.
    if ((head.size() >= 4 && head.substr(0, 3) == "ID3" && static_cast<unsigned char>(head[3]) != 0xFF) ||
        IsMpegFrame(head))
        return "MP3";
    return nullptr;
}

std::string SoundWarning(const std::string& path) {
    const UniqueCFile file(OpenForReading(path));
    if (!file)
        return std::string();
    char buffer[12];
    const size_t got = std::fread(buffer, 1, sizeof buffer, file.get());
    if (SoundKind(std::string_view(buffer, got)))
        return std::string();
    return "'" + path + "' is not a WAV, MIDI or MP3 file; the saver may not be able to play it";
}

}  // namespace orlscr::mkscr
