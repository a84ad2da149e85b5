#include "entry/preview.h"

#include <cstdlib>

#include "common/error.h"
#include "package/stream_reader.h"
#include "package/trailer.h"

namespace orlscr {

namespace {

uint16_t Get16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr size_t kPlaceableHeaderSize = 22;
constexpr uint32_t kEmrHeader = 1;
constexpr uint32_t kEnhMetaSignature = 0x464D4520;  // " EMF"
constexpr size_t kEnhMetaHeaderMinSize = 88;

}  // namespace

std::optional<PictureBytes> ReadPreviewImage(InputFile& file) {
    const std::optional<int32_t> fieldA = ReadTrailerFieldA(file);
    if (!fieldA)
        return std::nullopt;
    ByteReader in(file, PreviewStreamOffset(file.Size(), *fieldA));
    ComponentReader reader(in, DefaultClassTable());
    std::unique_ptr<StreamObject> object = reader.ReadRootComponent(nullptr);
    const auto* image = dynamic_cast<const TImage*>(object.get());
    if (image == nullptr)
        return std::nullopt;
    return ParsePictureData(image->PictureData);
}

PreviewSize PreviewSizeOf(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    return PreviewSize{static_cast<int32_t>(int64_t{right} - left + 1),
                       static_cast<int32_t>(int64_t{bottom} - top + 1)};
}

IconImage FirstIconImage(const uint8_t* data, size_t size) {
    const Error invalid("Invalid icon");
    constexpr size_t kDirectorySize = 6;
    constexpr size_t kEntrySize = 16;
    if (size < kDirectorySize + kEntrySize)
        throw invalid;
    if (Get16(data) != 0 || Get16(data + 2) != 1 || Get16(data + 4) == 0)
        throw invalid;
    const uint8_t* entry = data + kDirectorySize;
    IconImage image;
    image.width = entry[0] == 0 ? 256 : entry[0];
    image.height = entry[1] == 0 ? 256 : entry[1];
    image.size = Get32(entry + 8);
    image.offset = Get32(entry + 12);
    if (image.size == 0 || image.offset > size || image.size > size - image.offset)
        throw invalid;
    return image;
}

PlaceableMetafile ParsePlaceableMetafile(const uint8_t* data, size_t size) {
    const Error invalid("Invalid metafile");
    if (size <= kPlaceableHeaderSize || Get32(data) != kPlaceableKey)
        throw invalid;
    auto coordinate = [&](size_t at) { return static_cast<int16_t>(Get16(data + at)); };
    const int32_t width = std::abs(coordinate(10) - coordinate(6));
    const int32_t height = std::abs(coordinate(12) - coordinate(8));
    const int32_t inch = Get16(data + 14);
    if (width == 0 || height == 0 || inch == 0)
        throw invalid;
    PlaceableMetafile metafile;
    metafile.offset = kPlaceableHeaderSize;
    metafile.size = size - kPlaceableHeaderSize;
    // 2540 hundredths of a millimetre to the inch.
    metafile.widthHimetric = static_cast<int32_t>(int64_t{width} * 2540 / inch);
    metafile.heightHimetric = static_cast<int32_t>(int64_t{height} * 2540 / inch);
    return metafile;
}

bool IsCompleteEnhancedMetafile(const uint8_t* data, size_t size) {
    if (size < kEnhMetaHeaderMinSize)
        return false;
    // The header record: type, record size, ..., signature at 40, file size at 48.
    return Get32(data) == kEmrHeader && Get32(data + 40) == kEnhMetaSignature && Get32(data + 48) <= size &&
           Get32(data + 4) <= size;
}

}  // namespace orlscr
