#include "builder/stored_picture.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_set>

#include "common/error.h"
#include "picture/decode.h"
#include "raster/reduce.h"

namespace orlscr::mkscr {

namespace {

void Put16(std::string& out, uint16_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
}
void Put32(std::string& out, uint32_t v) {
    Put16(out, static_cast<uint16_t>(v & 0xFFFF));
    Put16(out, static_cast<uint16_t>(v >> 16));
}
void PutBig32(std::string& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>(v >> shift & 0xFF);
}

// One directory entry (little-endian): tag, type, count, value or offset.
void Entry(std::string& out, uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
    Put16(out, tag);
    Put16(out, type);
    Put32(out, count);
    Put32(out, value);
}

// Straight alpha into premultiplied and back, for filtering with alpha.
void Premultiply(std::vector<uint8_t>& rgba) {
    for (size_t i = 0; i < rgba.size(); i += 4) {
        const unsigned a = rgba[i + 3];
        for (int c = 0; c < 3; ++c)
            rgba[i + c] = static_cast<uint8_t>((rgba[i + c] * a + 127) / 255);
    }
}
void Unpremultiply(std::vector<uint8_t>& rgba) {
    for (size_t i = 0; i < rgba.size(); i += 4) {
        const unsigned a = rgba[i + 3];
        if (a == 0 || a == 255)
            continue;
        for (int c = 0; c < 3; ++c)
            rgba[i + c] = static_cast<uint8_t>(std::min(255u, (rgba[i + c] * 255 + a / 2) / a));
    }
}

}  // namespace

PictureSize FitWithin(int32_t width, int32_t height, const StoreBound& bound) {
    if (bound.originals || (width <= bound.maxWidth && height <= bound.maxHeight))
        return {width, height};
    const double scale =
        std::min(static_cast<double>(bound.maxWidth) / width, static_cast<double>(bound.maxHeight) / height);
    auto side = [&](int32_t n, int32_t max) {
        return std::clamp(static_cast<int32_t>(std::lround(n * scale)), int32_t{1}, max);
    };
    return {side(width, bound.maxWidth), side(height, bound.maxHeight)};
}

std::string MakeExifBlock(const std::optional<std::string>& dateTaken) {
    // Little-endian header, the first directory at 8: orientation and, with a
    // date, the pointer to the EXIF directory, which holds DateTimeOriginal.
    std::string out("II*\0", 4);
    Put32(out, 8);
    const uint16_t entries = dateTaken ? 2 : 1;
    Put16(out, entries);
    Entry(out, 0x0112, 3, 1, 1);  // orientation: as stored
    const uint32_t exifDirectory = 8 + 2 + entries * 12 + 4;
    if (dateTaken)
        Entry(out, 0x8769, 4, 1, exifDirectory);
    Put32(out, 0);
    if (dateTaken) {
        std::string date = dateTaken->substr(0, 19);
        date.resize(19, ' ');
        Put16(out, 1);
        Entry(out, 0x9003, 2, 20, exifDirectory + 2 + 12 + 4);
        Put32(out, 0);
        out += date;
        out += '\0';
    }
    return out;
}

std::string JpegWithExif(const std::string& jpeg, const std::string& exifBlock) {
    size_t at = 2;  // after the start marker, and after a JFIF header there
    if (jpeg.size() >= 6 && static_cast<uint8_t>(jpeg[2]) == 0xFF && static_cast<uint8_t>(jpeg[3]) == 0xE0)
        at = 4 + (static_cast<uint8_t>(jpeg[4]) << 8 | static_cast<uint8_t>(jpeg[5]));
    if (at > jpeg.size() || exifBlock.size() + 8 > 0xFFFF)
        return jpeg;
    std::string segment("\xFF\xE1", 2);
    const size_t length = 2 + 6 + exifBlock.size();
    segment += static_cast<char>(length >> 8);
    segment += static_cast<char>(length & 0xFF);
    segment += std::string("Exif\0\0", 6) + exifBlock;
    return jpeg.substr(0, at) + segment + jpeg.substr(at);
}

std::string PngWithExif(const std::string& png, const std::string& exifBlock) {
    constexpr size_t kAfterHeader = 8 + 8 + 13 + 4;  // signature, IHDR chunk
    if (png.size() < kAfterHeader)
        return png;
    std::string chunk;
    PutBig32(chunk, static_cast<uint32_t>(exifBlock.size()));
    chunk += "eXIf" + exifBlock;
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(chunk.data() + 4), static_cast<uInt>(chunk.size() - 4));
    PutBig32(chunk, static_cast<uint32_t>(crc));
    return png.substr(0, kAfterHeader) + chunk + png.substr(kAfterHeader);
}

std::string EncodePng(const uint8_t* bits, int32_t width, int32_t height, size_t stride, int channels) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = channels == 4 ? PNG_FORMAT_RGBA : PNG_FORMAT_BGR;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, bits, static_cast<png_int_32>(stride), nullptr))
        throw Error(std::string("cannot write the PNG picture: ") + image.message);
    std::string out(size, '\0');
    if (!png_image_write_to_memory(&image, out.data(), &size, 0, bits, static_cast<png_int_32>(stride), nullptr))
        throw Error(std::string("cannot write the PNG picture: ") + image.message);
    out.resize(size);
    png_image_free(&image);
    return out;
}

bool HasFewColours(const uint8_t* bits, int32_t width, int32_t height, size_t stride, int channels) {
    std::unordered_set<uint32_t> colours;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* p = bits + static_cast<size_t>(y) * stride;
        for (int32_t x = 0; x < width; ++x, p += channels) {
            uint32_t colour = p[0] | p[1] << 8 | p[2] << 16;
            if (channels == 4)
                colour |= static_cast<uint32_t>(p[3]) << 24;
            if (colours.insert(colour).second && colours.size() > 256)
                return false;
        }
    }
    return true;
}

MadePicture StoreBitmap(const Bitmap& picture,
                        PictureSize size,
                        bool png,
                        const std::optional<std::string>& dateTaken) {
    Bitmap reduced;
    const Bitmap* source = &picture;
    if (size.width < picture.Width() || size.height < picture.Height()) {
        reduced = ReduceBitmap(picture, size.width, size.height);
        source = &reduced;
    }
    MadePicture made;
    made.size = {source->Width(), source->Height()};
    const std::string exif = MakeExifBlock(dateTaken);
    if (png) {
        made.extension = "png";
        made.bytes = PngWithExif(EncodePng(source->Bits(), source->Width(), source->Height(),
                                           static_cast<size_t>(source->Stride()), Bitmap::kBytesPerPixel),
                                 exif);
    } else {
        made.extension = "jpg";
        const std::vector<uint8_t> jpeg = EncodeJpegFile(*source, kStoredJpegQuality);
        made.bytes = JpegWithExif(std::string(jpeg.begin(), jpeg.end()), exif);
    }
    return made;
}

std::vector<uint8_t> ReduceStraightAlpha(std::vector<uint8_t>& rgba, int32_t width, int32_t height, PictureSize size) {
    Premultiply(rgba);
    std::vector<uint8_t> reduced(static_cast<size_t>(size.width) * size.height * 4);
    ReducePixels(PixelView{rgba.data(), width, height, static_cast<size_t>(width) * 4, 4},
                 PixelView{reduced.data(), size.width, size.height, static_cast<size_t>(size.width) * 4, 4});
    Unpremultiply(reduced);
    return reduced;
}

MadePicture StoreImported(ImportedPicture& picture, const StoreBound& bound) {
    const PictureSize size = FitWithin(picture.width, picture.height, bound);
    const size_t rowBytes = static_cast<size_t>(picture.width) * 4;
    if (picture.hasAlpha) {
        // Filtered with premultiplied alpha, so transparent pixels lend no colour.
        std::vector<uint8_t>* rgba = &picture.rgba;
        std::vector<uint8_t> reduced;
        if (size.width != picture.width || size.height != picture.height) {
            reduced = ReduceStraightAlpha(picture.rgba, picture.width, picture.height, size);
            rgba = &reduced;
        }
        MadePicture made;
        made.extension = "png";
        made.size = size;
        made.bytes =
            PngWithExif(EncodePng(rgba->data(), size.width, size.height, static_cast<size_t>(size.width) * 4, 4),
                        MakeExifBlock(picture.dateTaken));
        return made;
    }
    const bool png = picture.lossless && HasFewColours(picture.rgba.data(), picture.width, picture.height, rowBytes, 4);
    Bitmap bitmap;
    bitmap.ResizeForOverwrite(picture.width, picture.height);
    for (int32_t y = 0; y < picture.height; ++y) {
        const uint8_t* s = picture.rgba.data() + static_cast<size_t>(y) * rowBytes;
        uint8_t* d = bitmap.Row(y);
        for (int32_t x = 0; x < picture.width; ++x, s += 4, d += 3) {
            d[0] = s[2], d[1] = s[1], d[2] = s[0];
        }
        std::memset(d, 0, static_cast<size_t>(bitmap.Stride()) - rowBytes / 4 * 3);
    }
    picture.rgba = {};  // the memory is given back before the next step
    return StoreBitmap(bitmap, size, png, picture.dateTaken);
}

}  // namespace orlscr::mkscr
