// JPEG files into bitmaps through libjpeg, at a reduced scale when the picture
// is larger than it will be shown.

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>

#include <jpeglib.h>
#include <jerror.h>

#include "common/error.h"
#include "picture/decode.h"
#include "picture/exif.h"

namespace orlscr {

namespace {

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    char warning[JMSG_LENGTH_MAX];  // the first warning, empty without one
};

extern "C" void JpegErrorExit(j_common_ptr cinfo) {
    auto* error = reinterpret_cast<JpegError*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, error->message);
    std::longjmp(error->jump, 1);
}

// Warnings (premature end of data, corrupt data) do not stop the decode: what
// could be decoded is shown, the rest grey. The first is kept for the caller
// who asks whether the file is damaged; trace messages are dropped.
extern "C" void JpegEmitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0)
        return;
    auto* error = reinterpret_cast<JpegError*>(cinfo->err);
    if (cinfo->err->num_warnings++ == 0)
        (*cinfo->err->format_message)(cinfo, error->warning);
}

// Why a decode stopped before it produced a bitmap.
enum class JpegFailure { kNone, kDamaged, kTooLarge, kPrecision };

// The smallest of libjpeg's scales n/8 whose output covers the target in both
// directions, or the full size without a target; in both cases no larger than
// the size limit allows. `cinfo` holds the header; its output size is left at
// the chosen scale.
void ChooseScale(jpeg_decompress_struct* cinfo, int32_t targetWidth, int32_t targetHeight) {
    const bool hasTarget = targetWidth > 0 && targetHeight > 0;
    for (unsigned n = 1; n <= 8; ++n) {
        cinfo->scale_num = n;
        cinfo->scale_denom = 8;
        jpeg_calc_output_dimensions(cinfo);
        const int64_t w = cinfo->output_width, h = cinfo->output_height;
        if (w * h > kMaxPicturePixels) {
            if (n > 1) {  // the largest scale within the limit
                cinfo->scale_num = n - 1;
                jpeg_calc_output_dimensions(cinfo);
            }
            return;
        }
        if (hasTarget && w >= targetWidth && h >= targetHeight)
            return;
    }
}

// The libjpeg part, kept free of objects with destructors so that the jump
// back from the error handler skips nothing.
JpegFailure DecodeJpegInto(const uint8_t* data,
                           size_t size,
                           int32_t targetWidth,
                           int32_t targetHeight,
                           Bitmap* bitmap,
                           JpegError* error) {
    jpeg_decompress_struct cinfo;
    cinfo.err = jpeg_std_error(&error->manager);
    error->manager.error_exit = JpegErrorExit;
    error->manager.emit_message = JpegEmitMessage;
    if (setjmp(error->jump)) {
        const bool precision = error->manager.msg_code == JERR_BAD_PRECISION;
        jpeg_destroy_decompress(&cinfo);
        return precision ? JpegFailure::kPrecision : JpegFailure::kDamaged;
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
    ChooseScale(&cinfo, targetWidth, targetHeight);
    if (int64_t{cinfo.output_width} * cinfo.output_height > kMaxPicturePixels) {
        jpeg_destroy_decompress(&cinfo);
        return JpegFailure::kTooLarge;
    }
    jpeg_start_decompress(&cinfo);
    const int components = cinfo.output_components;
    const int32_t width = static_cast<int32_t>(cinfo.output_width);
    // Every row is written below (its padding too), so nothing is cleared first.
    bitmap->ResizeForOverwrite(width, static_cast<int32_t>(cinfo.output_height));
    const size_t padding = static_cast<size_t>(bitmap->Stride()) - static_cast<size_t>(width) * 3;
    JSAMPARRAY line = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                 static_cast<JDIMENSION>(width * components), 1);
    const bool invertedCmyk = cinfo.saw_Adobe_marker;
    while (cinfo.output_scanline < cinfo.output_height) {
        const int32_t y = static_cast<int32_t>(cinfo.output_scanline);
        jpeg_read_scanlines(&cinfo, line, 1);
        const uint8_t* src = line[0];
        uint8_t* dst = bitmap->Row(y);
        std::memset(dst + static_cast<size_t>(width) * 3, 0, padding);
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
    return JpegFailure::kNone;
}

}  // namespace

bool IsJpeg(const uint8_t* data, size_t size) {
    return size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

Bitmap DecodeJpeg(const uint8_t* data, size_t size, const DecodeOptions& options) {
    if (!IsJpeg(data, size))
        throw Error("The file is not a JPEG picture");
    // The frame header tells an unsupported kind (12-bit, lossless) from a
    // damaged file before libjpeg is asked.
    ExaminePicture(data, size);
    Bitmap bitmap;
    JpegError error{};
    switch (DecodeJpegInto(data, size, options.targetWidth, options.targetHeight, &bitmap, &error)) {
        case JpegFailure::kNone:
            if (options.damage && error.warning[0])
                *options.damage = std::string("The JPEG picture is damaged: ") + error.warning;
            return bitmap;
        case JpegFailure::kTooLarge:
            throw Error(kPictureTooLarge);
        case JpegFailure::kPrecision:
            throw Error(std::to_string(error.manager.msg_parm.i[0]) + "-bit JPEG is not supported");
        case JpegFailure::kDamaged:
            break;
    }
    throw Error(std::string("The JPEG picture is damaged: ") + error.message);
}

}  // namespace orlscr
