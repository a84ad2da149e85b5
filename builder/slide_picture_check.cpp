#include "builder/slide_picture_check.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "builder/folder.h"
#include "common/error.h"
#include "picture/decode.h"
#include "picture/exif.h"
#include "tools/slideview/slide_picture.h"

namespace orlscr::mkscr {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// The whole file, or a refusal.
std::vector<uint8_t> ReadPicture(const std::string& path, std::string& refusal) {
    std::unique_ptr<std::FILE, FileCloser> file(OpenForReading(path));
    if (!file) {
        refusal = std::string("cannot be read (") + std::strerror(errno) + ")";
        return {};
    }
    std::vector<uint8_t> bytes;
    uint8_t buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        if (static_cast<int64_t>(bytes.size() + got) > kMaxPictureFileBytes) {
            refusal = "larger than the " + std::to_string(kMaxPictureFileBytes >> 20) + " MB the viewer reads";
            return {};
        }
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    if (std::ferror(file.get()))
        refusal = std::string("cannot be read (") + std::strerror(errno) + ")";
    return bytes;
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
    check.refusal = TryDecodePictureFile(view, options).reason;
    if (check.refusal.empty())
        check.dateTaken = ExifDateTaken(view);
    return check;
}

}  // namespace orlscr::mkscr
