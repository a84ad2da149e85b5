#include <cstdio>
#include <memory>

#include "common/c_file.h"
#include "common/error.h"
#include "picture/gif_encode.h"
#include "tools/transitions/image_io.h"

namespace orlscr::tool {

struct GifWriter::State {
    AtomicOutput out;
    UniqueCFile file;
    std::unique_ptr<GifEncoder> gif;
    int delayMs = 0;

    explicit State(const std::string& path) : out(path) {}
};

GifWriter::GifWriter(const std::string& path, int32_t width, int32_t height, int delayMs)
    : AnimationWriter(path), state_(std::make_unique<State>(path)) {
    // The format keeps sizes in 16 bits.
    if (width > 0xFFFF || height > 0xFFFF)
        throw Error("Cannot write " + path + ": a GIF picture is at most 65535 pixels wide and high");
    State& s = *state_;
    s.delayMs = delayMs;
    s.file.reset(std::fopen(s.out.TempPath().c_str(), "wb"));
    if (!s.file)
        throw Error("Cannot create file " + path);
    std::FILE* file = s.file.get();
    const auto sink = [file, path](const uint8_t* bytes, size_t size) {
        if (std::fwrite(bytes, 1, size, file) != size)
            throw Error("Cannot write file " + path);
    };
    s.gif = std::make_unique<GifEncoder>(sink, width, height, 0);  // loops for ever
}

GifWriter::~GifWriter() = default;

void GifWriter::Add(const Bitmap& frame) {
    State& s = *state_;
    if (!s.gif)
        Fail("frame");
    s.gif->Add(frame, s.delayMs);
}

void GifWriter::Commit() {
    State& s = *state_;
    if (!s.gif)
        Fail("closed");
    s.gif->Finish();
    s.gif.reset();
    const bool written = std::fflush(s.file.get()) == 0 && !std::ferror(s.file.get());
    s.file.reset();
    if (!written)
        throw Error("Cannot write file " + Path());
    s.out.Commit();
}

}  // namespace orlscr::tool
