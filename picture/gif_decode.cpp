// The first frame of a GIF file, placed on its logical screen.

#include "common/error.h"
#include "picture/decode.h"
#include "picture/gif_animation.h"

namespace orlscr {

Bitmap DecodeGif(const uint8_t* data, size_t size, const DecodeOptions& options) {
    GifAnimation animation(data, size, options.background);
    animation.Next();
    // Only the first frame is shown here, so the rest is read only to find damage.
    if (options.damage)
        *options.damage = animation.DamageInRest();
    return animation.TakeCanvas();
}

}  // namespace orlscr
