// Bitmaps into JPEG files through libjpeg: the builder's preview pictures.

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <jpeglib.h>

#include "common/error.h"
#include "picture/decode.h"

namespace orlscr {

namespace {

struct EncodeError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

extern "C" void EncodeErrorExit(j_common_ptr cinfo) {
    auto* error = reinterpret_cast<EncodeError*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, error->message);
    std::longjmp(error->jump, 1);
}

// The libjpeg part, free of objects with destructors (see DecodeJpegInto).
// `out` and `outSize` receive memory of libjpeg's, freed by the caller.
bool EncodeJpegInto(const Bitmap& bitmap,
                    int quality,
                    unsigned char** out,
                    unsigned long* outSize,
                    EncodeError* error) {
    jpeg_compress_struct cinfo;
    cinfo.err = jpeg_std_error(&error->manager);
    error->manager.error_exit = EncodeErrorExit;
    if (setjmp(error->jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, out, outSize);
    cinfo.image_width = static_cast<JDIMENSION>(bitmap.Width());
    cinfo.image_height = static_cast<JDIMENSION>(bitmap.Height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    JSAMPARRAY line =
        (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, cinfo.image_width * 3, 1);
    while (cinfo.next_scanline < cinfo.image_height) {
        const uint8_t* src = bitmap.Row(static_cast<int32_t>(cinfo.next_scanline));
        for (JDIMENSION x = 0; x < cinfo.image_width; ++x) {  // blue, green, red into red, green, blue
            line[0][3 * x] = src[3 * x + 2];
            line[0][3 * x + 1] = src[3 * x + 1];
            line[0][3 * x + 2] = src[3 * x];
        }
        jpeg_write_scanlines(&cinfo, line, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

}  // namespace

std::vector<uint8_t> EncodeJpegFile(const Bitmap& bitmap, int quality) {
    if (bitmap.Width() <= 0 || bitmap.Height() <= 0)
        throw Error("an empty picture cannot be written as JPEG");
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    EncodeError error{};
    const bool written = EncodeJpegInto(bitmap, quality, &out, &outSize, &error);
    std::vector<uint8_t> bytes;
    if (written)
        bytes.assign(out, out + outSize);
    std::free(out);
    if (!written)
        throw Error(std::string("cannot write the JPEG picture: ") + error.message);
    return bytes;
}

}  // namespace orlscr
