#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "raster/bitmap.h"

namespace orlscr::tool {

// Reads a picture file of any kind the slide viewer shows (JPEG, PNG, GIF,
// BMP, chosen by content), turned upright as its EXIF orientation says.
// Throws Error.
Bitmap ReadPicture(const std::string& path);

// Writes a PNG or BMP file, chosen by the extension of `path` (".png",
// ".bmp", any case). The file appears complete or not at all. Throws Error.
void WritePicture(const std::string& path, const Bitmap& bitmap);

// Writes a file through a temporary file beside it ("PATH.part"), renamed to
// PATH at Commit; dropped before that, it leaves nothing.
class AtomicOutput {
  public:
    explicit AtomicOutput(const std::string& path);
    ~AtomicOutput();
    AtomicOutput(const AtomicOutput&) = delete;
    AtomicOutput& operator=(const AtomicOutput&) = delete;

    const std::string& TempPath() const { return temp_; }
    void Commit();

  private:
    std::string path_;
    std::string temp_;
    bool committed_ = false;
};

// Writes the bytes to `path` through an AtomicOutput.
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// An animation of equally sized frames, shown `delayMs` apart, looping for
// ever, written one frame at a time. The file appears at Commit, complete; a
// writer dropped before that leaves nothing. Throws Error.
class AnimationWriter {
  public:
    explicit AnimationWriter(const std::string& path) : path_(path) {}
    virtual ~AnimationWriter() = default;
    AnimationWriter(const AnimationWriter&) = delete;
    AnimationWriter& operator=(const AnimationWriter&) = delete;

    virtual void Add(const Bitmap& frame) = 0;
    virtual void Commit() = 0;

  protected:
    const std::string& Path() const { return path_; }
    // Throws "Cannot write file PATH: what".
    [[noreturn]] void Fail(const char* what) const;

  private:
    std::string path_;
};

// An animated GIF: every frame gets a palette of its own, chosen for its
// colours, and is dithered with error diffusion to it. Frames are encoded as
// they come, so a long run never has to be held in memory.
class GifWriter : public AnimationWriter {
  public:
    GifWriter(const std::string& path, int32_t width, int32_t height, int delayMs);
    ~GifWriter() override;

    void Add(const Bitmap& frame) override;
    void Commit() override;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// An animated WebP in full colour: every frame lossless, so it decodes back
// to exactly the frames given.
class WebpWriter : public AnimationWriter {
  public:
    WebpWriter(const std::string& path, int32_t width, int32_t height, int delayMs);
    ~WebpWriter() override;

    void Add(const Bitmap& frame) override;
    void Commit() override;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// True for the extensions an animation can be written as (".gif", ".webp").
bool IsAnimationPath(const std::string& path);

// The writer the extension of `path` names: GIF or WebP.
std::unique_ptr<AnimationWriter> OpenAnimation(const std::string& path, int32_t width, int32_t height, int delayMs);

// Lower-case extension of a path with its dot (".png"), or "".
std::string Extension(const std::string& path);

}  // namespace orlscr::tool
