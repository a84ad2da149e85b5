// Fuzz target: the whole picture decode as the slide viewer and mkscr call it
// (JPEG, PNG, GIF, BMP, told apart by content, turned upright by EXIF), and
// the frames of an animated GIF. Any input must either decode to a bitmap
// within the size limit or fail with an Error; nothing is read outside the
// input. Pictures whose header asks for more than 512 x 512 pixels are left
// out: they are slow to fill, and their size checks are the recogniser's,
// fuzzed on their own.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "common/error.h"
#include "picture/decode.h"
#include "picture/gif_animation.h"

namespace {

constexpr size_t kMaxInput = 64 * 1024;
constexpr int64_t kMaxPixels = int64_t{1} << 18;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orlscr;
    if (size > kMaxInput)
        return 0;
    try {
        const PictureInfo info = ExaminePicture(data, size);
        // A GIF's screen of size 0 takes its frame's size, unknown here.
        const int64_t pixels = int64_t{info.width} * info.height;
        if (pixels <= 0 || pixels > kMaxPixels)
            return 0;
    } catch (const Error&) {
    }
    // The last byte picks a target size, so reduced JPEG decodes are fuzzed too.
    DecodeOptions options;
    if (size > 0 && data[size - 1] & 1) {
        options.targetWidth = 1 + data[size - 1] / 8;
        options.targetHeight = 1 + data[size - 1] % 8;
    }
    options.background = 0x204080;
    try {
        const Bitmap bitmap = DecodePictureFile(data, size, options);
        if (bitmap.IsEmpty() || int64_t{bitmap.Width()} * bitmap.Height() > kMaxPicturePixels)
            std::abort();
    } catch (const Error&) {
    }
    // The frames of an animation as the slide viewer plays them, twice round.
    if (IsAnimatedGif(data, size)) {
        try {
            GifAnimation animation(data, size, options.background);
            for (int frames = 0, loops = 0; frames < 64 && loops < 2; ++frames)
                if (!animation.Next()) {
                    animation.Restart();
                    ++loops;
                }
        } catch (const Error&) {
        }
    }
    return 0;
}
