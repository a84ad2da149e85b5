#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orlscr::mkscr {

// Picture formats the slide viewer does not show, which the builder reads
// with the system's libraries (Linux: libheif, libwebp, libavif, libtiff,
// libjxl; Windows: the Windows Imaging Component) and stores converted.
enum class ImportFormat {
    kNone,
    kHeic,  // HEIF with HEVC pictures (phones), and other HEIF files
    kAvif,  // HEIF with AV1 pictures
    kWebp,
    kTiff,
    kJpegXl,
    kCameraRaw,  // a camera maker's raw file (TIFF-like or its own)
};

// The format the first bytes announce (and, for camera raw files whose
// bytes look like TIFF, the file name's extension); kNone for any other.
ImportFormat RecogniseImportFormat(std::string_view head, const std::string& fileName);

// Whether a WebP file's header marks it as an animation, whatever a reader
// makes of it (some give the first frame only).
bool IsAnimatedWebp(std::string_view head);

// "HEIC", "AVIF", "WebP", "TIFF", "JPEG XL", "camera raw".
const char* ImportFormatName(ImportFormat format);

// Why this build cannot read the format and what would, for the report:
// "mkscr cannot read camera raw pictures here; mkscr.exe on Windows reads
// them with the Raw Image Extension".
std::string UnreadableFormatText(ImportFormat format);

// A picture read by the system's libraries: upright (the file's own turn
// applied), 8 bits a channel, red, green, blue, alpha (straight), rows of
// width * 4 bytes, top down. Always holds rgba.size() == width * height * 4.
struct ImportedPicture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgba;
    bool hasAlpha = false;                 // some pixel is not fully opaque
    bool lossless = false;                 // the file keeps its pixels exactly (PNG suits it)
    int frames = 1;                        // of an animation (only the first is read)
    std::optional<std::string> dateTaken;  // "YYYY:MM:DD HH:MM:SS" from the file's EXIF data
};

// Reads the first picture of the file. Throws Error with a reason for the
// report: a damaged file ("The WebP picture is damaged: ..."), a format this
// build cannot read (UnreadableFormatText).
ImportedPicture ImportPicture(std::string_view bytes, ImportFormat format);

// An animation as ImportAnimation gives it: the canvas upright.
struct AnimationInfo {
    int32_t width = 0;
    int32_t height = 0;
    int32_t plays = 0;      // how often it plays, 0 for ever
    int32_t frames = 0;     // in the file
    bool hasAlpha = false;  // frames may have pixels not fully opaque
};

// Receives an animation's frames, each the whole canvas as it shows (blending
// and disposal done), upright, pixels as ImportedPicture's.
struct AnimationReceiver {
    std::function<void(const AnimationInfo&)> begin;
    // Shown for `durationMs`; false when no more frames are wanted.
    std::function<bool(const uint8_t* rgba, int32_t durationMs)> frame;
};

// Gives every frame of an animated picture to the receiver, in order: true,
// or false when this build does not give the format's frames (Linux: WebP,
// AVIF sequences, JPEG XL; Windows: WebP only), the receiver not called.
// Throws Error as ImportPicture, also for a frame that cannot be decoded.
bool ImportAnimation(std::string_view bytes, ImportFormat format, const AnimationReceiver& receiver);

// The size of the file's picture (an animation's canvas) as stored, read
// from its header without decoding the pixels; none when this build cannot
// tell it without decoding (Windows, but for an animated WebP) or the header
// cannot be read.
struct ImportedSize {
    int32_t width = 0;
    int32_t height = 0;
    bool animated = false;
};
std::optional<ImportedSize> ReadImportedSize(std::string_view bytes, ImportFormat format);

// Helpers shared by the system sides.

// The TIFF-structured block of an EXIF payload that may start with an offset
// or "Exif\0\0" (HEIF, WebP, AVIF, JPEG XL keep it so); empty when none.
std::string_view ExifTiffBlock(std::string_view payload);

// The date taken from an EXIF payload as above.
std::optional<std::string> ExifPayloadDate(std::string_view payload);

// The EXIF orientation (1..8) from such a payload; 1 without one.
int ExifPayloadOrientation(std::string_view payload);

// Turns the picture as the EXIF orientation says (see picture/exif.h).
void OrientImported(ImportedPicture& picture, int orientation);

// Sets hasAlpha from the pixels.
void FindAlpha(ImportedPicture& picture);

}  // namespace orlscr::mkscr
