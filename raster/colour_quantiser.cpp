#include "raster/colour_quantiser.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>

namespace orlscr {

namespace {

constexpr int kRounds = 6;  // k-means rounds after the median cut (cheap over the histogram)

// The histogram the palette is made from keeps this many bits of each
// channel; each cell stands at the mean of its pixels.
constexpr int kHistogramBits = 6;
constexpr int kLowBits = 8 - kHistogramBits;
constexpr uint32_t kLowMask = (1u << kLowBits) - 1;

// One cell of the histogram: its pixels' mean colour and how many they are.
struct Shade {
    std::array<float, 3> rgb;
    uint32_t count;
};

uint32_t Key(const uint8_t* bgr) {
    return static_cast<uint32_t>(bgr[2]) << 16 | static_cast<uint32_t>(bgr[1]) << 8 | bgr[0];
}

bool Shown(const uint8_t* shown, const Bitmap& picture, int32_t x, int32_t y) {
    return !shown || shown[static_cast<size_t>(y) * picture.Width() + x] != 0;
}

// The distinct colours of the shown pixels as keys (0xRRGGBB), in key
// order, with each pixel's place among them; none when there are more than
// `limit` (at most 256), which a photo shows within its first pixels.
struct FewColours {
    std::vector<uint32_t> keys;
    std::vector<uint8_t> indexes;
};
std::optional<FewColours> FindFewColours(const Bitmap& picture, const uint8_t* shown, size_t limit) {
    // Open addressing; a slot holds key + 1, 0 when free. At most 257 keys
    // are ever put in, so it never fills.
    constexpr uint32_t kSlots = 1024;
    std::array<uint32_t, kSlots> slots{};
    std::array<uint8_t, kSlots> places{};
    auto find = [&](uint32_t key) {
        uint32_t at = (key * 2654435761u) >> 22;
        while (slots[at] != 0 && slots[at] != key + 1)
            at = (at + 1) & (kSlots - 1);
        return at;
    };
    FewColours few;
    for (int32_t y = 0; y < picture.Height(); ++y) {
        const uint8_t* p = picture.Row(y);
        for (int32_t x = 0; x < picture.Width(); ++x, p += 3) {
            if (!Shown(shown, picture, x, y))
                continue;
            const uint32_t key = Key(p);
            const uint32_t at = find(key);
            if (slots[at] != 0)
                continue;
            if (few.keys.size() == limit)
                return std::nullopt;
            slots[at] = key + 1;
            few.keys.push_back(key);
        }
    }
    std::sort(few.keys.begin(), few.keys.end());
    for (size_t i = 0; i < few.keys.size(); ++i)
        places[find(few.keys[i])] = static_cast<uint8_t>(i);
    few.indexes.resize(static_cast<size_t>(picture.Width()) * picture.Height());
    uint8_t* out = few.indexes.data();
    for (int32_t y = 0; y < picture.Height(); ++y) {
        const uint8_t* p = picture.Row(y);
        for (int32_t x = 0; x < picture.Width(); ++x, p += 3)
            *out++ = Shown(shown, picture, x, y) ? places[find(Key(p))] : 0;
    }
    return few;
}

// The shown pixels' histogram: its cells that hold any.
std::vector<Shade> Shades(const Bitmap& picture, const uint8_t* shown) {
    // Per cell its count and the sums of the bits below the cell's, so
    // nothing overflows however large the picture.
    struct Cell {
        uint32_t count = 0;
        std::array<uint32_t, 3> low{};
    };
    std::vector<Cell> cells(size_t{1} << (3 * kHistogramBits));
    for (int32_t y = 0; y < picture.Height(); ++y) {
        const uint8_t* p = picture.Row(y);
        for (int32_t x = 0; x < picture.Width(); ++x, p += 3) {
            if (!Shown(shown, picture, x, y))
                continue;
            const uint32_t r = p[2], g = p[1], b = p[0];
            Cell& cell =
                cells[(r >> kLowBits) << (2 * kHistogramBits) | (g >> kLowBits) << kHistogramBits | (b >> kLowBits)];
            ++cell.count;
            cell.low[0] += r & kLowMask;
            cell.low[1] += g & kLowMask;
            cell.low[2] += b & kLowMask;
        }
    }
    std::vector<Shade> shades;
    constexpr uint32_t kMask = (1u << kHistogramBits) - 1;
    for (uint32_t i = 0; i < cells.size(); ++i) {
        const Cell& cell = cells[i];
        if (cell.count == 0)
            continue;
        const uint32_t base[3] = {(i >> (2 * kHistogramBits)) << kLowBits, ((i >> kHistogramBits) & kMask) << kLowBits,
                                  (i & kMask) << kLowBits};
        Shade shade{{}, cell.count};
        for (int c = 0; c < 3; ++c)
            shade.rgb[c] = static_cast<float>(base[c] + static_cast<double>(cell.low[c]) / cell.count);
        shades.push_back(shade);
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

// The palette colours that can be nearest to some colour of a cell of the
// colour cube, in lists made when a cell is first asked for. A colour can be
// nearest when its least distance to the cell is at most the smallest
// greatest distance of any colour to it. Each list is in order of that least
// distance, so a search can stop at the first that cannot beat the best
// found. Cells have 2^(8 - bits) levels a side.
class CellCandidates {
  public:
    struct Candidate {
        int least;  // its squared distance to the nearest colour of the cell
        uint8_t r, g, b, index;
    };
    struct List {
        const Candidate* begin;
        const Candidate* end;
    };

    explicit CellCandidates(int bits)
        : bits_(bits), begin_(size_t{1} << (3 * bits), kUnlisted), count_(begin_.size()) {}

    // The cell of the colour.
    uint32_t Cell(int r, int g, int b) const {
        const int shift = 8 - bits_;
        return static_cast<uint32_t>(r >> shift) << (2 * bits_) | static_cast<uint32_t>(g >> shift) << bits_ |
               static_cast<uint32_t>(b >> shift);
    }

    // The cell's list, made from `from` (colours that include every one
    // that can be nearest in the cell) when first asked for.
    List Of(uint32_t cell, List from) {
        if (begin_[cell] == kUnlisted)
            Make(cell, from.begin, from.end);
        const Candidate* first = candidates_.data() + begin_[cell];
        return List{first, first + count_[cell]};
    }

  private:
    static constexpr uint32_t kUnlisted = std::numeric_limits<uint32_t>::max();

    void Make(uint32_t cell, const Candidate* from, const Candidate* to) {
        const uint32_t mask = (1u << bits_) - 1;
        const int shift = 8 - bits_;
        const int low[3] = {static_cast<int>(cell >> (2 * bits_)) << shift,
                            static_cast<int>((cell >> bits_) & mask) << shift, static_cast<int>(cell & mask) << shift};
        const int side = (1 << shift) - 1;
        const size_t first = candidates_.size();
        int bound = std::numeric_limits<int>::max();  // no colour of the cell is farther from its nearest
        for (const Candidate* c = from; c != to; ++c) {
            const int value[3] = {c->r, c->g, c->b};
            int least = 0, most = 0;
            for (int k = 0; k < 3; ++k) {
                const int below = low[k] - value[k], above = value[k] - (low[k] + side);
                const int inside = std::max({below, above, 0});
                const int outside = std::max(std::abs(below), std::abs(above));
                least += inside * inside;
                most += outside * outside;
            }
            bound = std::min(bound, most);
            candidates_.push_back(Candidate{least, c->r, c->g, c->b, c->index});
        }
        const auto start = candidates_.begin() + static_cast<std::ptrdiff_t>(first);
        candidates_.erase(std::remove_if(start, candidates_.end(), [&](const Candidate& c) { return c.least > bound; }),
                          candidates_.end());
        std::sort(start, candidates_.end(), [](const Candidate& a, const Candidate& b) { return a.least < b.least; });
        begin_[cell] = static_cast<uint32_t>(first);
        count_[cell] = static_cast<uint32_t>(candidates_.size() - first);
    }

    int bits_;
    std::vector<uint32_t> begin_;  // per cell, where its list starts; kUnlisted before it is asked for
    std::vector<uint32_t> count_;
    std::vector<Candidate> candidates_;
};

// The nearest palette colour (squared distance) to any colour: searched
// among the candidates of a fine cell of the colour cube, whose list is made
// from those of the coarse cell around it, made from the whole palette.
class NearestColour {
  public:
    explicit NearestColour(const std::vector<PaletteColour>& palette) : palette_(palette), coarse_(3), fine_(5) {
        for (size_t i = 0; i < palette.size(); ++i)
            all_.push_back(CellCandidates::Candidate{0, palette[i].red, palette[i].green, palette[i].blue,
                                                     static_cast<uint8_t>(i)});
        answers_.assign(size_t{1} << kAnswerBits, static_cast<uint32_t>(Search(0, 0, 0, 0)) << 24);
    }

    // `guess`, a palette index, is the search's first bound: the answer for
    // a neighbouring pixel is usually near. The last answers are kept by
    // colour, as dithered pixels often repeat them.
    uint8_t operator()(int r, int g, int b, uint8_t guess = 0) {
        const uint32_t key = static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(b);
        uint32_t& answer = answers_[(key * 2654435761u) >> (32 - kAnswerBits)];
        if ((answer & 0xFFFFFF) != key)
            answer = static_cast<uint32_t>(Search(r, g, b, guess)) << 24 | key;
        return static_cast<uint8_t>(answer >> 24);
    }

  private:
    static constexpr int kAnswerBits = 14;

    uint8_t Search(int r, int g, int b, uint8_t guess) {
        const uint32_t cell = fine_.Cell(r, g, b);
        const CellCandidates::List whole{all_.data(), all_.data() + all_.size()};
        const CellCandidates::List list = fine_.Of(cell, coarse_.Of(coarse_.Cell(r, g, b), whole));
        const PaletteColour& guessed = palette_[guess];
        int best = (guessed.red - r) * (guessed.red - r) + (guessed.green - g) * (guessed.green - g) +
                   (guessed.blue - b) * (guessed.blue - b);
        uint8_t index = guess;
        for (const CellCandidates::Candidate* c = list.begin; c != list.end && c->least < best; ++c) {
            const int dr = c->r - r, dg = c->g - g, db = c->b - b;
            const int distance = dr * dr + dg * dg + db * db;
            if (distance < best) {
                best = distance;
                index = c->index;
            }
        }
        return index;
    }

    const std::vector<PaletteColour>& palette_;
    std::vector<CellCandidates::Candidate> all_;
    // Per slot the index << 24 | the colour; at first black's answer.
    std::vector<uint32_t> answers_;
    CellCandidates coarse_, fine_;
};

// Lloyd's rounds over the shades: each palette colour moves to the mean of
// the shades nearest to it; a colour no shade is nearest to stays.
void Refine(const std::vector<Shade>& shades, std::vector<PaletteColour>& palette) {
    for (int round = 0; round < kRounds; ++round) {
        NearestColour nearest(palette);
        std::vector<std::array<double, 4>> sums(palette.size(), std::array<double, 4>{});
        for (const Shade& s : shades) {
            auto& sum = sums[nearest(std::lround(s.rgb[0]), std::lround(s.rgb[1]), std::lround(s.rgb[2]))];
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
    NearestColour nearest(palette);
    std::vector<uint8_t> indexes(static_cast<size_t>(width) * height);
    // One pixel of margin on each side; three channels (red, green, blue) a pixel.
    std::vector<int> current(3 * (static_cast<size_t>(width) + 2)), next(current.size());
    uint8_t last = 0;
    for (int32_t y = 0; y < height; ++y) {
        std::fill(next.begin(), next.end(), 0);
        const bool forward = y % 2 == 0;
        const int step = forward ? 1 : -1;
        const uint8_t* row = picture.Row(y);
        const uint8_t* shownRow = shown ? shown + static_cast<size_t>(y) * width : nullptr;
        uint8_t* out = indexes.data() + static_cast<size_t>(y) * width;
        for (int32_t i = 0; i < width; ++i) {
            const int32_t x = forward ? i : width - 1 - i;
            if (shownRow && !shownRow[x])
                continue;
            const uint8_t* p = row + 3 * x;
            const size_t at = 3 * static_cast<size_t>(x + 1);
            int want[3];
            for (int c = 0; c < 3; ++c) {
                const int error = current[at + c];
                want[c] = std::clamp(p[2 - c] + (error >= 0 ? error + 8 : error - 8) / 16, 0, 255);
            }
            const uint8_t index = nearest(want[0], want[1], want[2], last);
            last = index;
            out[x] = index;
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
    if (std::optional<FewColours> few = FindFewColours(picture, shown, maxColours)) {
        // Every colour has an entry of its own, in key order.
        for (const uint32_t key : few->keys)
            result.palette.push_back(PaletteColour{static_cast<uint8_t>(key >> 16), static_cast<uint8_t>(key >> 8),
                                                   static_cast<uint8_t>(key)});
        result.indexes = std::move(few->indexes);
        return result;
    }
    std::vector<Shade> shades = Shades(picture, shown);
    result.palette = MedianCut(shades, maxColours);
    Refine(shades, result.palette);
    result.indexes = Diffuse(picture, result.palette, shown);
    return result;
}

}  // namespace orlscr
