#include "tools/mkscr/slide_picture_check.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "common/error.h"
#include "tools/slideview/slide_picture.h"
#include "transition/picture_decode.h"

namespace orlscr::mkscr {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// The whole file, or a refusal.
std::vector<uint8_t> ReadPicture(const std::string& path, std::string& refusal) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
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

}  // namespace

SlidePictureCheck CheckSlidePicture(const std::string& path) {
    SlidePictureCheck check;
    const std::vector<uint8_t> bytes = ReadPicture(path, check.refusal);
    if (!check.refusal.empty())
        return check;
    if (IsJpeg(bytes.data(), bytes.size()))
        check.extension = "jpg";
    else if (IsBmp(bytes.data(), bytes.size()))
        check.extension = "bmp";
    else {
        check.refusal = kNotAPicture;
        return check;
    }
    try {
        DecodePicture(bytes);
    } catch (const std::bad_alloc&) {
        check.refusal = "not enough memory for the picture";
    } catch (const std::exception& error) {
        check.refusal = error.what();
    }
    return check;
}

std::string SlidePictureFormats() {
    return "JPEG or BMP";
}

}  // namespace orlscr::mkscr
