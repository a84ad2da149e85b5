#include "transition/picture_decode.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>

#include <jpeglib.h>

#include "common/error.h"

namespace orlscr {

namespace {

const char kBadBmp[] = "The BMP picture is damaged";
const char kUnsupportedBmp[] = "This kind of BMP picture is not supported";
const char kTooLarge[] = "The picture is too large";

// Reads little-endian values from a byte range; any read past its end throws.
class ByteReader {
  public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    uint32_t U32(size_t at) const {
        Need(at, 4);
        return data_[at] | data_[at + 1] << 8 | data_[at + 2] << 16 | static_cast<uint32_t>(data_[at + 3]) << 24;
    }
    int32_t I32(size_t at) const { return static_cast<int32_t>(U32(at)); }
    uint16_t U16(size_t at) const {
        Need(at, 2);
        return static_cast<uint16_t>(data_[at] | data_[at + 1] << 8);
    }
    void Need(size_t at, size_t count) const {
        if (at > size_ || count > size_ - at)
            throw Error(kBadBmp);
    }

  private:
    const uint8_t* data_;
    size_t size_;
};

// Scales a masked channel value to 0..255.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;

    explicit Channel(uint32_t m) : mask(m) {
        if (!mask)
            return;
        while (!(mask >> shift & 1))
            ++shift;
        max = mask >> shift;
    }
    uint8_t Of(uint32_t pixel) const {
        if (!max)
            return 0;
        return static_cast<uint8_t>(((pixel & mask) >> shift) * 255u / max);
    }
};

bool IsContiguousMask(uint32_t mask) {
    if (!mask)
        return true;
    while (!(mask & 1))
        mask >>= 1;
    return (mask & (mask + 1)) == 0;
}

}  // namespace

bool IsBmp(const uint8_t* data, size_t size) {
    return size >= 2 && data[0] == 'B' && data[1] == 'M';
}

bool IsJpeg(const uint8_t* data, size_t size) {
    return size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

Bitmap DecodeBmp(const uint8_t* data, size_t size) {
    if (!IsBmp(data, size))
        throw Error("The file is not a BMP picture");
    ByteReader in(data, size);
    const uint32_t bitsOffset = in.U32(10);
    const uint32_t headerSize = in.U32(14);
    int32_t width = 0;
    int32_t height = 0;
    uint16_t planes = 0;
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    uint32_t colorsUsed = 0;
    size_t paletteEntrySize = 4;
    uint32_t masks[3] = {0, 0, 0};
    if (headerSize == 12) {
        width = in.U16(18);
        height = static_cast<int16_t>(in.U16(20));
        planes = in.U16(22);
        bitCount = in.U16(24);
        paletteEntrySize = 3;
    } else if (headerSize >= 40 && headerSize <= 1024) {
        width = in.I32(18);
        height = in.I32(22);
        planes = in.U16(26);
        bitCount = in.U16(28);
        compression = in.U32(30);
        colorsUsed = in.U32(46);
        if (compression == 3) {
            // Bit fields follow a 40-byte header, or are part of a longer one.
            const size_t at = 14 + 40;
            masks[0] = in.U32(at);
            masks[1] = in.U32(at + 4);
            masks[2] = in.U32(at + 8);
        }
    } else {
        throw Error(kBadBmp);
    }
    const bool topDown = height < 0;
    if (height == INT32_MIN || width <= 0 || height == 0 || planes != 1)
        throw Error(kBadBmp);
    if (topDown)
        height = -height;
    if (static_cast<int64_t>(width) * height > kMaxPicturePixels)
        throw Error(kTooLarge);

    const bool paletted = bitCount == 1 || bitCount == 4 || bitCount == 8;
    if (compression == 0) {
        if (!paletted && bitCount != 16 && bitCount != 24 && bitCount != 32)
            throw Error(kUnsupportedBmp);
        if (bitCount == 16) {
            masks[0] = 0x7C00;
            masks[1] = 0x03E0;
            masks[2] = 0x001F;
        } else if (bitCount == 32) {
            masks[0] = 0xFF0000;
            masks[1] = 0x00FF00;
            masks[2] = 0x0000FF;
        }
    } else if (compression == 3) {
        if (bitCount != 16 && bitCount != 32)
            throw Error(kBadBmp);
        for (uint32_t mask : masks)
            if (!IsContiguousMask(mask) || (bitCount == 16 && mask > 0xFFFF))
                throw Error(kBadBmp);
    } else {
        throw Error(kUnsupportedBmp);
    }

    // Palette: BGR(A) entries right after the info header.
    uint8_t palette[256][3] = {};
    if (paletted) {
        const uint32_t maxColors = 1u << bitCount;
        if (colorsUsed == 0 || colorsUsed > maxColors)
            colorsUsed = maxColors;
        const size_t paletteAt = 14 + static_cast<size_t>(headerSize);
        // Some writers store fewer entries than they announce; take what lies
        // before the pixels.
        size_t available = bitsOffset > paletteAt ? (bitsOffset - paletteAt) / paletteEntrySize : 0;
        const size_t count = std::min<size_t>(colorsUsed, available);
        in.Need(paletteAt, count * paletteEntrySize);
        for (size_t i = 0; i < count; ++i)
            std::memcpy(palette[i], data + paletteAt + i * paletteEntrySize, 3);
    }

    const size_t rowBytes = ((static_cast<size_t>(width) * bitCount + 31) / 32) * 4;
    // The last row needs only its pixels, not its padding.
    const size_t lastRowBytes = (static_cast<size_t>(width) * bitCount + 7) / 8;
    in.Need(bitsOffset, rowBytes * (height - 1) + lastRowBytes);

    Bitmap bitmap(width, height);
    const Channel red(masks[0]), green(masks[1]), blue(masks[2]);
    for (int32_t y = 0; y < height; ++y) {
        const int32_t fileRow = topDown ? y : height - 1 - y;
        const uint8_t* src = data + bitsOffset + rowBytes * fileRow;
        uint8_t* dst = bitmap.Row(y);
        switch (bitCount) {
            case 1:
            case 4:
            case 8: {
                const int perByte = 8 / bitCount;
                const unsigned valueMask = (1u << bitCount) - 1;
                for (int32_t x = 0; x < width; ++x, dst += 3) {
                    const int shift = 8 - bitCount * (x % perByte + 1);
                    const unsigned index = src[x / perByte] >> shift & valueMask;
                    std::memcpy(dst, palette[index], 3);
                }
                break;
            }
            case 24:
                std::memcpy(dst, src, static_cast<size_t>(width) * 3);
                break;
            default:
                for (int32_t x = 0; x < width; ++x, dst += 3) {
                    const uint32_t pixel = bitCount == 16 ? static_cast<uint32_t>(src[2 * x] | src[2 * x + 1] << 8)
                                                          : ByteReader(src + 4 * x, 4).U32(0);
                    dst[0] = blue.Of(pixel);
                    dst[1] = green.Of(pixel);
                    dst[2] = red.Of(pixel);
                }
                break;
        }
    }
    return bitmap;
}

namespace {

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

extern "C" void JpegErrorExit(j_common_ptr cinfo) {
    auto* error = reinterpret_cast<JpegError*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, error->message);
    std::longjmp(error->jump, 1);
}

extern "C" void JpegOutputMessage(j_common_ptr) {
    // Warnings (a truncated file, for one) are not shown; what could be decoded is.
}

// The libjpeg part, kept free of objects with destructors so that the jump
// back from the error handler skips nothing. Returns false with the message in
// `error` on failure.
bool DecodeJpegInto(const uint8_t* data, size_t size, Bitmap* bitmap, JpegError* error, bool* tooLarge) {
    jpeg_decompress_struct cinfo;
    cinfo.err = jpeg_std_error(&error->manager);
    error->manager.error_exit = JpegErrorExit;
    error->manager.output_message = JpegOutputMessage;
    if (setjmp(error->jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    if (cinfo.jpeg_color_space == JCS_GRAYSCALE)
        cinfo.out_color_space = JCS_GRAYSCALE;
    else if (cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK)
        cinfo.out_color_space = JCS_CMYK;
    else
        cinfo.out_color_space = JCS_RGB;
    if (static_cast<int64_t>(cinfo.image_width) * cinfo.image_height > kMaxPicturePixels) {
        *tooLarge = true;
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_start_decompress(&cinfo);
    const int components = cinfo.output_components;
    const int32_t width = static_cast<int32_t>(cinfo.output_width);
    bitmap->Resize(width, static_cast<int32_t>(cinfo.output_height));
    JSAMPARRAY line = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                 static_cast<JDIMENSION>(width * components), 1);
    const bool invertedCmyk = cinfo.saw_Adobe_marker;
    while (cinfo.output_scanline < cinfo.output_height) {
        const int32_t y = static_cast<int32_t>(cinfo.output_scanline);
        jpeg_read_scanlines(&cinfo, line, 1);
        const uint8_t* src = line[0];
        uint8_t* dst = bitmap->Row(y);
        for (int32_t x = 0; x < width; ++x, dst += 3, src += components) {
            if (components == 1) {
                dst[0] = dst[1] = dst[2] = src[0];
            } else if (components == 3) {
                dst[0] = src[2];
                dst[1] = src[1];
                dst[2] = src[0];
            } else {
                unsigned c = src[0], m = src[1], yy = src[2], k = src[3];
                if (!invertedCmyk) {
                    c = 255 - c, m = 255 - m, yy = 255 - yy, k = 255 - k;
                }
                dst[0] = static_cast<uint8_t>(yy * k / 255);
                dst[1] = static_cast<uint8_t>(m * k / 255);
                dst[2] = static_cast<uint8_t>(c * k / 255);
            }
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

}  // namespace

Bitmap DecodeJpeg(const uint8_t* data, size_t size) {
    if (!IsJpeg(data, size))
        throw Error("The file is not a JPEG picture");
    Bitmap bitmap;
    JpegError error{};
    bool tooLarge = false;
    if (!DecodeJpegInto(data, size, &bitmap, &error, &tooLarge)) {
        if (tooLarge)
            throw Error(kTooLarge);
        throw Error(std::string("The JPEG picture is damaged: ") + error.message);
    }
    return bitmap;
}

Bitmap DecodePicture(const uint8_t* data, size_t size) {
    if (IsJpeg(data, size))
        return DecodeJpeg(data, size);
    if (IsBmp(data, size))
        return DecodeBmp(data, size);
    throw Error("The file is not a JPEG or BMP picture");
}

std::vector<uint8_t> EncodeBmp(const Bitmap& bitmap) {
    const uint32_t imageSize = static_cast<uint32_t>(bitmap.Stride()) * bitmap.Height();
    const uint32_t offset = 14 + 40;
    std::vector<uint8_t> out(offset + imageSize);
    auto put32 = [&out](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, offset + imageSize);
    put32(10, offset);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(bitmap.Width()));
    put32(22, static_cast<uint32_t>(bitmap.Height()));
    out[26] = 1;   // planes
    out[28] = 24;  // bits a pixel
    put32(34, imageSize);
    put32(38, 2835);  // 72 dots an inch
    put32(42, 2835);
    // Our rows are top-down with the same padding; the file stores them bottom-up.
    for (int32_t y = 0; y < bitmap.Height(); ++y)
        std::memcpy(out.data() + offset + static_cast<size_t>(bitmap.Stride()) * (bitmap.Height() - 1 - y),
                    bitmap.Row(y), static_cast<size_t>(bitmap.Stride()));
    return out;
}

}  // namespace orlscr
