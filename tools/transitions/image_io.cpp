#include "tools/transitions/image_io.h"

#include <gif_lib.h>
#include <png.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "common/error.h"
#include "common/text.h"
#include "picture/decode.h"

namespace orlscr::tool {

namespace {

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw Error("Cannot open file " + path);
    std::vector<uint8_t> bytes;
    try {
        // The stream buffer throws when the read itself fails (a folder, for one).
        bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    } catch (const std::ios_base::failure&) {
        throw Error("Cannot read file " + path);
    }
    if (file.bad())
        throw Error("Cannot read file " + path);
    return bytes;
}

bool IsPng(const std::vector<uint8_t>& bytes) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 13, 10, 26, 10};
    return bytes.size() >= 8 && std::memcmp(bytes.data(), kSignature, 8) == 0;
}

Bitmap DecodePng(const std::vector<uint8_t>& bytes, const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
        throw Error(path + ": the PNG picture is damaged: " + image.message);
    if (static_cast<int64_t>(image.width) * image.height > kMaxPicturePixels) {
        png_image_free(&image);
        throw Error(path + ": the picture is too large");
    }
    image.format = PNG_FORMAT_BGR;
    Bitmap bitmap(static_cast<int32_t>(image.width), static_cast<int32_t>(image.height));
    // Transparent pixels are composed over black.
    const png_color black{0, 0, 0};
    if (!png_image_finish_read(&image, &black, bitmap.Bits(), bitmap.Stride(), nullptr))
        throw Error(path + ": the PNG picture is damaged: " + image.message);
    return bitmap;
}

// Writes through a temporary file beside the target, renamed at the end.
class AtomicOutput {
  public:
    explicit AtomicOutput(const std::string& path) : path_(path), temp_(path + ".part") {}
    ~AtomicOutput() {
        if (!committed_) {
            std::error_code ignored;
            std::filesystem::remove(temp_, ignored);
        }
    }
    const std::string& TempPath() const { return temp_; }
    void Commit() {
        std::error_code error;
        std::filesystem::rename(temp_, path_, error);
        if (error)
            throw Error("Cannot create file " + path_);
        committed_ = true;
    }

  private:
    std::string path_;
    std::string temp_;
    bool committed_ = false;
};

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

// The GIF palette: 6 levels of red, 7 of green, 6 of blue.
constexpr int kRed = 6, kGreen = 7, kBlue = 6;

inline int Level(uint8_t value, int levels) {
    return (value * (levels - 1) + 127) / 255;
}

}  // namespace

std::string Extension(const std::string& path) {
    const std::string name = std::filesystem::path(path).filename().string();
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : LowerAscii(name.substr(dot));
}

Bitmap ReadPicture(const std::string& path) {
    const std::vector<uint8_t> bytes = ReadFile(path);
    if (IsPng(bytes))
        return DecodePng(bytes, path);
    try {
        return DecodePicture(bytes);
    } catch (const Error& error) {
        if (!IsJpeg(bytes.data(), bytes.size()) && !IsBmp(bytes.data(), bytes.size()))
            throw Error(path + ": not a BMP, PNG or JPEG picture");
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

struct GifWriter::State {
    AtomicOutput out;
    GifFileType* gif = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int delayMs = 0;
    std::vector<GifByteType> line;

    explicit State(const std::string& path) : out(path) {}
    ~State() {
        if (gif) {
            int ignored = 0;
            EGifCloseFile(gif, &ignored);
        }
    }
};

GifWriter::GifWriter(const std::string& path, int32_t width, int32_t height, int delayMs)
    : path_(path), state_(std::make_unique<State>(path)) {
    // The format keeps sizes in 16 bits.
    if (width > 0xFFFF || height > 0xFFFF)
        throw Error("Cannot write " + path + ": a GIF picture is at most 65535 pixels wide and high");
    State& s = *state_;
    s.width = width;
    s.height = height;
    s.delayMs = delayMs;
    s.line.resize(static_cast<size_t>(width));
    // Created as any other file of the user (giflib's own open makes it private).
    const int handle = ::open(s.out.TempPath().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (handle < 0)
        throw Error("Cannot create file " + path);
    int error = 0;
    s.gif = EGifOpenFileHandle(handle, &error);
    if (!s.gif) {
        ::close(handle);
        throw Error("Cannot create file " + path);
    }
    GifColorType colours[256] = {};
    for (int r = 0; r < kRed; ++r)
        for (int g = 0; g < kGreen; ++g)
            for (int b = 0; b < kBlue; ++b) {
                GifColorType& c = colours[(r * kGreen + g) * kBlue + b];
                c.Red = static_cast<GifByteType>(r * 255 / (kRed - 1));
                c.Green = static_cast<GifByteType>(g * 255 / (kGreen - 1));
                c.Blue = static_cast<GifByteType>(b * 255 / (kBlue - 1));
            }
    ColorMapObject* map = GifMakeMapObject(256, colours);
    EGifSetGifVersion(s.gif, true);
    const int described = EGifPutScreenDesc(s.gif, width, height, 8, 0, map);
    GifFreeMapObject(map);
    if (described == GIF_ERROR)
        Fail("screen");
    // Loop for ever.
    const GifByteType netscape[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    const GifByteType loop[] = {1, 0, 0};
    if (EGifPutExtensionLeader(s.gif, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
        EGifPutExtensionBlock(s.gif, sizeof netscape, netscape) == GIF_ERROR ||
        EGifPutExtensionBlock(s.gif, sizeof loop, loop) == GIF_ERROR || EGifPutExtensionTrailer(s.gif) == GIF_ERROR)
        Fail("loop");
}

GifWriter::~GifWriter() = default;

void GifWriter::Fail(const char* what) {
    throw Error("Cannot write file " + path_ + ": " + what);
}

void GifWriter::Add(const Bitmap& frame) {
    State& s = *state_;
    if (!s.gif || frame.Width() != s.width || frame.Height() != s.height)
        Fail("frame");
    GraphicsControlBlock control{};
    control.DelayTime = (s.delayMs + 5) / 10;
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType extension[4];
    const size_t length = EGifGCBToExtension(&control, extension);
    if (EGifPutExtension(s.gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) == GIF_ERROR ||
        EGifPutImageDesc(s.gif, 0, 0, s.width, s.height, false, nullptr) == GIF_ERROR)
        Fail("frame");
    for (int32_t y = 0; y < s.height; ++y) {
        const uint8_t* p = frame.Row(y);
        for (int32_t x = 0; x < s.width; ++x, p += 3)
            s.line[x] = static_cast<GifByteType>((Level(p[2], kRed) * kGreen + Level(p[1], kGreen)) * kBlue +
                                                 Level(p[0], kBlue));
        if (EGifPutLine(s.gif, s.line.data(), s.width) == GIF_ERROR)
            Fail("pixels");
    }
}

void GifWriter::Commit() {
    State& s = *state_;
    if (!s.gif)
        Fail("closed");
    int error = 0;
    GifFileType* gif = s.gif;
    s.gif = nullptr;
    if (EGifCloseFile(gif, &error) == GIF_ERROR)
        throw Error("Cannot write file " + path_);
    s.out.Commit();
}

}  // namespace orlscr::tool
