// Fuzz target: recognising and checking picture files, reading their EXIF
// block and the container of animated WebP files. Any input must either
// describe a picture whose offsets lie inside the bytes, or fail with an
// Error; nothing is read outside the input.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "builder/webp_container.h"
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
    try {
        const std::string_view bytes(reinterpret_cast<const char*>(data), size);
        if (const auto animation = mkscr::ReadWebpContainer(bytes)) {
            mkscr::WebpFrameReader reader(bytes);
            mkscr::WebpFrame frame;
            int32_t frames = 0;
            for (; reader.Next(frame); ++frames)
                if (frame.x + frame.width > animation->width || frame.y + frame.height > animation->height ||
                    mkscr::StillWebp(frame).size() < frame.image.size())
                    std::abort();
            if (frames != animation->frames)
                std::abort();
        }
    } catch (const Error&) {
    }
    return 0;
}
