#include "raster/colour_quantiser.h"

#include <algorithm>
#include <array>
#include <limits>

namespace orlscr {

namespace {

constexpr int kRounds = 3;  // k-means rounds after the median cut

// One distinct colour of the picture and how many pixels have it.
struct Shade {
    std::array<uint8_t, 3> rgb;
    uint32_t count;
};

uint32_t Key(const uint8_t* bgr) {
    return static_cast<uint32_t>(bgr[2]) << 16 | static_cast<uint32_t>(bgr[1]) << 8 | bgr[0];
}

uint32_t Key(const Shade& s) {
    return static_cast<uint32_t>(s.rgb[0]) << 16 | static_cast<uint32_t>(s.rgb[1]) << 8 | s.rgb[2];
}

bool Shown(const uint8_t* shown, const Bitmap& picture, int32_t x, int32_t y) {
    return !shown || shown[static_cast<size_t>(y) * picture.Width() + x] != 0;
}

// The distinct colours of the shown pixels, ordered by key.
std::vector<Shade> Shades(const Bitmap& picture, const uint8_t* shown) {
    std::vector<uint32_t> keys;
    keys.reserve(static_cast<size_t>(picture.Width()) * picture.Height());
    for (int32_t y = 0; y < picture.Height(); ++y) {
        const uint8_t* p = picture.Row(y);
        for (int32_t x = 0; x < picture.Width(); ++x, p += 3)
            if (Shown(shown, picture, x, y))
                keys.push_back(Key(p));
    }
    std::sort(keys.begin(), keys.end());
    std::vector<Shade> shades;
    for (size_t i = 0; i < keys.size();) {
        size_t j = i;
        while (j < keys.size() && keys[j] == keys[i])
            ++j;
        shades.push_back(Shade{
            {static_cast<uint8_t>(keys[i] >> 16), static_cast<uint8_t>(keys[i] >> 8), static_cast<uint8_t>(keys[i])},
            static_cast<uint32_t>(j - i)});
        i = j;
    }
    return shades;
}

// A run of shades [begin, end) with its count-weighted moments.
struct Box {
    size_t begin, end;
    double count = 0;
    std::array<double, 3> sum{}, squares{};

    Box(const std::vector<Shade>& shades, size_t b, size_t e) : begin(b), end(e) {
        for (size_t i = b; i < e; ++i)
            for (int c = 0; c < 3; ++c) {
                const double v = shades[i].rgb[c];
                sum[c] += shades[i].count * v;
                squares[c] += shades[i].count * v * v;
            }
        for (size_t i = b; i < e; ++i)
            count += shades[i].count;
    }
    double Spread(int c) const { return squares[c] - sum[c] * sum[c] / count; }
    double Error() const { return Spread(0) + Spread(1) + Spread(2); }
    int WidestAxis() const {
        int axis = 0;
        for (int c = 1; c < 3; ++c)
            if (Spread(c) > Spread(axis))
                axis = c;
        return axis;
    }
    PaletteColour Mean() const {
        auto mean = [&](int c) { return static_cast<uint8_t>(std::clamp(sum[c] / count + 0.5, 0.0, 255.0)); };
        return PaletteColour{mean(0), mean(1), mean(2)};
    }
};

// Median cut: the box with the largest squared error is split across its
// widest channel at its mean, until there are `wanted` boxes or none can be
// split. Reorders `shades`.
std::vector<PaletteColour> MedianCut(std::vector<Shade>& shades, size_t wanted) {
    std::vector<Box> boxes{Box(shades, 0, shades.size())};
    while (boxes.size() < wanted) {
        auto widest = std::max_element(boxes.begin(), boxes.end(),
                                       [](const Box& a, const Box& b) { return a.Error() < b.Error(); });
        if (widest->end - widest->begin < 2 || widest->Error() <= 0)
            break;
        const int axis = widest->WidestAxis();
        const double mean = widest->sum[axis] / widest->count;
        const auto middle = std::partition(shades.begin() + widest->begin, shades.begin() + widest->end,
                                           [&](const Shade& s) { return s.rgb[axis] <= mean; });
        size_t split = static_cast<size_t>(middle - shades.begin());
        const size_t begin = widest->begin, end = widest->end;
        if (split == begin || split == end) {  // only by rounding: halve the run instead
            split = begin + (end - begin) / 2;
            std::nth_element(shades.begin() + begin, shades.begin() + split, shades.begin() + end,
                             [&](const Shade& a, const Shade& b) { return a.rgb[axis] < b.rgb[axis]; });
        }
        *widest = Box(shades, begin, split);
        boxes.push_back(Box(shades, split, end));
    }
    std::vector<PaletteColour> palette;
    for (const Box& box : boxes)
        palette.push_back(box.Mean());
    return palette;
}

// The nearest palette colour (squared distance) to any colour: the palette
// sorted by green, searched outwards from the query's green until no closer
// entry can follow.
class NearestColour {
  public:
    explicit NearestColour(const std::vector<PaletteColour>& palette) {
        for (size_t i = 0; i < palette.size(); ++i)
            entries_.push_back(Entry{palette[i].green, palette[i].red, palette[i].blue, static_cast<uint8_t>(i)});
        std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) { return a.g < b.g; });
    }

    uint8_t operator()(int r, int g, int b) const {
        const auto start = std::lower_bound(entries_.begin(), entries_.end(), g,
                                            [](const Entry& e, int value) { return e.g < value; });
        int best = std::numeric_limits<int>::max();
        uint8_t index = 0;
        auto consider = [&](const Entry& e) {
            const int dg = e.g - g;
            if (dg * dg >= best)
                return false;
            const int dr = e.r - r, db = e.b - b;
            const int distance = dr * dr + dg * dg + db * db;
            if (distance < best) {
                best = distance;
                index = e.index;
            }
            return true;
        };
        for (auto it = start; it != entries_.end() && consider(*it); ++it) {
        }
        for (auto it = start; it != entries_.begin() && consider(*(it - 1)); --it) {
        }
        return index;
    }

  private:
    struct Entry {
        int g, r, b;
        uint8_t index;
    };
    std::vector<Entry> entries_;
};

// Lloyd's rounds over the shades: each palette colour moves to the mean of
// the shades nearest to it; a colour no shade is nearest to stays.
void Refine(const std::vector<Shade>& shades, std::vector<PaletteColour>& palette) {
    for (int round = 0; round < kRounds; ++round) {
        const NearestColour nearest(palette);
        std::vector<std::array<double, 4>> sums(palette.size(), std::array<double, 4>{});
        for (const Shade& s : shades) {
            auto& sum = sums[nearest(s.rgb[0], s.rgb[1], s.rgb[2])];
            for (int c = 0; c < 3; ++c)
                sum[c] += static_cast<double>(s.count) * s.rgb[c];
            sum[3] += s.count;
        }
        for (size_t i = 0; i < palette.size(); ++i) {
            if (sums[i][3] == 0)
                continue;
            auto mean = [&](int c) { return static_cast<uint8_t>(sums[i][c] / sums[i][3] + 0.5); };
            palette[i] = PaletteColour{mean(0), mean(1), mean(2)};
        }
    }
}

// The pixels mapped to the palette with Floyd-Steinberg error diffusion, row
// by row in alternating directions. Errors are kept in sixteenths; a pixel
// not shown drops the error that reaches it.
std::vector<uint8_t> Diffuse(const Bitmap& picture, const std::vector<PaletteColour>& palette, const uint8_t* shown) {
    const int32_t width = picture.Width(), height = picture.Height();
    const NearestColour nearest(palette);
    std::vector<uint8_t> indexes(static_cast<size_t>(width) * height);
    // One pixel of margin on each side; three channels (red, green, blue) a pixel.
    std::vector<int> current(3 * (static_cast<size_t>(width) + 2)), next(current.size());
    for (int32_t y = 0; y < height; ++y) {
        std::fill(next.begin(), next.end(), 0);
        const bool forward = y % 2 == 0;
        const int step = forward ? 1 : -1;
        const uint8_t* row = picture.Row(y);
        for (int32_t i = 0; i < width; ++i) {
            const int32_t x = forward ? i : width - 1 - i;
            if (!Shown(shown, picture, x, y))
                continue;
            const uint8_t* p = row + 3 * x;
            const size_t at = 3 * static_cast<size_t>(x + 1);
            int want[3];
            for (int c = 0; c < 3; ++c) {
                const int error = current[at + c];
                want[c] = std::clamp(p[2 - c] + (error >= 0 ? error + 8 : error - 8) / 16, 0, 255);
            }
            const uint8_t index = nearest(want[0], want[1], want[2]);
            indexes[static_cast<size_t>(y) * width + x] = index;
            const PaletteColour& got = palette[index];
            const int diff[3] = {want[0] - got.red, want[1] - got.green, want[2] - got.blue};
            const size_t ahead = at + 3 * step, behind = at - 3 * step;
            for (int c = 0; c < 3; ++c) {
                current[ahead + c] += diff[c] * 7;
                next[behind + c] += diff[c] * 3;
                next[at + c] += diff[c] * 5;
                next[ahead + c] += diff[c];
            }
        }
        std::swap(current, next);
    }
    return indexes;
}

}  // namespace

PalettedPicture QuantiseColours(const Bitmap& picture, size_t maxColours, const uint8_t* shown) {
    maxColours = std::clamp<size_t>(maxColours, 1, 256);
    PalettedPicture result;
    std::vector<Shade> shades = Shades(picture, shown);
    if (shades.empty()) {
        result.indexes.assign(static_cast<size_t>(picture.Width()) * picture.Height(), 0);
        return result;
    }
    if (shades.size() <= maxColours) {
        // Every colour has an entry of its own, in key order.
        for (const Shade& s : shades)
            result.palette.push_back(PaletteColour{s.rgb[0], s.rgb[1], s.rgb[2]});
        result.indexes.reserve(static_cast<size_t>(picture.Width()) * picture.Height());
        for (int32_t y = 0; y < picture.Height(); ++y) {
            const uint8_t* p = picture.Row(y);
            for (int32_t x = 0; x < picture.Width(); ++x, p += 3) {
                if (!Shown(shown, picture, x, y)) {
                    result.indexes.push_back(0);
                    continue;
                }
                const uint32_t key = Key(p);
                const auto it = std::lower_bound(shades.begin(), shades.end(), key,
                                                 [](const Shade& s, uint32_t k) { return Key(s) < k; });
                result.indexes.push_back(static_cast<uint8_t>(it - shades.begin()));
            }
        }
        return result;
    }
    result.palette = MedianCut(shades, maxColours);
    Refine(shades, result.palette);
    result.indexes = Diffuse(picture, result.palette, shown);
    return result;
}

}  // namespace orlscr
