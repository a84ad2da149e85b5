#include "builder/slide_picture_check.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "builder/animation_gif.h"
#include "builder/folder.h"
#include "builder/memory_budget.h"
#include "builder/package_builder.h"
#include "builder/picture_import.h"
#include "common/c_file.h"
#include "common/error.h"
#include "common/read_file.h"
#include "picture/decode.h"
#include "picture/exif.h"
#include "picture/load.h"

namespace orlscr::mkscr {

namespace {

// The whole file, at most what the viewer reads, or a refusal.
std::vector<uint8_t> ReadPicture(const std::string& path, std::string& refusal) {
    try {
        errno = 0;
        const UniqueCFile file(OpenForReading(path));
        if (!file)
            throw CannotOpenFileError(path, errno ? errno : ENOENT);
        return ReadFileBytes(file.get(), path, kMaxPictureFileBytes);
    } catch (const FileReadError& error) {
        refusal = error.Detail();  // the report names the file
        return {};
    }
}

// What the file's extension is when stored under a generated name.
const char* Extension(PictureFormat format) {
    switch (format) {
        case PictureFormat::kJpeg:
            return "jpg";
        case PictureFormat::kBmp:
            return "bmp";
        case PictureFormat::kPng:
            return "png";
        case PictureFormat::kGif:
            return "gif";
        default:
            return "";
    }
}

std::string SizeText(int32_t width, int32_t height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

void Keep(SlidePictureCheck& check, MadePicture made, const std::shared_ptr<ScratchFile>& scratch) {
    std::shared_ptr<ScratchFile> file = scratch ? scratch : std::make_shared<ScratchFile>();
    const int64_t offset = file->Append(made.bytes);
    check.made = ScratchPiece{std::move(file), offset, static_cast<int64_t>(made.bytes.size())};
    check.extension = made.extension;
}

// A picture the viewer shows. A JPEG within the bound is decoded only at the
// smallest scale: that still reads every bit of it, so damage is found.
void CheckShown(SlidePictureCheck& check,
                std::string_view view,
                PictureFormat format,
                const StoreBound& bound,
                const std::shared_ptr<ScratchFile>& scratch) {
    check.extension = Extension(format);
    DecodeOptions options;
    PictureSize upright, fit;
    const bool jpeg = format == PictureFormat::kJpeg;
    if (jpeg) {
        try {
            const PictureInfo info = ExaminePicture(view);
            const bool turned = ReadExif(view).orientation >= 5;
            upright = turned ? PictureSize{info.height, info.width} : PictureSize{info.width, info.height};
            fit = FitWithin(upright.width, upright.height, bound);
        } catch (const Error&) {
            // the decode below says why
        }
        const bool reduce = !(fit == upright);
        options.targetWidth = reduce ? fit.width : 1;
        options.targetHeight = reduce ? fit.height : 1;
    }
    DecodeOutcome outcome = TryDecodePictureFile(view, options);
    check.refusal = outcome.reason;
    check.damage = outcome.damage;
    if (!check.refusal.empty())
        return;
    check.dateTaken = ExifDateTaken(view);
    const Bitmap& bitmap = *outcome.bitmap;
    if (!jpeg) {
        upright = {bitmap.Width(), bitmap.Height()};
        fit = FitWithin(upright.width, upright.height, bound);
    }
    // Animated GIFs keep their frames; a JPEG or PNG within the bound is stored as it is.
    if (format == PictureFormat::kGif || fit == upright)
        return;
    const bool png = !jpeg && HasFewColours(bitmap.Bits(), bitmap.Width(), bitmap.Height(),
                                            static_cast<size_t>(bitmap.Stride()), Bitmap::kBytesPerPixel);
    Keep(check, StoreBitmap(bitmap, fit, png, check.dateTaken), scratch);
    check.change = "reduced " + SizeText(upright.width, upright.height) + " to " + SizeText(fit.width, fit.height);
    if (!jpeg)
        check.change += png ? " as PNG" : " as JPEG";
}

void CheckImported(SlidePictureCheck& check,
                   std::string_view view,
                   ImportFormat format,
                   const StoreBound& bound,
                   const std::shared_ptr<ScratchFile>& scratch) {
    ImportedPicture picture = ImportPicture(view, format);
    check.dateTaken = picture.dateTaken;
    const PictureSize upright{picture.width, picture.height};
    // A reader may give an animated WebP as one frame: the header tells.
    const bool animated = picture.frames > 1 || (format == ImportFormat::kWebp && IsAnimatedWebp(view));
    if (picture.frames > 1) {
        if (std::optional<ConvertedAnimation> animation = ConvertAnimation(view, format, bound)) {
            check.change = std::move(animation->change);
            Keep(check, std::move(animation->made), scratch);
            return;
        }
    }
    MadePicture made = StoreImported(picture, bound);
    check.change =
        std::string("converted ") + ImportFormatName(format) + " to " + (made.extension == "png" ? "PNG" : "JPEG");
    if (!(made.size == upright))
        check.change += ", reduced " + SizeText(upright.width, upright.height) + " to " +
                        SizeText(made.size.width, made.size.height);
    if (animated)
        check.change += ", the first frame of an animation";
    Keep(check, std::move(made), scratch);
}

// About what checking the picture holds at its peak, the file's bytes
// included: the viewer's decoder gives 3 bytes a pixel (a JPEG within the
// bound is decoded at an eighth of each side); the system's libraries hold
// planes of their own besides the 4 bytes a pixel they give (mkscr peaks at
// 435 MB for one 8000x6000 HEIC photo, about 9 bytes a pixel); an animation holds the decoder's two
// canvases, the frame and its copies (one handed to the converting thread),
// and the GIF. Then the picture made, at most the bound's size.
int64_t PeakMemory(std::string_view view, PictureFormat format, ImportFormat imported, const StoreBound& bound) {
    const int64_t file = static_cast<int64_t>(view.size());
    int64_t width = 0, height = 0, perPixel = 4;
    if (imported != ImportFormat::kNone) {
        const std::optional<ImportedSize> size = ReadImportedSize(view, imported);
        if (!size)
            return file * 40;  // not known before decoding: as a HEIC photo of the file's size
        width = size->width, height = size->height;
        if (size->animated)
            return file + width * height * 28 + static_cast<int64_t>(kMaxAnimationGifBytes);
        perPixel = 9;
    } else {
        try {
            const PictureInfo info = ExaminePicture(view);
            width = info.width, height = info.height;
        } catch (const Error&) {
            return file;  // refused without decoding much
        }
    }
    const PictureSize fit = FitWithin(static_cast<int32_t>(width), static_cast<int32_t>(height), bound);
    if (format == PictureFormat::kJpeg && fit.width == width && fit.height == height)
        return file + width * height * 3 / 64;
    return file + width * height * perPixel + int64_t{fit.width} * fit.height * 4;
}

}  // namespace

SlidePictureCheck CheckSlidePicture(const std::string& path,
                                    const StoreBound& bound,
                                    const std::shared_ptr<ScratchFile>& scratch) {
    SlidePictureCheck check;
    const std::vector<uint8_t> bytes = ReadPicture(path, check.refusal);
    if (!check.refusal.empty())
        return check;
    check.fileBytes = static_cast<int64_t>(bytes.size());
    const std::string_view view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    const PictureFormat format = RecognisePicture(view);
    const ImportFormat imported =
        format == PictureFormat::kUnknown ? RecogniseImportFormat(view, BaseName(path)) : ImportFormat::kNone;
    try {
        const MemoryBudget::Lease memory = PictureMemoryBudget().Reserve(PeakMemory(view, format, imported, bound));
        if (imported != ImportFormat::kNone)
            CheckImported(check, view, imported, bound, scratch);
        else
            CheckShown(check, view, format, bound, scratch);
    } catch (const std::bad_alloc&) {
        check = SlidePictureCheck{};
        check.refusal = "not enough memory for the picture";
    } catch (const Error& error) {
        check = SlidePictureCheck{};
        check.refusal = error.what();
    }
    return check;
}

}  // namespace orlscr::mkscr
