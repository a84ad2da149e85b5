#pragma once

// Picture files made in memory for the picture tests: JPEG through libjpeg,
// PNG through libpng, EXIF blocks by hand.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#include "raster/bitmap.h"

namespace orlscr::test {

using Bytes = std::vector<uint8_t>;

inline Bitmap Solid(int32_t w, int32_t h, uint8_t r, uint8_t g, uint8_t b) {
    Bitmap bitmap(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* p = bitmap.Row(y) + 3 * x;
            p[0] = b, p[1] = g, p[2] = r;
        }
    return bitmap;
}

inline void Put32(Bytes& v, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        v[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// A JPEG of the bitmap at quality 100: grey (from the blue samples) or in
// colour, with libjpeg's usual colour subsampling or without any.
inline Bytes JpegOf(const Bitmap& b, bool grey = false, bool subsampled = false) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = static_cast<JDIMENSION>(b.Width());
    c.image_height = static_cast<JDIMENSION>(b.Height());
    c.input_components = grey ? 1 : 3;
    c.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 100, TRUE);
    if (!subsampled)
        for (int i = 0; i < c.num_components; ++i)
            c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> line(3 * static_cast<size_t>(b.Width()));
    while (c.next_scanline < c.image_height) {
        const uint8_t* src = b.Row(static_cast<int32_t>(c.next_scanline));
        for (int x = 0; x < b.Width(); ++x) {
            if (grey) {
                line[x] = src[3 * x];
                continue;
            }
            line[3 * x] = src[3 * x + 2];
            line[3 * x + 1] = src[3 * x + 1];
            line[3 * x + 2] = src[3 * x];
        }
        JSAMPROW row = line.data();
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    Bytes result(out, out + size);
    free(out);
    return result;
}

inline void PutBe16(Bytes& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

inline void PutBe32(Bytes& out, uint32_t v) {
    for (int k = 3; k >= 0; --k)
        out.push_back(static_cast<uint8_t>(v >> (8 * k)));
}

// A big-endian ("MM") EXIF block with an Orientation and, when given, a
// DateTimeOriginal in the EXIF directory.
inline Bytes ExifBlock(int orientation, const std::string& dateTaken = "") {
    Bytes t = {'M', 'M', 0, 42};
    PutBe32(t, 8);  // first directory
    const bool withDate = !dateTaken.empty();
    PutBe16(t, withDate ? 2 : 1);
    PutBe16(t, 0x0112), PutBe16(t, 3), PutBe32(t, 1), PutBe16(t, static_cast<uint16_t>(orientation)), PutBe16(t, 0);
    const uint32_t exifDirectory = 8 + 2 + 12 * (withDate ? 2 : 1) + 4;
    if (withDate)
        PutBe16(t, 0x8769), PutBe16(t, 4), PutBe32(t, 1), PutBe32(t, exifDirectory);
    PutBe32(t, 0);  // no next directory
    if (withDate) {
        PutBe16(t, 1);
        PutBe16(t, 0x9003), PutBe16(t, 2), PutBe32(t, static_cast<uint32_t>(dateTaken.size() + 1));
        PutBe32(t, exifDirectory + 2 + 12 + 4);
        PutBe32(t, 0);
        t.insert(t.end(), dateTaken.begin(), dateTaken.end());
        t.push_back(0);
    }
    return t;
}

// The JPEG with an APP1 "Exif" segment holding the block, right after SOI.
inline Bytes WithExif(const Bytes& jpeg, const Bytes& block) {
    Bytes segment = {0xFF, 0xE1};
    PutBe16(segment, static_cast<uint16_t>(2 + 6 + block.size()));
    const char exif[] = {'E', 'x', 'i', 'f', 0, 0};
    segment.insert(segment.end(), exif, exif + 6);
    segment.insert(segment.end(), block.begin(), block.end());
    Bytes out = jpeg;
    out.insert(out.begin() + 2, segment.begin(), segment.end());
    return out;
}

// A PNG written by libpng from raw rows (already packed for the depth), with
// an optional palette, transparency and eXIf chunk.
struct PngRecipe {
    uint32_t width = 1;
    uint32_t height = 1;
    int colourType = PNG_COLOR_TYPE_RGB;
    int depth = 8;
    std::vector<Bytes> rows;
    std::vector<png_color> palette;
    Bytes paletteAlpha;
    Bytes exif;
};

inline void AppendPng(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

inline Bytes PngOf(const PngRecipe& recipe) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, AppendPng, nullptr);
    png_set_IHDR(png, info, recipe.width, recipe.height, recipe.depth, recipe.colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!recipe.palette.empty())
        png_set_PLTE(png, info, recipe.palette.data(), static_cast<int>(recipe.palette.size()));
    if (!recipe.paletteAlpha.empty())
        png_set_tRNS(png, info, recipe.paletteAlpha.data(), static_cast<int>(recipe.paletteAlpha.size()), nullptr);
    if (!recipe.exif.empty())
        png_set_eXIf_1(png, info, static_cast<png_uint_32>(recipe.exif.size()), const_cast<png_bytep>(recipe.exif.data()));
    png_write_info(png, info);
    for (const Bytes& row : recipe.rows)
        png_write_row(png, row.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

}  // namespace orlscr::test
