#include "builder/picture_import.h"

#include <cstring>

#include "common/text.h"
#include "picture/exif.h"

namespace orlscr::mkscr {

namespace {

bool StartsWith(std::string_view bytes, size_t at, std::string_view text) {
    return bytes.size() >= at + text.size() && bytes.substr(at, text.size()) == text;
}

// The brands of an ISO media file's "ftyp" box (HEIF, AVIF).
ImportFormat IsoMediaFormat(std::string_view head) {
    if (!StartsWith(head, 4, "ftyp") || head.size() < 16)
        return ImportFormat::kNone;
    const uint32_t boxSize = (uint32_t(uint8_t(head[0])) << 24) | (uint32_t(uint8_t(head[1])) << 16) |
                             (uint32_t(uint8_t(head[2])) << 8) | uint32_t(uint8_t(head[3]));
    const size_t end = std::min<size_t>(head.size(), boxSize < 16 ? 16 : boxSize);
    bool heif = false;
    for (size_t at = 8; at + 4 <= end; at += 4) {
        if (at == 12)
            continue;  // the minor version
        const std::string_view brand = head.substr(at, 4);
        if (brand == "avif" || brand == "avis")
            return ImportFormat::kAvif;
        if (brand == "heic" || brand == "heix" || brand == "heim" || brand == "heis" || brand == "hevc" ||
            brand == "hevx" || brand == "mif1" || brand == "msf1")
            heif = true;
        if (brand == "crx ")
            return ImportFormat::kCameraRaw;  // a newer camera's raw file
    }
    return heif ? ImportFormat::kHeic : ImportFormat::kNone;
}

bool IsCameraRawName(const std::string& fileName) {
    const size_t dot = fileName.rfind('.');
    if (dot == std::string::npos)
        return false;
    const std::string ext = LowerAscii(fileName.substr(dot + 1));
    for (const char* raw : {"cr2", "nef", "nrw", "arw", "srf", "sr2", "dng", "orf", "rw2", "pef", "raf",
                            "srw", "3fr", "erf", "kdc", "mrw", "x3f", "iiq", "rwl", "crw", "cr3"})
        if (ext == raw)
            return true;
    return false;
}

}  // namespace

ImportFormat RecogniseImportFormat(std::string_view head, const std::string& fileName) {
    if (StartsWith(head, 0, "RIFF") && StartsWith(head, 8, "WEBP"))
        return ImportFormat::kWebp;
    if (StartsWith(head, 0, std::string_view("\xFF\x0A", 2)) ||
        StartsWith(head, 0, std::string_view("\0\0\0\x0CJXL \x0D\x0A\x87\x0A", 12)))
        return ImportFormat::kJpegXl;
    if (const ImportFormat iso = IsoMediaFormat(head); iso != ImportFormat::kNone)
        return iso;
    // Raw files of some makers are TIFF inside, others have headers of their own.
    const bool tiff =
        StartsWith(head, 0, std::string_view("II*\0", 4)) || StartsWith(head, 0, std::string_view("MM\0*", 4));
    const bool rawHeader = StartsWith(head, 0, "IIRO") || StartsWith(head, 0, std::string_view("IIU\0", 4)) ||
                           StartsWith(head, 0, "FUJIFILMCCD-RAW");
    if (rawHeader || (tiff && IsCameraRawName(fileName)))
        return ImportFormat::kCameraRaw;
    if (tiff)
        return ImportFormat::kTiff;
    if (IsCameraRawName(fileName) && !head.empty())
        return ImportFormat::kCameraRaw;
    return ImportFormat::kNone;
}

bool IsAnimatedWebp(std::string_view head) {
    // The extended header comes first: its flags byte has bit 1 for an animation.
    return StartsWith(head, 0, "RIFF") && StartsWith(head, 8, "WEBPVP8X") && head.size() > 20 &&
           (static_cast<uint8_t>(head[20]) & 0x02) != 0;
}

const char* ImportFormatName(ImportFormat format) {
    switch (format) {
        case ImportFormat::kHeic:
            return "HEIC";
        case ImportFormat::kAvif:
            return "AVIF";
        case ImportFormat::kWebp:
            return "WebP";
        case ImportFormat::kTiff:
            return "TIFF";
        case ImportFormat::kJpegXl:
            return "JPEG XL";
        case ImportFormat::kCameraRaw:
            return "camera raw";
        case ImportFormat::kNone:
            break;
    }
    return "unknown";
}

std::string UnreadableFormatText(ImportFormat format) {
    const std::string name = ImportFormatName(format);
#ifdef _WIN32
    switch (format) {
        case ImportFormat::kHeic:
            return "a " + name +
                   " picture, which this Windows cannot open: install the HEIF Image Extensions (and the HEVC "
                   "Video Extensions) from the Microsoft Store, or build with mkscr on Linux (libheif)";
        case ImportFormat::kAvif:
            return "an AVIF picture, which this Windows cannot open: install the AV1 Video Extension from the "
                   "Microsoft Store, or build with mkscr on Linux (libavif)";
        case ImportFormat::kWebp:
            return "a WebP picture, which this Windows cannot open: install the Webp Image Extensions from the "
                   "Microsoft Store, or build with mkscr on Linux (libwebp)";
        case ImportFormat::kJpegXl:
            return "a JPEG XL picture, which this Windows cannot open: install the JPEG XL Image Extension from "
                   "the Microsoft Store, or build with mkscr on Linux (libjxl)";
        case ImportFormat::kCameraRaw:
            return "a camera raw picture, which this Windows cannot open: install the Raw Image Extension from "
                   "the Microsoft Store, or convert it to JPEG first";
        default:
            return "a " + name + " picture, which this Windows cannot open";
    }
#else
    if (format == ImportFormat::kCameraRaw)
        return "a camera raw picture, which mkscr on Linux does not read: convert it to JPEG first, or build with "
               "mkscr.exe on Windows with the Raw Image Extension";
    return "a " + name + " picture, which this mkscr was built without a reader for";
#endif
}

std::string_view ExifTiffBlock(std::string_view payload) {
    for (size_t at = 0; at + 4 <= payload.size() && at <= 16; ++at)
        if (StartsWith(payload, at, std::string_view("II*\0", 4)) ||
            StartsWith(payload, at, std::string_view("MM\0*", 4)))
            return payload.substr(at);
    return {};
}

std::optional<std::string> ExifPayloadDate(std::string_view payload) {
    const std::string_view block = ExifTiffBlock(payload);
    return ParseExifBlock(reinterpret_cast<const uint8_t*>(block.data()), block.size()).dateTaken;
}

int ExifPayloadOrientation(std::string_view payload) {
    const std::string_view block = ExifTiffBlock(payload);
    return ParseExifBlock(reinterpret_cast<const uint8_t*>(block.data()), block.size()).orientation;
}

void OrientImported(ImportedPicture& picture, int orientation) {
    if (orientation < 2 || orientation > 8)
        return;
    const int32_t w = picture.width, h = picture.height;
    const bool turns = orientation >= 5;
    ImportedPicture out = picture;
    out.width = turns ? h : w;
    out.height = turns ? w : h;
    const uint32_t* src = reinterpret_cast<const uint32_t*>(picture.rgba.data());
    uint32_t* dst = reinterpret_cast<uint32_t*>(out.rgba.data());
    for (int32_t y = 0; y < out.height; ++y)
        for (int32_t x = 0; x < out.width; ++x) {
            int32_t sx = x, sy = y;  // the stored pixel shown at (x, y), as Orient in picture/
            switch (orientation) {
                case 2:
                    sx = w - 1 - x;
                    break;
                case 3:
                    sx = w - 1 - x, sy = h - 1 - y;
                    break;
                case 4:
                    sy = h - 1 - y;
                    break;
                case 5:
                    sx = y, sy = x;
                    break;
                case 6:
                    sx = y, sy = h - 1 - x;
                    break;
                case 7:
                    sx = w - 1 - y, sy = h - 1 - x;
                    break;
                case 8:
                    sx = w - 1 - y, sy = x;
                    break;
            }
            dst[static_cast<size_t>(y) * out.width + x] = src[static_cast<size_t>(sy) * w + sx];
        }
    picture = std::move(out);
}

void FindAlpha(ImportedPicture& picture) {
    picture.hasAlpha = false;
    for (size_t i = 3; i < picture.rgba.size(); i += 4)
        if (picture.rgba[i] != 255) {
            picture.hasAlpha = true;
            return;
        }
}

}  // namespace orlscr::mkscr
