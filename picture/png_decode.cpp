// PNG files into bitmaps through libpng's simplified reader, which turns every
// colour type and depth into 8-bit blue, green, red and lays alpha on a colour.

#include <string>

#include <png.h>

#include "common/error.h"
#include "picture/decode.h"

namespace orlscr {

namespace {

// Frees libpng's state however the decode ends.
struct PngImage {
    png_image image{};
    PngImage() { image.version = PNG_IMAGE_VERSION; }
    ~PngImage() { png_image_free(&image); }
};

[[noreturn]] void Damaged(const png_image& image) {
    throw Error(std::string("The PNG picture is damaged: ") + image.message);
}

}  // namespace

Bitmap DecodePng(const uint8_t* data, size_t size, const DecodeOptions& options) {
    const PictureInfo info = ExaminePicture(data, size);
    if (info.format != PictureFormat::kPng)
        throw Error(kNotAPicture);
    PngImage png;
    if (!png_image_begin_read_from_memory(&png.image, data, size))
        Damaged(png.image);
    CheckPictureSize(png.image.width, png.image.height);
    png.image.format = PNG_FORMAT_BGR;
    // Without a gamma chunk libpng takes 16-bit samples as linear light; the
    // programs that write them mean sRGB, as with 8 bits.
    png.image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    Bitmap bitmap(static_cast<int32_t>(png.image.width), static_cast<int32_t>(png.image.height));
    png_color background;
    background.red = static_cast<png_byte>(options.background & 0xFF);
    background.green = static_cast<png_byte>(options.background >> 8 & 0xFF);
    background.blue = static_cast<png_byte>(options.background >> 16 & 0xFF);
    // The row stride counts components, one byte each here.
    if (!png_image_finish_read(&png.image, &background, bitmap.Bits(), bitmap.Stride(), nullptr))
        Damaged(png.image);
    return bitmap;
}

}  // namespace orlscr
