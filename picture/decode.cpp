#include "picture/decode.h"

#include <new>
#include <utility>

#include "common/error.h"
#include "picture/exif.h"

namespace orlscr {

Bitmap DecodePictureFile(const uint8_t* data, size_t size, const DecodeOptions& options) {
    const PictureInfo info = ExaminePicture(data, size);
    switch (info.format) {
        case PictureFormat::kJpeg:
        case PictureFormat::kPng: {
            const int orientation = ReadExif(data, size).orientation;
            DecodeOptions stored = options;
            if (orientation >= 5)  // the stored picture is turned a quarter
                std::swap(stored.targetWidth, stored.targetHeight);
            Bitmap bitmap = info.format == PictureFormat::kJpeg ? DecodeJpeg(data, size, stored)
                                                                : DecodePng(data, size, stored);
            if (orientation == 1)
                return bitmap;  // moved out, not copied
            return Orient(bitmap, orientation);
        }
        case PictureFormat::kBmp:
            return DecodeBmp(data, size, options);
        case PictureFormat::kGif:
            return DecodeGif(data, size, options);
        case PictureFormat::kIcon:
        case PictureFormat::kEnhancedMetafile:
        case PictureFormat::kPlaceableMetafile:
            throw Error(std::string(PictureFormatName(info.format)) + " pictures are not supported here");
        case PictureFormat::kUnknown:
            break;
    }
    throw Error(kNotAPicture);
}

DecodeOutcome TryDecodePictureFile(std::string_view bytes, const DecodeOptions& options) {
    DecodeOutcome outcome;
    DecodeOptions reporting = options;
    reporting.damage = &outcome.damage;
    try {
        outcome.bitmap = DecodePictureFile(bytes, reporting);
    } catch (const std::bad_alloc&) {
        outcome.reason = "not enough memory for the picture";
    } catch (const Error& error) {
        outcome.reason = error.what();
        outcome.damage.clear();
    }
    return outcome;
}

Bitmap DecodePicture(const uint8_t* data, size_t size) {
    if (IsJpeg(data, size))
        return DecodeJpeg(data, size);
    if (IsBmp(data, size))
        return DecodeBmp(data, size);
    throw Error("The file is not a JPEG or BMP picture");
}

}  // namespace orlscr
