#include "builder/sound_check.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iterator>

#include "builder/folder.h"
#include "common/c_file.h"

namespace orlscr::mkscr {

namespace {

constexpr size_t kSoundHeadBytes = 64 * 1024;

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

uint32_t Little32(std::string_view b, size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

uint16_t Little16(std::string_view b, size_t at) {
    return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8);
}

// The chunks of a RIFF WAVE file, within `bytes` (the head of a file of
// `fileSize` bytes): each must lie inside the file, and a format the wave
// device plays must come before the data.
std::string WavFault(std::string_view bytes, int64_t fileSize) {
    const int64_t riffEnd = int64_t{Little32(bytes, 4)} + 8;
    if (riffEnd > fileSize)
        return "its RIFF header says " + std::to_string(riffEnd) + " bytes, the file holds " + std::to_string(fileSize);
    bool format = false;
    for (int64_t at = 12; at < riffEnd;) {
        if (at + 8 > riffEnd)
            return "a chunk header is cut short";
        if (at + 8 > static_cast<int64_t>(bytes.size()))
            return format ? std::string() : "no format chunk near the start";
        const std::string_view id = bytes.substr(static_cast<size_t>(at), 4);
        const int64_t size = Little32(bytes, static_cast<size_t>(at) + 4);
        if (at + 8 + size > riffEnd)
            return "the '" + std::string(id) + "' chunk runs past the end of the file";
        if (id == "fmt ") {
            if (size < 16 || at + 24 > static_cast<int64_t>(bytes.size()))
                return "the format chunk is too short";
            const size_t f = static_cast<size_t>(at) + 8;
            const unsigned tag = Little16(bytes, f), channels = Little16(bytes, f + 2);
            const unsigned align = Little16(bytes, f + 12), bits = Little16(bytes, f + 14);
            // PCM, ADPCM, float, A-law, mu-law, IMA ADPCM, GSM, MPEG layer 3, extensible.
            const unsigned playable[] = {1, 2, 3, 6, 7, 0x11, 0x31, 0x55, 0xFFFE};
            if (std::find(std::begin(playable), std::end(playable), tag) == std::end(playable))
                return "format " + std::to_string(tag) + " is not one the wave device plays";
            if (channels == 0 || Little32(bytes, f + 4) == 0 || align == 0 || (tag == 1 && bits % 8 != 0) ||
                (tag == 1 && (bits == 0 || bits > 32)))
                return "its format chunk describes no playable sound";
            format = true;
        } else if (id == "data") {
            return format ? std::string() : "the data comes before any format chunk";
        }
        at += 8 + size + (size & 1);
    }
    return format ? "no data chunk" : "no format chunk";
}

// A standard MIDI file's header chunk (also inside an RMID file).
std::string MidiFault(std::string_view bytes) {
    const size_t at = bytes.substr(0, 4) == "MThd" ? 0 : bytes.find("MThd");
    if (at == std::string_view::npos || at + 14 > bytes.size())
        return "no complete header chunk";
    const std::string_view h = bytes.substr(at);
    auto big = [&](size_t i, int n) {
        uint32_t v = 0;
        for (int k = 0; k < n; ++k)
            v = v << 8 | static_cast<unsigned char>(h[i + static_cast<size_t>(k)]);
        return v;
    };
    if (big(4, 4) < 6 || big(8, 2) > 2 || big(10, 2) == 0 || big(12, 2) == 0)
        return "its header chunk is not valid";
    if (h.find("MTrk", 8 + big(4, 4)) == std::string_view::npos)
        return "no track chunk";
    return std::string();
}

// An MP3 file's first frame: after a tag of ID3 version 2, a frame header
// that a second one follows where its length says (or the file ends). `whole`:
// the bytes are the whole file.
std::string Mp3Fault(std::string_view bytes, bool whole) {
    size_t at = 0;
    if (bytes.substr(0, 3) == "ID3" && bytes.size() >= 10) {
        at = 10;
        for (size_t i = 6; i < 10; ++i)
            at += static_cast<size_t>(static_cast<unsigned char>(bytes[i]) & 0x7F) << (7 * (9 - i));
    }
    if (at >= bytes.size())
        return std::string();  // a tag larger than the head: not looked into
    static const int kBitRates[2][3][16] = {{{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
                                             {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
                                             {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
                                            {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
                                             {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
                                             {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
    static const int kSampleRates[3] = {44100, 48000, 32000};
    auto frameLength = [&](size_t i) -> size_t {
        if (!IsMpegFrame(bytes.substr(i)))
            return 0;
        const auto b1 = static_cast<unsigned char>(bytes[i + 1]), b2 = static_cast<unsigned char>(bytes[i + 2]);
        const int version = (b1 >> 3) & 3;      // 3: MPEG 1, 2: MPEG 2, 0: MPEG 2.5
        const int layer = 3 - ((b1 >> 1) & 3);  // 0: layer I
        const int rate = kBitRates[version == 3 ? 0 : 1][layer][b2 >> 4];
        const int sampleRate = kSampleRates[(b2 >> 2) & 3] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
        if (rate == 0)
            return 0;  // free format: not for the media device
        const int padding = (b2 >> 1) & 1;
        if (layer == 0)
            return static_cast<size_t>((12 * rate * 1000 / sampleRate + padding) * 4);
        const int perFrame = layer == 2 && version != 3 ? 72 : 144;
        return static_cast<size_t>(perFrame * rate * 1000 / sampleRate + padding);
    };
    // Some writers leave a few bytes before the first frame.
    for (size_t i = at; i + 4 <= bytes.size() && i < at + 4096; ++i) {
        const size_t length = frameLength(i);
        if (length == 0)
            continue;
        if (i + length > bytes.size() && whole)
            continue;  // a frame cut short
        if (i + length + 4 > bytes.size() || frameLength(i + length) != 0)
            return std::string();
    }
    return "no valid MPEG audio frame";
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

std::string SoundFault(std::string_view kind, std::string_view bytes, int64_t fileSize) {
    if (kind == "WAV")
        return WavFault(bytes, fileSize);
    if (kind == "MIDI")
        return MidiFault(bytes);
    return Mp3Fault(bytes, fileSize == static_cast<int64_t>(bytes.size()));
}

std::string SoundWarning(const std::string& path) {
    const UniqueCFile file(OpenForReading(path));
    if (!file)
        return std::string();
    // The head is enough for the chunks of a WAV file, the header of a MIDI
    // file and the first frames of an MP3 file after a tag of a usual size.
    std::string head(kSoundHeadBytes, '\0');
    head.resize(std::fread(head.data(), 1, head.size(), file.get()));
    const char* kind = SoundKind(head);
    if (!kind)
        return "'" + path + "' is not a WAV, MIDI or MP3 file; the saver may not be able to play it";
    int64_t size = static_cast<int64_t>(head.size());
    if (head.size() == kSoundHeadBytes && std::fseek(file.get(), 0, SEEK_END) == 0)
        size = static_cast<int64_t>(std::ftell(file.get()));
    const std::string fault = SoundFault(kind, head, size);
    if (fault.empty())
        return std::string();
    return "'" + path + "' is a damaged " + kind + " file (" + fault + "); the saver may not be able to play it";
}

}  // namespace orlscr::mkscr
