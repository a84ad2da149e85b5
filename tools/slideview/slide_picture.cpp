#include "tools/slideview/slide_picture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "common/error.h"
#include "common/path.h"
#include "common/read_file.h"
#include "picture/decode.h"
#include "tools/slideview/slide_fit.h"

namespace orlscr {

namespace {

constexpr int kWeightBits = 14;
constexpr int32_t kWeightOne = 1 << kWeightBits;

// The filter taps of one axis: destination pixel i is the sum over k of
// weights[offset[i] + k] * source[first[i] + k] for k < count[i], with weights
// in fixed point that add up to exactly kWeightOne, all source indexes inside
// the source.
struct AxisFilter {
    std::vector<int32_t> first;
    std::vector<int32_t> count;
    std::vector<int32_t> offset;
    std::vector<int32_t> weights;
};

// A tent filter as wide as one source pixel when enlarging (bilinear) and as
// one destination pixel when reducing, so every source pixel is counted.
AxisFilter MakeAxisFilter(int32_t source_size, int32_t dest_size) {
    AxisFilter filter;
    filter.first.resize(dest_size);
    filter.count.resize(dest_size);
    filter.offset.resize(dest_size);
    const double scale = static_cast<double>(source_size) / dest_size;
    const double radius = std::max(1.0, scale);
    std::vector<double> taps;
    for (int32_t i = 0; i < dest_size; ++i) {
        const double center = (i + 0.5) * scale - 0.5;
        int64_t lo = static_cast<int64_t>(std::floor(center - radius)) + 1;
        int64_t hi = static_cast<int64_t>(std::ceil(center + radius)) - 1;
        const int64_t first = std::clamp<int64_t>(lo, 0, source_size - 1);
        const int64_t last = std::clamp<int64_t>(hi, 0, source_size - 1);
        taps.assign(static_cast<size_t>(last - first + 1), 0.0);
        double total = 0;
        for (int64_t j = lo; j <= hi; ++j) {
            double w = 1.0 - std::abs(static_cast<double>(j) - center) / radius;
            if (w <= 0)
                continue;
            // Taps beyond an edge count for the edge pixel.
            taps[static_cast<size_t>(std::clamp(j, first, last) - first)] += w;
            total += w;
        }
        if (total <= 0) {  // cannot happen for a tap at distance < radius, but stay defined
            taps.assign(1, 1.0);
            total = 1.0;
        }
        filter.first[i] = static_cast<int32_t>(first);
        filter.count[i] = static_cast<int32_t>(taps.size());
        filter.offset[i] = static_cast<int32_t>(filter.weights.size());
        int32_t sum = 0;
        size_t largest = filter.weights.size();
        for (double t : taps) {
            int32_t w = static_cast<int32_t>(std::lround(t / total * kWeightOne));
            if (largest == filter.weights.size() || w > filter.weights[largest])
                largest = filter.weights.size();
            filter.weights.push_back(w);
            sum += w;
        }
        filter.weights[largest] += kWeightOne - sum;  // rounding remainder
    }
    return filter;
}

uint8_t Round(int32_t sum) {
    return static_cast<uint8_t>(std::clamp((sum + kWeightOne / 2) >> kWeightBits, 0, 255));
}

std::vector<uint8_t> ReadPictureFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    try {
        bytes = ReadFileBytes(path, kMaxPictureFileBytes);
    } catch (const FileReadError& error) {
        throw Error(error.Detail());  // the caller names the file
    }
    if (bytes.empty())
        throw Error("the file is empty");
    return bytes;
}

}  // namespace

Bitmap ScalePicture(const Bitmap& picture, int32_t width, int32_t height) {
    Bitmap result(width, height);
    if (picture.Width() == width && picture.Height() == height) {
        for (int32_t y = 0; y < height; ++y)
            std::memcpy(result.Row(y), picture.Row(y), static_cast<size_t>(width) * Bitmap::kBytesPerPixel);
        return result;
    }
    const AxisFilter across = MakeAxisFilter(picture.Width(), width);
    const AxisFilter down = MakeAxisFilter(picture.Height(), height);

    // Rows first: every source row at the new width.
    Bitmap narrow(width, picture.Height());
    for (int32_t y = 0; y < picture.Height(); ++y) {
        const uint8_t* in = picture.Row(y);
        uint8_t* out = narrow.Row(y);
        for (int32_t x = 0; x < width; ++x) {
            int32_t b = 0, g = 0, r = 0;
            const uint8_t* px = in + across.first[x] * 3;
            const int32_t* w = &across.weights[across.offset[x]];
            for (int32_t k = 0; k < across.count[x]; ++k, px += 3) {
                b += w[k] * px[0];
                g += w[k] * px[1];
                r += w[k] * px[2];
            }
            out[x * 3 + 0] = Round(b);
            out[x * 3 + 1] = Round(g);
            out[x * 3 + 2] = Round(r);
        }
    }
    // Then columns, a whole row at a time.
    const size_t row_bytes = static_cast<size_t>(width) * 3;
    std::vector<int32_t> sums(row_bytes);
    for (int32_t y = 0; y < height; ++y) {
        std::fill(sums.begin(), sums.end(), 0);
        const int32_t* w = &down.weights[down.offset[y]];
        for (int32_t k = 0; k < down.count[y]; ++k) {
            const uint8_t* in = narrow.Row(down.first[y] + k);
            for (size_t i = 0; i < row_bytes; ++i)
                sums[i] += w[k] * in[i];
        }
        uint8_t* out = result.Row(y);
        for (size_t i = 0; i < row_bytes; ++i)
            out[i] = Round(sums[i]);
    }
    return result;
}

// Both are the contain fit of every slide without a limit on enlarging.
Rect FitPictureRect(int32_t picture_width, int32_t picture_height, int32_t frame_width, int32_t frame_height) {
    return PlacePicture(std::max(picture_width, 1), std::max(picture_height, 1), frame_width, frame_height,
                        SlideFit::kContain, std::numeric_limits<int32_t>::max())
        .dest;
}

Bitmap ScaleIntoFrame(const Bitmap& picture, int32_t frame_width, int32_t frame_height) {
    return ComposeSlide(picture, frame_width, frame_height, SlideFit::kContain, std::numeric_limits<int32_t>::max());
}

std::string SlidePath(std::string_view list_path, std::string_view file_name) {
    size_t slash = list_path.find_last_of("\\/:");  // a drive of its own ("C:show.slides") counts as a folder
    if (slash == std::string_view::npos)
        return std::string(file_name);
    return std::string(list_path.substr(0, slash + 1)) + std::string(file_name);
}

Bitmap LoadSlidePicture(const std::string& path, int32_t frame_width, int32_t frame_height) {
    return ScaleIntoFrame(DecodeSlidePicture(path, frame_width, frame_height), frame_width, frame_height);
}

Bitmap DecodeSlidePicture(const std::string& path, int32_t target_width, int32_t target_height) {
    const std::string name = FileNameOf(path, NoLeadBytes);
    try {
        const std::vector<uint8_t> bytes = ReadPictureFile(path);
        DecodeOptions options;
        options.targetWidth = target_width;
        options.targetHeight = target_height;
        return DecodePictureFile(bytes.data(), bytes.size(), options);
    } catch (const std::bad_alloc&) {
        throw Error(name + ": not enough memory for the picture");
    } catch (const std::exception& error) {
        throw Error(name + ": " + error.what());
    }
}

}  // namespace orlscr
