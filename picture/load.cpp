#include "picture/load.h"

#include <new>
#include <vector>

#include "common/error.h"
#include "common/path.h"
#include "common/read_file.h"
#include "picture/decode.h"
#include "raster/fit.h"

namespace orlscr {

namespace {

std::vector<uint8_t> ReadPictureFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    try {
        bytes = ReadFileBytes(path, kMaxPictureFileBytes);
    } catch (const FileReadError& error) {
        throw Error(error.Detail());  // the caller names the file
    }
    if (bytes.empty())
        throw Error("the file is empty");
    return bytes;
}

}  // namespace

Bitmap LoadSlidePicture(const std::string& path, int32_t frame_width, int32_t frame_height) {
    return ScaleIntoFrame(DecodeSlidePicture(path, frame_width, frame_height), frame_width, frame_height);
}

Bitmap DecodeSlidePicture(const std::string& path, int32_t target_width, int32_t target_height) {
    const std::string name = FileNameOf(path, NoLeadBytes);
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
