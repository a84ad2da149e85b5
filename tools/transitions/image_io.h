#pragma once

#include <memory>
#include <string>
#include <vector>

#include "transition/bitmap.h"

namespace orlscr::tool {

// Reads a BMP, JPEG or PNG picture file (chosen by content). Throws Error.
Bitmap ReadPicture(const std::string& path);

// Writes a PNG or BMP file, chosen by the extension of `path` (".png",
// ".bmp", any case). The file appears complete or not at all. Throws Error.
void WritePicture(const std::string& path, const Bitmap& bitmap);

// Writes an animated GIF of width x height frames, `delayMs` apart, looping,
// one frame at a time, so a long run never has to be held in memory. The file
// appears at Commit, complete; a writer dropped before that leaves nothing.
// Throws Error.
class GifWriter {
  public:
    GifWriter(const std::string& path, int32_t width, int32_t height, int delayMs);
    ~GifWriter();
    GifWriter(const GifWriter&) = delete;
    GifWriter& operator=(const GifWriter&) = delete;

    void Add(const Bitmap& frame);
    void Commit();

  private:
    struct State;
    [[noreturn]] void Fail(const char* what);

    std::string path_;
    std::unique_ptr<State> state_;
};

// Lower-case extension of a path with its dot (".png"), or "".
std::string Extension(const std::string& path);

}  // namespace orlscr::tool
