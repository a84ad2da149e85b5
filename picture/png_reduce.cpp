// A large PNG read row by row and reduced by a whole factor on the way, so a
// picture many times the size it is shown at never lies in memory at full size.

#include "picture/png_reduce.h"

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <vector>

#include <png.h>

#include "picture/alpha.h"

namespace orlscr {

namespace {

struct MemoryReader {
    const uint8_t* data;
    size_t size;
    size_t at;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (count > reader->size - reader->at)
        png_error(png, "the file ends early");
    std::memcpy(out, reader->data + reader->at, count);
    reader->at += count;
}

void Quiet(png_structp, png_const_charp) {}

// The state that lives across libpng's error jump: nothing with a destructor
// is made between setjmp and the end of the decode.
struct Reduction {
    png_structp png = nullptr;
    png_infop info = nullptr;
    MemoryReader reader{};
    std::vector<uint8_t> row;
    std::vector<uint32_t> sums;
    std::vector<uint32_t> counts;  // source pixels in each output pixel of the band
    Bitmap* out = nullptr;
    int factor = 1;
    uint8_t back[3] = {0, 0, 0};  // blue, green, red
};

// Reads every row; false when libpng reports an error.
bool ReadReduced(Reduction& r) {
    if (setjmp(png_jmpbuf(r.png)))
        return false;
    png_set_read_fn(r.png, &r.reader, ReadFromMemory);
    png_read_info(r.png, r.info);
    const png_uint_32 width = png_get_image_width(r.png, r.info);
    const png_uint_32 height = png_get_image_height(r.png, r.info);
    // As the full decode: 8-bit samples in sRGB, straight alpha.
    png_set_expand(r.png);
    png_set_scale_16(r.png);
    png_set_gray_to_rgb(r.png);
    png_set_bgr(r.png);
    png_set_alpha_mode(r.png, PNG_ALPHA_PNG, PNG_DEFAULT_sRGB);
    png_read_update_info(r.png, r.info);
    const int channels = png_get_channels(r.png, r.info);
    if (channels != 3 && channels != 4)
        return false;
    r.row.resize(png_get_rowbytes(r.png, r.info));
    const int32_t outWidth = static_cast<int32_t>((width + r.factor - 1) / r.factor);
    r.sums.assign(static_cast<size_t>(outWidth) * 3, 0);
    r.counts.assign(static_cast<size_t>(outWidth), 0);
    for (png_uint_32 y = 0; y < height; ++y) {
        png_read_row(r.png, r.row.data(), nullptr);
        const uint8_t* in = r.row.data();
        for (png_uint_32 x = 0; x < width; ++x, in += channels) {
            const size_t o = x / r.factor;
            for (int c = 0; c < 3; ++c)
                r.sums[3 * o + c] += channels == 4 ? ComposeOver(in[c], in[3], r.back[c]) : in[c];
            ++r.counts[o];
        }
        if ((y + 1) % r.factor == 0 || y + 1 == height) {
            uint8_t* out = r.out->Row(static_cast<int32_t>(y / r.factor));
            for (int32_t o = 0; o < outWidth; ++o)
                for (int c = 0; c < 3; ++c)
                    out[3 * o + c] = static_cast<uint8_t>((r.sums[3 * o + c] + r.counts[o] / 2) / r.counts[o]);
            std::fill(r.sums.begin(), r.sums.end(), 0u);
            std::fill(r.counts.begin(), r.counts.end(), 0u);
        }
    }
    return true;
}

}  // namespace

std::optional<Bitmap> DecodePngReduced(const uint8_t* data, size_t size, uint32_t width, uint32_t height,
                                       int factor, uint32_t background) {
    // Interlaced rows come in passes over the whole picture; those are left
    // to the full decode.
    if (factor < 2 || size < 29 || data[28] != 0)
        return std::nullopt;
    Bitmap out(static_cast<int32_t>((width + factor - 1) / factor), static_cast<int32_t>((height + factor - 1) / factor));
    Reduction r;
    r.out = &out;
    r.factor = factor;
    r.reader = {data, size, 0};
    r.back[0] = static_cast<uint8_t>(background >> 16), r.back[1] = static_cast<uint8_t>(background >> 8),
    r.back[2] = static_cast<uint8_t>(background);
    r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, Quiet, Quiet);
    if (r.png == nullptr)
        return std::nullopt;
    r.info = png_create_info_struct(r.png);
    bool read = false;
    try {
        read = r.info != nullptr && ReadReduced(r);
    } catch (...) {  // no memory for a row
        png_destroy_read_struct(&r.png, &r.info, nullptr);
        throw;
    }
    png_destroy_read_struct(&r.png, &r.info, nullptr);
    if (!read)
        return std::nullopt;
    return out;
}

}  // namespace orlscr
