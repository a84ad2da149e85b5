// Fuzz target: recognising and checking picture files, and reading their EXIF
// block. Any input must either describe a picture whose offsets lie inside
// the bytes, or fail with an Error; nothing is read outside the input.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "common/error.h"
#include "picture/exif.h"
#include "picture/picture_info.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orlscr;
    try {
        const PictureInfo info = ExaminePicture(data, size);
        if (info.offset > size || info.size > size - info.offset)
            std::abort();
        if (info.format != PictureFormat::kGif)
            CheckPictureSize(info.width, info.height);
    } catch (const Error&) {
    }
    const ExifData exif = ReadExif(data, size);
    if (exif.orientation < 1 || exif.orientation > 8)
        std::abort();
    ParseExifBlock(data, size);
    return 0;
}
