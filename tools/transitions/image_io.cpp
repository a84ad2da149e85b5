#include "tools/transitions/image_io.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "common/error.h"
#include "common/read_file.h"
#include "common/text.h"
#include "picture/decode.h"

namespace orlscr::tool {

namespace {

// The largest picture the tool reads, as much as the slide viewer reads.
constexpr uint64_t kMaxPictureFileBytes = uint64_t{256} << 20;

}  // namespace

std::string Extension(const std::string& path) {
    const std::string name = std::filesystem::path(path).filename().string();
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : LowerAscii(name.substr(dot));
}

Bitmap ReadPicture(const std::string& path) {
    const std::vector<uint8_t> bytes = ReadFileBytes(path, kMaxPictureFileBytes);
    try {
        // The slide viewer's decoder: every kind it shows, upright.
        return DecodePictureFile(bytes.data(), bytes.size());
    } catch (const Error& error) {
        throw Error(path + ": " + error.what());
    }
}

void WritePicture(const std::string& path, const Bitmap& bitmap) {
    const std::string extension = Extension(path);
    if (extension == ".bmp") {
        WriteBytes(path, EncodeBmp(bitmap));
        return;
    }
    if (extension != ".png")
        throw Error("Cannot write " + path + ": the output must end in .png or .bmp");
    AtomicOutput out(path);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(bitmap.Width());
    image.height = static_cast<png_uint_32>(bitmap.Height());
    image.format = PNG_FORMAT_BGR;
    if (!png_image_write_to_file(&image, out.TempPath().c_str(), 0, bitmap.Bits(), bitmap.Stride(), nullptr))
        throw Error("Cannot write file " + path + ": " + image.message);
    out.Commit();
}

AtomicOutput::AtomicOutput(const std::string& path) : path_(path), temp_(path + ".part") {}

AtomicOutput::~AtomicOutput() {
    if (!committed_) {
        std::error_code ignored;
        std::filesystem::remove(temp_, ignored);
    }
}

void AtomicOutput::Commit() {
    std::error_code error;
    std::filesystem::rename(temp_, path_, error);
    if (error)
        throw Error("Cannot create file " + path_);
    committed_ = true;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    AtomicOutput out(path);
    {
        std::ofstream file(out.TempPath(), std::ios::binary | std::ios::trunc);
        if (!file)
            throw Error("Cannot create file " + path);
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        file.close();
        if (!file)
            throw Error("Cannot write file " + path);
    }
    out.Commit();
}

void AnimationWriter::Fail(const char* what) const {
    throw Error("Cannot write file " + path_ + ": " + what);
}

bool IsAnimationPath(const std::string& path) {
    const std::string extension = Extension(path);
    return extension == ".gif" || extension == ".webp";
}

std::unique_ptr<AnimationWriter> OpenAnimation(const std::string& path, int32_t width, int32_t height, int delayMs) {
    if (Extension(path) == ".webp")
        return std::make_unique<WebpWriter>(path, width, height, delayMs);
    if (Extension(path) == ".gif")
        return std::make_unique<GifWriter>(path, width, height, delayMs);
    throw Error("Cannot write " + path + ": an animation must end in .gif or .webp");
}

}  // namespace orlscr::tool
