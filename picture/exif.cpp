#include "picture/exif.h"

#include <cstring>

#include "common/bounded_bytes.h"
#include "common/error.h"

namespace orlscr {

namespace {

constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kExifDirectoryTag = 0x8769;
constexpr uint16_t kDateTimeOriginalTag = 0x9003;
constexpr uint16_t kTypeAscii = 2;
constexpr uint16_t kTypeShort = 3;
constexpr uint16_t kTypeLong = 4;
constexpr size_t kEntrySize = 12;
// More entries than any camera writes: a directory claiming more is damaged.
constexpr uint16_t kMaxEntries = 512;

// Calls `visit(tag, entryOffset)` for each entry of the directory at `at`.
template <typename Visit>
void ForEachEntry(const BoundedBytes& tiff, size_t at, Visit visit) {
    const uint16_t count = tiff.U16(at);
    if (count > kMaxEntries)
        tiff.Fail();
    tiff.Need(at + 2, size_t{count} * kEntrySize);
    for (uint16_t k = 0; k < count; ++k) {
        const size_t entry = at + 2 + size_t{k} * kEntrySize;
        visit(tiff.U16(entry), entry);
    }
}

std::optional<std::string> AsciiValue(const BoundedBytes& tiff, size_t entry) {
    if (tiff.U16(entry + 2) != kTypeAscii)
        return std::nullopt;
    const uint32_t count = tiff.U32(entry + 4);
    const size_t at = count <= 4 ? entry + 8 : tiff.U32(entry + 8);
    std::string text(tiff.Text(at, count));
    text.resize(std::strlen(text.c_str()));
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    // Cameras without a clock write blanks or zeros.
    if (text.empty() || text.find_first_not_of("0: ") == std::string::npos)
        return std::nullopt;
    return text;
}

}  // namespace

ExifData ParseExifBlock(const uint8_t* data, size_t size) {
    ExifData exif;
    try {
        const BoundedBytes head(data, size, "EXIF");
        const std::string_view order = head.Text(0, 2);
        if (order != "II" && order != "MM")
            return exif;
        const BoundedBytes tiff(data, size, "EXIF", order == "MM");
        if (tiff.U16(2) != 42)
            return exif;
        size_t exifDirectory = 0;
        ForEachEntry(tiff, tiff.U32(4), [&](uint16_t tag, size_t entry) {
            if (tag == kOrientationTag && tiff.U16(entry + 2) == kTypeShort) {
                const uint16_t value = tiff.U16(entry + 8);
                if (value >= 1 && value <= 8)
                    exif.orientation = value;
            } else if (tag == kExifDirectoryTag && tiff.U16(entry + 2) == kTypeLong) {
                exifDirectory = tiff.U32(entry + 8);
            }
        });
        if (exifDirectory != 0)
            ForEachEntry(tiff, exifDirectory, [&](uint16_t tag, size_t entry) {
                if (tag == kDateTimeOriginalTag)
                    exif.dateTaken = AsciiValue(tiff, entry);
            });
    } catch (const Error&) {
        // What was read before the damage stands.
    }
    return exif;
}

std::string_view FindExifBlock(const uint8_t* data, size_t size) {
    try {
        const BoundedBytes in(data, size, "EXIF", true);
        if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) {
            // The segments before the first scan; APP1 "Exif\0\0" holds the block.
            size_t at = 2;
            while (in.U8(at) == 0xFF) {
                const uint8_t marker = in.U8(at + 1);
                if (marker == 0xFF) {
                    ++at;
                    continue;
                }
                if (marker == 0xDA || marker == 0xD9)
                    break;
                if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
                    at += 2;
                    continue;
                }
                const uint16_t length = in.U16(at + 2);
                if (length < 2)
                    break;
                if (marker == 0xE1 && length >= 8 && in.Text(at + 4, 6) == std::string_view("Exif\0\0", 6)) {
                    in.Need(at + 2, length);
                    return std::string_view(reinterpret_cast<const char*>(data + at + 10), length - 8u);
                }
                at += 2 + size_t{length};
            }
        } else if (size >= 8 && std::memcmp(data, "\x89PNG\r\n\x1A\n", 8) == 0) {
            for (size_t at = 8; in.Has(at, 12);) {
                const uint32_t length = in.U32(at);
                const std::string_view type = in.Text(at + 4, 4);
                if (type == "IEND")
                    break;
                if (type == "eXIf") {
                    in.Need(at + 8, length);
                    return std::string_view(reinterpret_cast<const char*>(data + at + 8), length);
                }
                at += 12 + size_t{length};
            }
        }
    } catch (const Error&) {
    }
    return {};
}

ExifData ReadExif(const uint8_t* data, size_t size) {
    const std::string_view block = FindExifBlock(data, size);
    return ParseExifBlock(reinterpret_cast<const uint8_t*>(block.data()), block.size());
}

}  // namespace orlscr
