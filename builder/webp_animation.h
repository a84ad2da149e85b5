#pragma once

#include <functional>
#include <string_view>

#include "builder/picture_import.h"

namespace orlscr::mkscr {

// Animated WebP files composed from their own container (builder/webp_container.h)
// with a decoder of still WebP pictures, for systems whose WebP reader gives
// no frames: each frame's data is decoded as a still picture of its own and
// drawn onto the canvas as the container says.

// Decodes a still WebP file (as StillWebp makes it) into the width, height
// and rgba of an ImportedPicture, nothing turned; throws Error when it cannot.
using WebpStillDecoder = std::function<ImportedPicture(std::string_view still)>;

// Gives every frame of an animated WebP to the receiver as ImportAnimation
// does: the canvas starts transparent; a frame is alpha-blended over it or
// replaces its rectangle, and a frame marked so is cleared back to
// transparent when its time is over (the file's background colour is a hint
// that viewers leave aside); the canvas is then turned upright as its EXIF
// data says. False for a still WebP, the receiver not called. Throws Error as
// ReadWebpContainer, and "The WebP picture is damaged: frame N is not the
// size its header gives"; the decoder's errors pass through.
bool ComposeWebpAnimation(std::string_view bytes, const WebpStillDecoder& decode, const AnimationReceiver& receiver);

// The first frame of an animated WebP composed as above, with the number of
// frames, the EXIF date, whether it is lossless data and has alpha; none for
// a still WebP.
std::optional<ImportedPicture> FirstWebpFrame(std::string_view bytes, const WebpStillDecoder& decode);

}  // namespace orlscr::mkscr
