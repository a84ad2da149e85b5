#include "tools/transitions/transitions_tool.h"

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <webp/demux.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/random.h"
#include "picture/decode.h"
#include "support/expect_error.h"
#include "support/test_pictures.h"
#include "tools/transitions/image_io.h"

namespace orlscr::tool {
namespace {

namespace fs = std::filesystem;

class TransitionsTool : public ::testing::Test {
  protected:
    TransitionsTool() {
        dir_ = fs::temp_directory_path() /
              ("transitions_tool_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    ~TransitionsTool() override { fs::remove_all(dir_); }

    int Run(std::vector<std::string> args) {
        out_.str("");
        err_.str("");
        return RunTransitionsTool(args, out_, err_);
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir_;
    std::ostringstream out_, err_;
};

TEST_F(TransitionsTool, RendersTheFrameTheEngineDrawsAsPngOrBmp) {
    const Bitmap oldPicture = testing::Solid(48, 32, 10);
    const Bitmap newPicture = testing::Pattern(48, 32);
    WritePicture(Path("old.bmp"), oldPicture);
    WritePicture(Path("new.png"), newPicture);
    ASSERT_EQ(ReadPicture(Path("new.png")), newPicture);

    ASSERT_EQ(
        Run({"render", "--style", "14", "--progress", "40", Path("old.bmp"), Path("new.png"), "-o", Path("frame.png")}),
        0)
        << err_.str();
    const Bitmap expected = RenderFrameOf(oldPicture, newPicture, 14, 40, 4);
    EXPECT_EQ(ReadPicture(Path("frame.png")), expected);
    EXPECT_NE(expected, oldPicture);

    ASSERT_EQ(Run({"render", "--style", "54", "--progress", "30", "--step", "9", Path("old.bmp"), Path("new.png"), "-o",
                   Path("frame.BMP")}),
              0);
    EXPECT_EQ(ReadPicture(Path("frame.BMP")), RenderFrameOf(oldPicture, newPicture, 54, 30, 9));
}

TEST_F(TransitionsTool, ARandomStyleShowsTheFirstFrameOfAFreshRun) {
    SharedRandom().Next(1000);  // whatever state the process is in
    ASSERT_EQ(Run({"render", "--style", "100", "--progress", "50", "-o", Path("a.png")}), 0);
    SharedRandom().Next(1000);
    ASSERT_EQ(Run({"render", "--style", "100", "--progress", "50", "-o", Path("b.png")}), 0);
    EXPECT_EQ(ReadPicture(Path("a.png")), ReadPicture(Path("b.png")));
    SharedRandom().Reset();
    EXPECT_EQ(ReadPicture(Path("a.png")),
              RenderFrameOf(DefaultOldPicture(320, 240), DefaultNewPicture(320, 240), 100, 50, 4));
}

TEST_F(TransitionsTool, AnimationHoldsTheStartAndEveryStep) {
    std::vector<Bitmap> frames;
    RenderRun(DefaultOldPicture(40, 30), DefaultNewPicture(40, 30), 5, 30,
              [&](const Bitmap& frame) { frames.push_back(frame); });
    ASSERT_EQ(frames.size(), 5u);  // start, 30, 60, 90, 100
    EXPECT_EQ(frames.front(), DefaultOldPicture(40, 30));
    EXPECT_EQ(frames.back(), DefaultNewPicture(40, 30));
    ASSERT_EQ(Run({"sheet", "--cell", "32x24", "-o", Path("sheet.png")}), 0);
    ASSERT_EQ(Run({"anim", "--style", "5", "--step", "30", "--size", "40x30", "-o", Path("run.gif")}), 0) << err_.str();
    int error = 0;
    GifFileType* gif = DGifOpenFileName(Path("run.gif").c_str(), &error);
    ASSERT_NE(gif, nullptr);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    EXPECT_EQ(gif->ImageCount, 5);
    EXPECT_EQ(gif->SWidth, 40);
    DGifCloseFile(gif, &error);
    // Readable by others as the pictures are, not private to the user.
    EXPECT_EQ(fs::status(Path("run.gif")).permissions(), fs::status(Path("sheet.png")).permissions());

    const Bitmap sheet = ReadPicture(Path("sheet.png"));
    EXPECT_EQ(sheet.Width(), 16 * 36 + 4);
    EXPECT_EQ(sheet.Height(), 8 * 28 + 4);
}

TEST_F(TransitionsTool, BadInputGivesOneLineAndWritesNothing) {
    WritePicture(Path("small.bmp"), testing::Solid(10, 10, 1));
    WritePicture(Path("large.bmp"), testing::Solid(20, 10, 1));
    WritePicture(Path("junk.png"), testing::Solid(1, 1, 1));
    fs::resize_file(Path("junk.png"), 30);  // a cut PNG
    const std::vector<std::string> before = Files();

    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"render", "--style", "5", "--progress", "50", Path("small.bmp"), Path("none.bmp"), "-o", Path("o.png")},
         "transitions: Cannot open file " + Path("none.bmp") + "\n"},
        {{"render", "--style", "5", "--progress", "50", Path("junk.png"), Path("junk.png"), "-o", Path("o.png")}, ""},
        {{"render", "--style", "5", "--progress", "50", dir_.string(), dir_.string(), "-o", Path("o.png")},
         "transitions: Cannot read file " + dir_.string() + "\n"},
        {{"render", "--style", "5", "--progress", "101", "-o", Path("o.png")},
         "transitions: --progress wants a whole number from 0 to 100, not \"101\"\n"},
        {{"render", "--style", "5", "--progress", "5", "-o", Path("o.gif")},
         "transitions: The output must end in .png or .bmp\n"},
        {{"render", "--style", "5", "--progress", "5", Path("small.bmp"), "-o", Path("o.png")},
         "transitions: Give both OLD and NEW pictures, or neither\n"},
        {{"anim", "--style", "5", "-o", Path("o.png")},
         "transitions: The animation is written as GIF or WebP: the output must end in .gif or .webp\n"},
        {{"anim", "--style", "5", "-o", Path("missing/o.webp")},
         "transitions: Cannot create file " + Path("missing/o.webp") + "\n"},
        {{"render", "--style", "5", "--progress", "5", "-o", Path("missing/o.png")}, ""},
        {{"anim", "--style", "5", "-o", Path("missing/o.gif")},
         "transitions: Cannot create file " + Path("missing/o.gif") + "\n"},
        {{"dance"}, "transitions: Unknown command \"dance\"; try transitions --help\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Run(c.args), 2) << c.args[0];
        const std::string message = err_.str();
        if (c.message.empty()) {
            EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
            EXPECT_EQ(message.rfind("transitions: ", 0), 0u) << message;
        } else {
            EXPECT_EQ(message, c.message);
        }
        EXPECT_EQ(Files(), before);
    }
    // Larger than the format can say: refused, not written with its size cut.
    EXPECT_ERROR_MSG(GifWriter(Path("wide.gif"), 70000, 10, 40),
                     "Cannot write " + Path("wide.gif") + ": a GIF picture is at most 65535 pixels wide and high");
    EXPECT_EQ(Files(), before);

    EXPECT_EQ(Run({"--help"}), 0);
    EXPECT_NE(out_.str().find("transitions anim --style N"), std::string::npos);
}

// A smooth photograph-like picture: gradients in all three channels.
Bitmap Gradient(int32_t w, int32_t h) {
    Bitmap b(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* p = b.Row(y) + 3 * x;
            p[0] = static_cast<uint8_t>(40 + 160 * y / (h - 1));
            p[1] = static_cast<uint8_t>(255 * x / (w - 1));
            p[2] = static_cast<uint8_t>(200 - 120 * (x + y) / (w + h - 2));
        }
    return b;
}

// The frames of a GIF file, each composed as 24-bit pixels.
std::vector<Bitmap> ReadGifFrames(const std::string& path) {
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    std::vector<Bitmap> frames;
    if (!gif || DGifSlurp(gif) != GIF_OK) {
        ADD_FAILURE() << "cannot read " << path;
        if (gif)
            DGifCloseFile(gif, &error);
        return frames;
    }
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& image = gif->SavedImages[i];
        const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
        Bitmap frame(gif->SWidth, gif->SHeight);
        for (int y = 0; y < image.ImageDesc.Height; ++y)
            for (int x = 0; x < image.ImageDesc.Width; ++x) {
                const GifColorType& c = map->Colors[image.RasterBits[y * image.ImageDesc.Width + x]];
                uint8_t* p = frame.Row(y + image.ImageDesc.Top) + 3 * (x + image.ImageDesc.Left);
                p[0] = c.Blue;
                p[1] = c.Green;
                p[2] = c.Red;
            }
        frames.push_back(std::move(frame));
    }
    DGifCloseFile(gif, &error);
    return frames;
}

size_t DistinctColours(const Bitmap& b) {
    std::set<uint32_t> colours;
    for (int32_t y = 0; y < b.Height(); ++y)
        for (int32_t x = 0; x < b.Width(); ++x) {
            const uint8_t* p = b.Row(y) + 3 * x;
            colours.insert(p[0] | p[1] << 8 | p[2] << 16);
        }
    return colours.size();
}

// Mean difference per channel of the two pictures seen from a little way off:
// averaged over 4 x 4 blocks, as the eye averages a dithered picture.
double BlockError(const Bitmap& a, const Bitmap& b) {
    double total = 0;
    int count = 0;
    for (int32_t by = 0; by + 4 <= a.Height(); by += 4)
        for (int32_t bx = 0; bx + 4 <= a.Width(); bx += 4)
            for (int c = 0; c < 3; ++c) {
                int sa = 0, sb = 0;
                for (int y = by; y < by + 4; ++y)
                    for (int x = bx; x < bx + 4; ++x) {
                        sa += a.Row(y)[3 * x + c];
                        sb += b.Row(y)[3 * x + c];
                    }
                total += std::abs(sa - sb) / 16.0;
                ++count;
            }
    return total / count;
}

TEST_F(TransitionsTool, AGifFrameKeepsTheColoursOfAPhotograph) {
    const Bitmap picture = Gradient(160, 120);
    WritePicture(Path("old.png"), picture);
    WritePicture(Path("new.png"), testing::Pattern(160, 120));
    ASSERT_EQ(Run({"anim", "--style", "118", "--step", "50", Path("old.png"), Path("new.png"), "-o", Path("run.gif")}),
              0)
        << err_.str();
    const std::vector<Bitmap> frames = ReadGifFrames(Path("run.gif"));
    ASSERT_EQ(frames.size(), 3u);
    // A fixed palette of 252 colours keeps about 60 of this picture's and is
    // off by several levels; a palette of the frame's own, dithered, keeps
    // nearly all 256 and stays within a level.
    const size_t colours = DistinctColours(frames[0]);
    const double error = BlockError(frames[0], picture);
    RecordProperty("colours", static_cast<int>(colours));
    RecordProperty("block_error_x100", static_cast<int>(error * 100));
    EXPECT_GE(colours, 200u);
    EXPECT_LE(error, 1.0);
}

// The frames of an animated WebP file, decoded by the library that wrote it.
std::vector<Bitmap> ReadWebpFrames(const std::string& path, int& loops) {
    std::ifstream file(path, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    const WebPData data{bytes.data(), bytes.size()};
    WebPAnimDecoderOptions options;
    WebPAnimDecoderOptionsInit(&options);
    options.color_mode = MODE_BGRA;
    std::vector<Bitmap> frames;
    WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
    if (!decoder) {
        ADD_FAILURE() << "not an animated WebP file: " << path;
        return frames;
    }
    WebPAnimInfo info;
    WebPAnimDecoderGetInfo(decoder, &info);
    loops = static_cast<int>(info.loop_count);
    uint8_t* pixels = nullptr;
    int timestamp = 0;
    while (WebPAnimDecoderHasMoreFrames(decoder) && WebPAnimDecoderGetNext(decoder, &pixels, &timestamp)) {
        Bitmap frame(static_cast<int32_t>(info.canvas_width), static_cast<int32_t>(info.canvas_height));
        for (int32_t y = 0; y < frame.Height(); ++y)
            for (int32_t x = 0; x < frame.Width(); ++x)
                std::copy(pixels + 4 * (y * frame.Width() + x), pixels + 4 * (y * frame.Width() + x) + 3,
                          frame.Row(y) + 3 * x);
        frames.push_back(std::move(frame));
    }
    WebPAnimDecoderDelete(decoder);
    return frames;
}

TEST_F(TransitionsTool, AWebpAnimationHoldsEveryFrameExactly) {
    const Bitmap oldPicture = Gradient(64, 48), newPicture = testing::Pattern(64, 48);
    WritePicture(Path("old.png"), oldPicture);
    WritePicture(Path("new.png"), newPicture);
    ASSERT_EQ(Run({"anim", "--style", "119", "--step", "20", Path("old.png"), Path("new.png"), "-o", Path("run.WebP")}),
              0)
        << err_.str();
    std::vector<Bitmap> expected;
    RenderRun(oldPicture, newPicture, 119, 20, [&](const Bitmap& frame) { expected.push_back(frame); });
    int loops = -1;
    const std::vector<Bitmap> frames = ReadWebpFrames(Path("run.WebP"), loops);
    ASSERT_EQ(frames.size(), expected.size());
    for (size_t i = 0; i < frames.size(); ++i)
        EXPECT_EQ(frames[i], expected[i]) << "frame " << i;
    EXPECT_EQ(loops, 0);  // for ever
    EXPECT_EQ(Files(), (std::vector<std::string>{"new.png", "old.png", "run.WebP"}));
}

TEST_F(TransitionsTool, PicturesOfOtherSizesAreFittedIntoTheFrame) {
    // A wide and a tall picture, each fitted into the first one's size the
    // way the slide viewer fits slides: proportions kept, centred on black.
    WritePicture(Path("wide.png"), testing::Solid(80, 40, 200));
    WritePicture(Path("tall.bmp"), testing::Solid(20, 40, 100));
    ASSERT_EQ(Run({"render", "--style", "0", "--progress", "100", Path("wide.png"), Path("tall.bmp"), "-o",
                   Path("frame.png")}),
              0)
        << err_.str();
    const Bitmap frame = ReadPicture(Path("frame.png"));
    ASSERT_EQ(frame.Width(), 80);
    ASSERT_EQ(frame.Height(), 40);
    const Bitmap black = testing::Solid(1, 1, 0), grey = testing::Solid(1, 1, 100);
    EXPECT_TRUE(testing::SamePixel(frame, 0, 20, black, 0, 0));
    EXPECT_TRUE(testing::SamePixel(frame, 29, 20, black, 0, 0));
    EXPECT_TRUE(testing::SamePixel(frame, 30, 0, grey, 0, 0));
    EXPECT_TRUE(testing::SamePixel(frame, 49, 39, grey, 0, 0));
    EXPECT_TRUE(testing::SamePixel(frame, 50, 20, black, 0, 0));

    // --size sets the frame for every command; the start of an animation is
    // the old picture fitted into it.
    ASSERT_EQ(Run({"render", "--style", "5", "--progress", "0", "--size", "40x40", Path("wide.png"), Path("tall.bmp"),
                   "-o", Path("small.png")}),
              0)
        << err_.str();
    const Bitmap small = ReadPicture(Path("small.png"));
    ASSERT_EQ(small.Width(), 40);
    ASSERT_EQ(small.Height(), 40);
    EXPECT_TRUE(testing::SamePixel(small, 20, 5, black, 0, 0));
    EXPECT_TRUE(testing::SamePixel(small, 20, 10, testing::Solid(1, 1, 200), 0, 0));
    EXPECT_TRUE(testing::SamePixel(small, 20, 34, black, 0, 0));

    ASSERT_EQ(Run({"anim", "--style", "5", "--step", "50", "--size", "30x20", Path("wide.png"), Path("tall.bmp"), "-o",
                   Path("run.webp")}),
              0)
        << err_.str();
    int loops = -1;
    const std::vector<Bitmap> frames = ReadWebpFrames(Path("run.webp"), loops);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].Width(), 30);
    EXPECT_EQ(frames[0].Height(), 20);
    ASSERT_EQ(Run({"sheet", "--size", "30x20", Path("wide.png"), Path("tall.bmp"), "-o", Path("sheet.png")}), 0)
        << err_.str();
}

}  // namespace
}  // namespace orlscr::tool
