#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "raster/bitmap.h"

namespace orlscr {

struct PaletteColour {
    uint8_t red = 0, green = 0, blue = 0;
    friend bool operator==(const PaletteColour&, const PaletteColour&) = default;
};

// A picture in at most 256 colours. Always holds palette.size() <= 256,
// indexes.size() == width * height (rows top-down, no padding) and every
// index < palette.size(), except that a picture with no pixel shown (see
// QuantiseColours) has no palette and every index 0.
struct PalettedPicture {
    std::vector<PaletteColour> palette;
    std::vector<uint8_t> indexes;
};

// A palette of the picture's own and its pixels mapped to it. A picture of at
// most `maxColours` colours keeps them exactly. Otherwise the palette comes
// from median cut over the picture's colours (a histogram of 6 bits a
// channel, each cell at the mean of its pixels), refined by a few k-means
// rounds, and the pixels are dithered to it by error diffusion
// (Floyd-Steinberg, serpentine, each pixel's exact nearest colour), so smooth
// shades keep their mean. maxColours is 1..256.
//
// `shown`, when given, holds one flag a pixel (width * height, rows top-down):
// only pixels flagged non-zero count for the palette and take part in the
// diffusion; the others (transparent ones) get index 0.
PalettedPicture QuantiseColours(const Bitmap& picture, size_t maxColours = 256, const uint8_t* shown = nullptr);

}  // namespace orlscr
