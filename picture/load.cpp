#include "picture/load.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "picture/decode.h"
#include "raster/fit.h"

namespace orlscr {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

std::vector<uint8_t> ReadPictureFile(const std::string& path) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        throw Error(std::string("the file cannot be opened (") + std::strerror(errno) + ")");
    std::vector<uint8_t> bytes;
    constexpr size_t kChunk = size_t{1} << 20;
    for (;;) {
        size_t at = bytes.size();
        bytes.resize(at + kChunk);
        size_t got = std::fread(bytes.data() + at, 1, kChunk, file.get());
        bytes.resize(at + got);
        if (static_cast<int64_t>(bytes.size()) > kMaxPictureFileBytes)
            throw Error("the file is larger than " + std::to_string(kMaxPictureFileBytes >> 20) + " MB");
        if (got < kChunk)
            break;
    }
    if (std::ferror(file.get()))
        throw Error(std::string("the file cannot be read (") + std::strerror(errno) + ")");
    if (bytes.empty())
        throw Error("the file is empty");
    return bytes;
}

std::string_view FileNameOf(std::string_view path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

Bitmap LoadSlidePicture(const std::string& path, int32_t frame_width, int32_t frame_height) {
    return ScaleIntoFrame(DecodeSlidePicture(path, frame_width, frame_height), frame_width, frame_height);
}

Bitmap DecodeSlidePicture(const std::string& path, int32_t target_width, int32_t target_height) {
    const std::string name(FileNameOf(path));
    try {
        const std::vector<uint8_t> bytes = ReadPictureFile(path);
        DecodeOptions options;
        options.targetWidth = target_width;
        options.targetHeight = target_height;
        return DecodePictureFile(bytes.data(), bytes.size(), options);
    } catch (const std::bad_alloc&) {
        throw Error(name + ": not enough memory for the picture");
    } catch (const std::exception& error) {
        throw Error(name + ": " + error.what());
    }
}

}  // namespace orlscr
