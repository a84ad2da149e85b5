// The cost and the picture quality of converting an animation to an animated
// GIF, per 1920x1080 frame (it measures, it never judges).
//
// The frames are one picture panned a few pixels a frame: a photo given
// (any format the viewer reads, stretched to 1920x1080) or, without one, a
// made one with smooth shades, fine texture and sharp edges, which is what
// makes quantising slow and dithering visible.
//
// Cost: CPU seconds a frame (all threads) and wall seconds a frame of
// QuantiseColours alone and of AnimationGif::Add (quantising and GIF coding).
// Quality of the quantised frames against their source: the PSNR over every
// pixel, and the error of the means of 4x4 blocks (what the eye sees of
// dithering from a normal distance), in levels of 255, mean and worst.
//
// Usage: build/native/bench/animation_gif_bench [PICTURE or - for the made one] [FRAMES]

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "builder/animation_gif.h"
#include "picture/decode.h"
#include "raster/colour_quantiser.h"
#include "raster/reduce.h"

using namespace orlscr;

namespace {

constexpr int32_t kWidth = 1920, kHeight = 1080;

double CpuSeconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Smooth value noise in 0..1 with features of about `cell` pixels.
double Noise(double x, double y, double cell, uint32_t seed) {
    auto lattice = [seed](int32_t i, int32_t j) {
        uint32_t h = static_cast<uint32_t>(i) * 374761393u + static_cast<uint32_t>(j) * 668265263u + seed * 2654435761u;
        h = (h ^ (h >> 13)) * 1274126177u;
        return ((h ^ (h >> 16)) & 0xFFFF) / 65535.0;
    };
    const double fx = x / cell, fy = y / cell;
    const int32_t ix = static_cast<int32_t>(std::floor(fx)), iy = static_cast<int32_t>(std::floor(fy));
    const double tx = fx - ix, ty = fy - iy;
    const double sx = tx * tx * (3 - 2 * tx), sy = ty * ty * (3 - 2 * ty);
    const double top = lattice(ix, iy) + sx * (lattice(ix + 1, iy) - lattice(ix, iy));
    const double bottom = lattice(ix, iy + 1) + sx * (lattice(ix + 1, iy + 1) - lattice(ix, iy + 1));
    return top + sy * (bottom - top);
}

// A clouded sky shading down to hills of textured colour, discs with hard
// edges, and grain.
Bitmap MakePicture(int32_t width, int32_t height) {
    Bitmap picture(width, height);
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* p = picture.Row(y);
        for (int32_t x = 0; x < width; ++x, p += 3) {
            const double v = static_cast<double>(y) / height;
            double rgb[3] = {60 + 120 * v + 60 * Noise(x, y, 250, 5), 110 + 90 * v + 40 * Noise(x, y, 170, 6),
                             200 - 50 * v + 50 * Noise(x, y, 330, 7)};
            const double hill = 0.55 + 0.15 * Noise(x, 0, 300, 1);
            if (v > hill) {
                const double fine = Noise(x, y, 3, 2) + 0.5 * Noise(x, y, 11, 3) + Noise(x, y, 90, 4);
                rgb[0] = 40 + 60 * fine, rgb[1] = 70 + 70 * fine, rgb[2] = 20 + 25 * fine;
            }
            for (int disc = 0; disc < 6; ++disc) {
                const double cx = width * (0.1 + 0.15 * disc), cy = height * (0.3 + 0.08 * (disc % 3));
                if (std::hypot(x - cx, y - cy) < 40 + 15 * disc) {
                    const double shade = 0.6 + 0.4 * (y - cy + 100) / 200;
                    rgb[0] = (disc * 97 % 256) * shade, rgb[1] = (disc * 53 % 256) * shade,
                    rgb[2] = (disc * 151 % 256) * shade;
                }
            }
            for (int c = 0; c < 3; ++c)  // and the grain of a camera
                p[2 - c] = static_cast<uint8_t>(std::clamp(std::lround(rgb[c] + 6 * Noise(x, y, 1, 8 + c)), 0L, 255L));
        }
    }
    return picture;
}

// The picture panned by (dx, dy), wrapping round.
Bitmap Panned(const Bitmap& source, int32_t dx, int32_t dy) {
    Bitmap frame(source.Width(), source.Height());
    for (int32_t y = 0; y < source.Height(); ++y) {
        const uint8_t* s = source.Row((y + dy) % source.Height());
        uint8_t* d = frame.Row(y);
        for (int32_t x = 0; x < source.Width(); ++x)
            std::copy_n(s + 3 * ((x + dx) % source.Width()), 3, d + 3 * x);
    }
    return frame;
}

struct Quality {
    double squares = 0;     // summed squared error over every channel of every pixel
    double blockError = 0;  // summed absolute error of the 4x4 block means
    double worstBlock = 0;
    double blocks = 0, samples = 0;
};

void Measure(const Bitmap& source, const PalettedPicture& paletted, Quality& quality) {
    const int32_t width = source.Width();
    for (int32_t by = 0; by + 4 <= source.Height(); by += 4)
        for (int32_t bx = 0; bx + 4 <= width; bx += 4)
            for (int c = 0; c < 3; ++c) {
                int want = 0, got = 0;
                for (int32_t y = by; y < by + 4; ++y)
                    for (int32_t x = bx; x < bx + 4; ++x) {
                        const PaletteColour& colour =
                            paletted.palette[paletted.indexes[static_cast<size_t>(y) * width + x]];
                        const int value = c == 0 ? colour.blue : c == 1 ? colour.green : colour.red;
                        const int sourceValue = source.Row(y)[3 * x + c];
                        want += sourceValue;
                        got += value;
                        quality.squares += (value - sourceValue) * (value - sourceValue);
                        quality.samples += 1;
                    }
                const double error = std::abs(want - got) / 16.0;
                quality.blockError += error;
                quality.worstBlock = std::max(quality.worstBlock, error);
                quality.blocks += 1;
            }
}

}  // namespace

int main(int argc, char** argv) {
    Bitmap source;
    if (argc > 1 && std::string(argv[1]) != "-") {
        std::ifstream in(argv[1], std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        source = ReduceBitmap(DecodePictureFile(bytes), kWidth, kHeight);
    } else {
        source = MakePicture(kWidth, kHeight);
    }
    const int frames = argc > 2 ? std::max(1, std::atoi(argv[2])) : 6;
    std::vector<Bitmap> pictures;
    std::vector<std::vector<uint8_t>> rgba;
    for (int f = 0; f < frames; ++f) {
        pictures.push_back(Panned(source, 7 * f, 3 * f));
        std::vector<uint8_t> pixels(static_cast<size_t>(kWidth) * kHeight * 4);
        for (int32_t y = 0; y < kHeight; ++y)
            for (int32_t x = 0; x < kWidth; ++x) {
                const uint8_t* s = pictures.back().Row(y) + 3 * x;
                uint8_t* d = pixels.data() + (static_cast<size_t>(y) * kWidth + x) * 4;
                d[0] = s[2], d[1] = s[1], d[2] = s[0], d[3] = 255;
            }
        rgba.push_back(std::move(pixels));
    }

    Quality quality;
    double cpu = CpuSeconds(), wall = WallSeconds();
    std::vector<PalettedPicture> paletted;
    for (const Bitmap& picture : pictures)
        paletted.push_back(QuantiseColours(picture));
    const double quantiseCpu = (CpuSeconds() - cpu) / frames, quantiseWall = (WallSeconds() - wall) / frames;
    for (int f = 0; f < frames; ++f)
        Measure(pictures[f], paletted[f], quality);

    mkscr::AnimationInfo info;
    info.width = kWidth, info.height = kHeight, info.frames = frames;
    mkscr::AnimationGif gif(info, mkscr::StoreBound{});
    cpu = CpuSeconds(), wall = WallSeconds();
    for (const auto& pixels : rgba)
        gif.Add(pixels.data(), 100);
    const mkscr::MadePicture made = gif.Finish();
    const double addCpu = (CpuSeconds() - cpu) / frames, addWall = (WallSeconds() - wall) / frames;

    std::printf("%d frames of %dx%d (%s)\n", frames, kWidth, kHeight,
                argc > 1 && std::string(argv[1]) != "-" ? argv[1] : "made picture");
    std::printf("QuantiseColours    %.3f CPU-s a frame, %.3f s wall\n", quantiseCpu, quantiseWall);
    std::printf("AnimationGif::Add  %.3f CPU-s a frame, %.3f s wall (GIF %.1f MB)\n", addCpu, addWall,
                made.bytes.size() / 1e6);
    std::printf("quality            PSNR %.2f dB, 4x4 block means off by %.3f levels (worst %.1f)\n",
                10 * std::log10(255.0 * 255.0 * quality.samples / quality.squares), quality.blockError / quality.blocks,
                quality.worstBlock);
    return 0;
}
