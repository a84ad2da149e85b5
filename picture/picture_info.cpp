#include "picture/picture_info.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/bounded_bytes.h"
#include "common/error.h"
#include "picture/bmp_header.h"

namespace orlscr {

namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr size_t kPlaceableHeaderSize = 22;
constexpr size_t kPlaceableMinSize = kPlaceableHeaderSize + 18;  // and a plain metafile header
constexpr uint32_t kEmrHeader = 1;
constexpr uint32_t kEnhMetaSignature = 0x464D4520;  // " EMF"
constexpr size_t kEnhMetaHeaderMinSize = 88;
constexpr size_t kIconDirectorySize = 6;
constexpr size_t kIconEntrySize = 16;
constexpr int32_t kMaxIconSide = 1024;
constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 13, 10, 26, 10};
constexpr const char* kBadPng = "The PNG picture is damaged: ";
constexpr const char* kBadGif = "The GIF picture is damaged: ";
constexpr const char* kBadJpeg = "The JPEG picture is damaged: ";

bool StartsWith(const uint8_t* data, size_t size, const void* prefix, size_t length) {
    return size >= length && std::memcmp(data, prefix, length) == 0;
}

int32_t HimetricToPixels(int64_t himetric) {
    return static_cast<int32_t>((himetric * 96 + 1270) / 2540);
}

bool IsBitFieldMask(uint32_t mask) {
    if (!mask)
        return true;
    while (!(mask & 1))
        mask >>= 1;
    return (mask & (mask + 1)) == 0;
}

// The frame header of a JPEG: walks the markers up to the first SOFn.
PictureInfo ExamineJpeg(const uint8_t* data, size_t size) {
    const BoundedBytes in(data, size, std::string(kBadJpeg) + "the file ends before the frame header", true);
    size_t at = 2;
    for (;;) {
        if (in.U8(at) != 0xFF)
            throw Error(std::string(kBadJpeg) + "a marker is missing");
        while (in.U8(at) == 0xFF)  // fill bytes
            ++at;
        const uint8_t marker = in.U8(at++);
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;  // no length
        if (marker == 0xD9 || marker == 0xDA)
            throw Error(std::string(kBadJpeg) + "no frame header before the picture data");
        const uint16_t length = in.U16(at);
        if (length < 2)
            throw Error(std::string(kBadJpeg) + "a segment has a wrong length");
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (!frame) {
            at += length;
            continue;
        }
        if (marker == 0xC3 || marker == 0xC7 || marker == 0xCB || marker == 0xCF)
            throw Error("lossless JPEG is not supported");
        if (marker == 0xC5 || marker == 0xC6 || marker == 0xCD || marker == 0xCE)
            throw Error("hierarchical JPEG is not supported");
        PictureInfo info;
        info.format = PictureFormat::kJpeg;
        info.bitsPerSample = in.U8(at + 2);
        info.height = in.U16(at + 3);
        info.width = in.U16(at + 5);
        info.size = size;
        if (info.bitsPerSample != 8)
            throw Error(std::to_string(info.bitsPerSample) + "-bit JPEG is not supported");
        if (info.width == 0 || info.height == 0)
            throw Error(std::string(kBadJpeg) + "the frame header gives no size");
        return info;
    }
}

PictureInfo ExaminePng(const uint8_t* data, size_t size) {
    const BoundedBytes in(data, size, std::string(kBadPng) + "the file ends in its header", true);
    if (in.U32(8) != 13 || in.Text(12, 4) != "IHDR")
        throw Error(std::string(kBadPng) + "the header chunk is missing");
    PictureInfo info;
    info.format = PictureFormat::kPng;
    const uint32_t width = in.U32(16), height = in.U32(20);
    info.bitsPerSample = in.U8(24);
    const uint8_t colourType = in.U8(25);
    const int depth = info.bitsPerSample;
    const bool depthFits = colourType == 0   ? depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16
                           : colourType == 3 ? depth == 1 || depth == 2 || depth == 4 || depth == 8
                           : colourType == 2 || colourType == 4 || colourType == 6 ? depth == 8 || depth == 16
                                                                                   : false;
    if (!depthFits)
        throw Error(std::string(kBadPng) + "colour type " + std::to_string(colourType) + " with " +
                    std::to_string(depth) + "-bit samples");
    if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF)
        throw Error(std::string(kBadPng) + "the header gives no size");
    CheckPictureSize(width, height);
    info.width = static_cast<int32_t>(width);
    info.height = static_cast<int32_t>(height);
    info.size = size;
    return info;
}

PictureInfo ExamineGif(const uint8_t* data, size_t size) {
    const BoundedBytes in(data, size, std::string(kBadGif) + "the file ends in its header");
    PictureInfo info;
    info.format = PictureFormat::kGif;
    info.width = in.U16(6);
    info.height = in.U16(8);
    in.Need(10, 3);
    info.size = size;
    return info;
}

// The image an icon's directory points at must be one the platform can take
// without trusting sizes the bytes do not back: a PNG, or a bitmap whose pixels
// and mask lie inside it.
void CheckIconImage(const uint8_t* data, const IconImage& image) {
    const BoundedBytes in(data + image.offset, image.size, kInvalidIcon);
    if (StartsWith(in.data(), in.size(), kPngSignature, sizeof kPngSignature)) {
        const PictureInfo png = ExaminePng(in.data(), in.size());
        if (png.width > kMaxIconSide || png.height > kMaxIconSide)
            throw Error(kPictureTooLarge);
        return;
    }
    const uint32_t headerSize = in.U32(0);
    if (headerSize < 40 || headerSize > image.size)
        throw Error(kInvalidIcon);
    const int64_t width = in.I32(4);
    const int64_t doubleHeight = in.I32(8);  // the colour rows, then the mask rows
    const uint16_t bitCount = in.U16(14);
    const uint32_t colorsUsed = in.U32(32);
    if (width <= 0 || doubleHeight <= 0 || doubleHeight % 2 != 0)
        throw Error(kInvalidIcon);
    if (width > kMaxIconSide || doubleHeight / 2 > kMaxIconSide)
        throw Error(kPictureTooLarge);
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        throw Error(kInvalidIcon);
    const int64_t height = doubleHeight / 2;
    const int64_t paletteEntries = bitCount <= 8 ? (colorsUsed ? colorsUsed : int64_t{1} << bitCount) : 0;
    if (paletteEntries > 256)
        throw Error(kInvalidIcon);
    const int64_t colourRows = (width * bitCount + 31) / 32 * 4 * height;
    const int64_t maskRows = (width + 31) / 32 * 4 * height;
    if (headerSize + paletteEntries * 4 + colourRows + maskRows > static_cast<int64_t>(image.size))
        throw Error(kInvalidIcon);
}

PictureInfo ExamineIcon(const uint8_t* data, size_t size) {
    const IconImage image = FirstIconImage(data, size);
    CheckIconImage(data, image);
    PictureInfo info;
    info.format = PictureFormat::kIcon;
    info.width = image.width;
    info.height = image.height;
    info.offset = image.offset;
    info.size = image.size;
    return info;
}

// A frame extent in 0.01 mm as pixels of a device `devicePixels` wide over
// `deviceMicrometres`, rounded. Crafted headers reach 2^33 x 10 x 2^31, past 64
// bits, so the product is taken in 128; a result past 32 bits comes back as
// 2^31, which the size check refuses.
int64_t DevicePixels(int64_t frame, int64_t devicePixels, int64_t deviceMicrometres) {
    const __int128 value =
        (static_cast<__int128>(frame) * 10 * devicePixels + deviceMicrometres / 2) / deviceMicrometres;
    if (value > INT32_MAX)
        return int64_t{INT32_MAX} + 1;
    return value < 0 ? 0 : static_cast<int64_t>(value);
}

PictureInfo ExamineEnhancedMetafile(const uint8_t* data, size_t size) {
    if (!IsCompleteEnhancedMetafile(data, size))
        throw Error(kInvalidMetafile);
    const BoundedBytes in(data, size, kInvalidMetafile);
    // The picture frame is in 0.01 mm, both edges included; the size in pixels
    // is that of the reference device the metafile was made for.
    const int64_t frameWidth = int64_t{in.I32(32)} - in.I32(24) + 1;
    const int64_t frameHeight = int64_t{in.I32(36)} - in.I32(28) + 1;
    const int64_t deviceWidth = in.I32(72), deviceHeight = in.I32(76);
    const uint32_t recordSize = in.U32(4);
    int64_t umWidth = int64_t{in.I32(80)} * 1000, umHeight = int64_t{in.I32(84)} * 1000;
    if (recordSize >= 108 && in.I32(100) > 0 && in.I32(104) > 0) {
        umWidth = in.I32(100);
        umHeight = in.I32(104);
    }
    int64_t width = 0, height = 0;
    if (umWidth > 0 && umHeight > 0 && frameWidth > 1 && frameHeight > 1) {
        width = DevicePixels(frameWidth, deviceWidth, umWidth);
        height = DevicePixels(frameHeight, deviceHeight, umHeight);
    } else {
        width = int64_t{in.I32(16)} - in.I32(8) + 1;
        height = int64_t{in.I32(20)} - in.I32(12) + 1;
    }
    if (width <= 0 || height <= 0)
        throw Error(kInvalidMetafile);
    CheckPictureSize(width, height);
    PictureInfo info;
    info.format = PictureFormat::kEnhancedMetafile;
    info.width = static_cast<int32_t>(width);
    info.height = static_cast<int32_t>(height);
    info.size = size;
    info.widthHimetric = static_cast<int32_t>(std::min<int64_t>(frameWidth, INT32_MAX));
    info.heightHimetric = static_cast<int32_t>(std::min<int64_t>(frameHeight, INT32_MAX));
    return info;
}

PictureInfo ExaminePlaceableMetafile(const uint8_t* data, size_t size) {
    const PlaceableMetafile metafile = ParsePlaceableMetafile(data, size);
    const int64_t width = HimetricToPixels(metafile.widthHimetric);
    const int64_t height = HimetricToPixels(metafile.heightHimetric);
    if (width <= 0 || height <= 0)
        throw Error(kInvalidMetafile);
    CheckPictureSize(width, height);
    PictureInfo info;
    info.format = PictureFormat::kPlaceableMetafile;
    info.width = static_cast<int32_t>(width);
    info.height = static_cast<int32_t>(height);
    info.offset = metafile.offset;
    info.size = metafile.size;
    info.widthHimetric = metafile.widthHimetric;
    info.heightHimetric = metafile.heightHimetric;
    return info;
}

}  // namespace

const char* PictureFormatName(PictureFormat format) {
    switch (format) {
        case PictureFormat::kJpeg:
            return "JPEG";
        case PictureFormat::kBmp:
            return "BMP";
        case PictureFormat::kPng:
            return "PNG";
        case PictureFormat::kGif:
            return "GIF";
        case PictureFormat::kIcon:
            return "icon";
        case PictureFormat::kEnhancedMetafile:
            return "enhanced metafile";
        case PictureFormat::kPlaceableMetafile:
            return "placeable metafile";
        case PictureFormat::kUnknown:
            break;
    }
    return "unknown";
}

void CheckPictureSize(int64_t width, int64_t height) {
    if (width < 1 || height < 1 || width > kMaxPicturePixels || height > kMaxPicturePixels ||
        width * height > kMaxPicturePixels)
        throw Error(kPictureTooLarge);
}

PictureFormat RecognisePicture(const uint8_t* data, size_t size) {
    if (StartsWith(data, size, "\xFF\xD8\xFF", 3))
        return PictureFormat::kJpeg;
    if (size >= 14 && StartsWith(data, size, "BM", 2))
        return PictureFormat::kBmp;
    if (StartsWith(data, size, kPngSignature, sizeof kPngSignature))
        return PictureFormat::kPng;
    if (StartsWith(data, size, "GIF87a", 6) || StartsWith(data, size, "GIF89a", 6))
        return PictureFormat::kGif;
    // Reserved 0, type 1 (2 would be a cursor), at least one image.
    if (size >= kIconDirectorySize + kIconEntrySize && StartsWith(data, size, "\0\0\1\0", 4) && (data[4] | data[5]))
        return PictureFormat::kIcon;
    const BoundedBytes in(data, size, kNotAPicture);
    if (size >= 44 && in.U32(0) == kEmrHeader && in.U32(40) == kEnhMetaSignature)
        return PictureFormat::kEnhancedMetafile;
    if (size >= kPlaceableMinSize && in.U32(0) == kPlaceableKey)
        return PictureFormat::kPlaceableMetafile;
    return PictureFormat::kUnknown;
}

PictureInfo ExaminePicture(const uint8_t* data, size_t size) {
    switch (RecognisePicture(data, size)) {
        case PictureFormat::kJpeg:
            return ExamineJpeg(data, size);
        case PictureFormat::kBmp: {
            const BmpHeader header = ReadBmpHeader(BoundedBytes(data, size, kBadBmp));
            PictureInfo info;
            info.format = PictureFormat::kBmp;
            info.width = header.width;
            info.height = header.height;
            info.size = size;
            info.bitsPerSample = header.bitCount;
            return info;
        }
        case PictureFormat::kPng:
            return ExaminePng(data, size);
        case PictureFormat::kGif:
            return ExamineGif(data, size);
        case PictureFormat::kIcon:
            return ExamineIcon(data, size);
        case PictureFormat::kEnhancedMetafile:
            return ExamineEnhancedMetafile(data, size);
        case PictureFormat::kPlaceableMetafile:
            return ExaminePlaceableMetafile(data, size);
        case PictureFormat::kUnknown:
            break;
    }
    throw Error(kNotAPicture);
}

BmpHeader ReadBmpHeader(const BoundedBytes& in) {
    BmpHeader h;
    h.bitsOffset = in.U32(10);
    h.headerSize = in.U32(14);
    uint16_t planes = 0;
    if (h.headerSize == 12) {
        h.width = in.U16(18);
        h.height = in.I16(20);
        planes = in.U16(22);
        h.bitCount = in.U16(24);
        h.paletteEntrySize = 3;
    } else if (h.headerSize >= 40 && h.headerSize <= 1024) {
        h.width = in.I32(18);
        h.height = in.I32(22);
        planes = in.U16(26);
        h.bitCount = in.U16(28);
        h.compression = in.U32(30);
        h.colorsUsed = in.U32(46);
        if (h.compression == BmpHeader::kBitFields || h.compression == BmpHeader::kAlphaBitFields) {
            // Bit fields follow a 40-byte header, or are part of a longer one.
            for (size_t k = 0; k < 3; ++k)
                h.masks[k] = in.U32(14 + 40 + 4 * k);
            if (h.headerSize >= 56 || h.compression == BmpHeader::kAlphaBitFields)
                h.alphaMask = in.U32(14 + 40 + 12);
        }
    } else {
        in.Fail();
    }
    h.topDown = h.height < 0;
    if (h.height == INT32_MIN || h.width <= 0 || h.height == 0 || planes != 1)
        in.Fail();
    if (h.topDown)
        h.height = -h.height;
    if (int64_t{h.width} * h.height > kMaxPicturePixels)
        throw Error(kPictureTooLarge);

    switch (h.compression) {
        case BmpHeader::kRgb:
            if (!h.Paletted() && h.bitCount != 16 && h.bitCount != 24 && h.bitCount != 32)
                throw Error(kUnsupportedBmp);
            if (h.bitCount == 16) {
                h.masks[0] = 0x7C00, h.masks[1] = 0x03E0, h.masks[2] = 0x001F;
            } else if (h.bitCount == 32) {
                h.masks[0] = 0xFF0000, h.masks[1] = 0x00FF00, h.masks[2] = 0x0000FF;
                h.alphaMask = 0xFF000000;
            }
            break;
        case BmpHeader::kBitFields:
        case BmpHeader::kAlphaBitFields:
            if (h.bitCount != 16 && h.bitCount != 32)
                in.Fail();
            for (uint32_t mask : h.masks)
                if (!IsBitFieldMask(mask) || (h.bitCount == 16 && mask > 0xFFFF))
                    in.Fail();
            // An alpha mask that cannot be one, or that shares bits with a
            // colour, is left unused rather than refusing the colours.
            if (!IsBitFieldMask(h.alphaMask) || (h.bitCount == 16 && h.alphaMask > 0xFFFF) ||
                (h.alphaMask & (h.masks[0] | h.masks[1] | h.masks[2])))
                h.alphaMask = 0;
            break;
        case BmpHeader::kRle8:
        case BmpHeader::kRle4:
            // Run-length rows are stored bottom-up only, at the depth they are made for.
            if (h.bitCount != (h.compression == BmpHeader::kRle8 ? 8 : 4))
                throw Error(kUnsupportedBmp);
            if (h.topDown)
                in.Fail();
            break;
        default:
            throw Error(kUnsupportedBmp);
    }
    return h;
}

IconImage FirstIconImage(const uint8_t* data, size_t size) {
    const BoundedBytes in(data, size, kInvalidIcon);
    in.Need(0, kIconDirectorySize + kIconEntrySize);
    if (in.U16(0) != 0 || in.U16(2) != 1 || in.U16(4) == 0)
        in.Fail();
    const size_t entry = kIconDirectorySize;
    IconImage image;
    image.width = in.U8(entry) == 0 ? 256 : in.U8(entry);
    image.height = in.U8(entry + 1) == 0 ? 256 : in.U8(entry + 1);
    image.size = in.U32(entry + 8);
    image.offset = in.U32(entry + 12);
    if (image.size == 0 || !in.Has(image.offset, image.size))
        in.Fail();
    return image;
}

PlaceableMetafile ParsePlaceableMetafile(const uint8_t* data, size_t size) {
    const BoundedBytes in(data, size, kInvalidMetafile);
    if (size <= kPlaceableHeaderSize || in.U32(0) != kPlaceableKey)
        in.Fail();
    const int32_t width = std::abs(in.I16(10) - in.I16(6));
    const int32_t height = std::abs(in.I16(12) - in.I16(8));
    const int32_t inch = in.U16(14);
    if (width == 0 || height == 0 || inch == 0)
        in.Fail();
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
    const BoundedBytes in(data, size, kInvalidMetafile);
    // The header record: type, record size, ..., signature at 40, file size at 48.
    return in.U32(0) == kEmrHeader && in.U32(40) == kEnhMetaSignature && in.U32(48) <= size && in.U32(4) <= size;
}

}  // namespace orlscr
