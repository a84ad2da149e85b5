#include "builder/slide_picture_check.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "builder/folder.h"
#include "common/c_file.h"
#include "common/error.h"
#include "common/read_file.h"
#include "picture/decode.h"
#include "picture/exif.h"
#include "picture/load.h"

namespace orlscr::mkscr {

namespace {

// The whole file, at most what the viewer reads, or a refusal.
std::vector<uint8_t> ReadPicture(const std::string& path, std::string& refusal) {
    try {
        errno = 0;
        const UniqueCFile file(OpenForReading(path));
        if (!file)
            throw CannotOpenFileError(path, errno ? errno : ENOENT);
        return ReadFileBytes(file.get(), path, kMaxPictureFileBytes);
    } catch (const FileReadError& error) {
        refusal = error.Detail();  // the report names the file
        return {};
    }
}

// What the file's extension is when stored under a generated name.
const char* Extension(PictureFormat format) {
    switch (format) {
        case PictureFormat::kJpeg:
            return "jpg";
        case PictureFormat::kBmp:
            return "bmp";
        case PictureFormat::kPng:
            return "png";
        case PictureFormat::kGif:
            return "gif";
        default:
            return "";
    }
}

// The largest screen a slide is decoded for: a large JPEG is checked at the
// reduced scale the viewer decodes it at, which is also much quicker.
constexpr int32_t kLargestScreenWidth = 3840;
constexpr int32_t kLargestScreenHeight = 2160;

}  // namespace

SlidePictureCheck CheckSlidePicture(const std::string& path) {
    SlidePictureCheck check;
    const std::vector<uint8_t> bytes = ReadPicture(path, check.refusal);
    if (!check.refusal.empty())
        return check;
    const std::string_view view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    check.extension = Extension(RecognisePicture(view));
    DecodeOptions options;
    options.targetWidth = kLargestScreenWidth;
    options.targetHeight = kLargestScreenHeight;
    const DecodeOutcome outcome = TryDecodePictureFile(view, options);
    check.refusal = outcome.reason;
    check.damage = outcome.damage;
    if (check.refusal.empty())
        check.dateTaken = ExifDateTaken(view);
    return check;
}

}  // namespace orlscr::mkscr
