// A large PNG read row by row and reduced by a whole factor on the way, so a
// picture many times the size it is shown at never lies in memory at full size.

#include "picture/png_reduce.h"

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <vector>

#include <png.h>

#include "picture/alpha.h"
#include "picture/box_reduce.h"

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
    std::vector<uint8_t> composed;  // a row of blue, green, red
    BoxReducer* reducer = nullptr;
    uint8_t back[3] = {0, 0, 0};  // blue, green, red
};

// Reads every row into the reducer; false when libpng reports an error.
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
    r.composed.resize(size_t{width} * 3);
    for (png_uint_32 y = 0; y < height; ++y) {
        png_read_row(r.png, r.row.data(), nullptr);
        const uint8_t* row = r.row.data();
        if (channels == 4) {
            const uint8_t* in = row;
            uint8_t* out = r.composed.data();
            for (png_uint_32 x = 0; x < width; ++x, in += 4, out += 3)
                for (int c = 0; c < 3; ++c)
                    out[c] = ComposeOver(in[c], in[3], r.back[c]);
            row = r.composed.data();
        }
        r.reducer->AddRow(row);
    }
    return true;
}

}  // namespace

std::optional<Bitmap> DecodePngReduced(const uint8_t* data,
                                       size_t size,
                                       uint32_t width,
                                       uint32_t height,
                                       int factor,
                                       uint32_t background) {
    // Interlaced rows come in passes over the whole picture; those are left
    // to the full decode.
    if (factor < 2 || size < 29 || data[28] != 0)
        return std::nullopt;
    BoxReducer reducer(static_cast<int32_t>(width), static_cast<int32_t>(height), factor);
    Reduction r;
    r.reducer = &reducer;
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
    return reducer.Take();
}

}  // namespace orlscr
