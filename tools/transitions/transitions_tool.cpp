#include "tools/transitions/transitions_tool.h"

#include <algorithm>
#include <memory>
#include <new>
#include <optional>
#include <utility>

#include "common/command_options.h"
#include "common/error.h"
#include "common/random.h"
#include "common/text.h"
#include "raster/blit.h"
#include "raster/fit.h"
#include "tools/transitions/image_io.h"
#include "transition/style_ranges.h"
#include "transition/transition_engine.h"

namespace orlscr::tool {

namespace {

// No window: frames are only computed.
class OffscreenHost : public TransitionHost {
  public:
    void InvalidatePictureRect(const Rect&) override {}
    void UpdateNow() override {}
    void ProcessMessages() override {}
    uint32_t TickCount() override { return ticks_ += 1000; }  // every frame's time is up at once
    void RunOnMainThread(const std::function<void()>& task) override { task(); }
    void WaitWhileHandingOver(const std::function<bool()>&) override {}

  private:
    uint32_t ticks_ = 0;
};

void CheckSameSize(const Bitmap& a, const Bitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height())
        throw Error("OLD and NEW differ in size (" + std::to_string(a.Width()) + "x" + std::to_string(a.Height()) +
                    " and " + std::to_string(b.Width()) + "x" + std::to_string(b.Height()) + ")");
    if (a.IsEmpty())
        throw Error("The pictures are empty");
}

// Rows of the 3 x 5 digits, three bits a row, most significant on the left.
const uint8_t kDigits[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7},
};

// A picture of the frame's size is used as it is; any other is fitted in.
Bitmap FitIntoFrame(const Bitmap& picture, int width, int height) {
    if (picture.Width() == width && picture.Height() == height)
        return picture;
    return ScaleIntoFrame(picture, width, height);
}

Bitmap Scaled(const Bitmap& source, int width, int height) {
    Bitmap out(width, height);
    StretchCopy(out, out.Bounds(), source, source.Bounds());
    return out;
}

}  // namespace

Bitmap RenderFrameOf(const Bitmap& oldPicture, const Bitmap& newPicture, int style, int progress, int step) {
    CheckSameSize(oldPicture, newPicture);
    OffscreenHost host;
    TransitionEngine engine(host);
    engine.SetManual(true);
    engine.SetStyle(style);
    engine.SetStep(step);
    engine.Execute(oldPicture, newPicture);
    if (progress == 0)
        engine.RenderFrame();
    else
        engine.SetProgress(progress);
    return std::as_const(engine).Screen();
}

void RenderRun(const Bitmap& oldPicture,
               const Bitmap& newPicture,
               int style,
               int step,
               const std::function<void(const Bitmap&)>& frame) {
    CheckSameSize(oldPicture, newPicture);
    OffscreenHost host;
    TransitionEngine engine(host);
    engine.SetThreaded(false);
    engine.SetDelay(0);
    engine.SetStyle(style);
    engine.SetStep(step);
    // Read only: taking the writable frame would make every next frame
    // restore the whole old picture.
    engine.OnProgress = [&] { frame(std::as_const(engine).Screen()); };
    frame(oldPicture);
    engine.Execute(oldPicture, newPicture);
}

void DrawDigits(Bitmap& target, int x, int y, const std::string& text, int scale) {
    const int width = static_cast<int>(text.size()) * 4 * scale + scale;
    FillRect(target, Rect{x, y, x + width, y + 7 * scale}, 0, 0, 0);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            continue;
        const uint8_t* glyph = kDigits[text[i] - '0'];
        const int left = x + scale + static_cast<int>(i) * 4 * scale;
        for (int row = 0; row < 5; ++row)
            for (int column = 0; column < 3; ++column)
                if (glyph[row] >> (2 - column) & 1)
                    FillRect(target,
                             Rect{left + column * scale, y + (row + 1) * scale, left + (column + 1) * scale,
                                  y + (row + 2) * scale},
                             255, 255, 255);
    }
}

Bitmap RenderSheet(const Bitmap& oldPicture,
                   const Bitmap& newPicture,
                   int progress,
                   int step,
                   int cellWidth,
                   int cellHeight) {
    CheckSameSize(oldPicture, newPicture);
    constexpr int kColumns = 16, kRows = kStyleCount / kColumns, kGap = 4;
    const Bitmap oldCell = Scaled(oldPicture, cellWidth, cellHeight);
    const Bitmap newCell = Scaled(newPicture, cellWidth, cellHeight);
    Bitmap sheet(kColumns * (cellWidth + kGap) + kGap, kRows * (cellHeight + kGap) + kGap);
    FillRect(sheet, sheet.Bounds(), 64, 64, 64);
    const int scale = std::max(1, std::min(cellWidth, cellHeight) / 40);
    for (int style = 0; style < kStyleCount; ++style) {
        const int x = kGap + (style % kColumns) * (cellWidth + kGap);
        const int y = kGap + (style / kColumns) * (cellHeight + kGap);
        DrawBitmap(sheet, x, y, RenderFrameOf(oldCell, newCell, style, progress, step));
        DrawDigits(sheet, x, y, std::to_string(style), scale);
    }
    return sheet;
}

Bitmap DefaultOldPicture(int width, int height) {
    // A blue-to-green gradient with a grid of light lines.
    Bitmap b(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = b.Row(y) + 3 * x;
            const bool line = x % 40 == 0 || y % 40 == 0;
            p[0] = line ? 230 : static_cast<uint8_t>(200 - 150 * y / std::max(1, height - 1));
            p[1] = line ? 230 : static_cast<uint8_t>(40 + 150 * y / std::max(1, height - 1));
            p[2] = line ? 230 : 30;
        }
    return b;
}

Bitmap DefaultNewPicture(int width, int height) {
    // Warm diagonal stripes with a dark circle in the middle.
    Bitmap b(width, height);
    const int cx = width / 2, cy = height / 2, r = std::min(width, height) / 3;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = b.Row(y) + 3 * x;
            const bool stripe = (x + y) / 24 % 2 == 0;
            const bool disc = (x - cx) * (x - cx) + (y - cy) * (y - cy) < r * r;
            p[0] = disc ? 60 : stripe ? 40 : 90;
            p[1] = disc ? 20 : stripe ? 140 : 200;
            p[2] = disc ? 90 : stripe ? 240 : 250;
        }
    return b;
}

namespace {

std::string Help() {
    return "Usage:\n"
           "  transitions render --style N --progress P [--step S] [--size WxH] [OLD NEW] -o FILE\n"
           "  transitions sheet [--progress P] [--step S] [--cell WxH] [--size WxH] [OLD NEW] -o FILE\n"
           "  transitions anim --style N [--step S] [--delay MS] [--size WxH] [OLD NEW] -o FILE.gif|FILE.webp\n"
           "  transitions --help\n"
           "\n"
           "Draws the picture show control's transitions from OLD to NEW, exactly as the\n"
           "control draws them, so that styles can be chosen by eye.\n"
           "\n"
           "  render   one frame of style N (0.." +
           std::to_string(kStyleCount - 1) +
           ") at progress P (0..100).\n"
           "  sheet    all " +
           std::to_string(kStyleCount) +
           " styles at progress P (default 50) on one contact sheet,\n"
           "           16 to a row, each cell labelled with its style number; each cell\n"
           "           is W x H pixels (default 160x120), the pictures scaled to it.\n"
           "  anim     an animation of a whole forward run of style N: the starting\n"
           "           picture, then one frame per step, MS milliseconds apart\n"
           "           (default 40), looping. FILE.webp is in full colour, every frame\n"
           "           exact; FILE.gif has a palette of 256 colours for each frame,\n"
           "           dithered.\n"
           "\n"
           "  --step S    percentage added per frame, 1..100 (default 4); some styles\n"
           "              use it in their drawing.\n"
           "  --size WxH  the frame size (default: the size of OLD, or 320x240 for the\n"
           "              built-in pictures). A picture of another size is scaled to\n"
           "              fit, keeping its proportions, and centred on black, as the\n"
           "              slide viewer shows slides.\n"
           "  OLD NEW     BMP, PNG or JPEG pictures. When both are left out, two\n"
           "              built-in pictures are used.\n"
           "  -o FILE     the output: PNG or BMP by its extension (GIF or WebP for\n"
           "              anim).\n"
           "\n"
           "Random styles (" +
           DescribeRandomStyles() +
           ") draw from the program's\n"
           "generator in its initial state, so a rendered frame is the first frame of a\n"
           "fresh run. On bad input the tool prints one line to stderr, exits with 2\n"
           "and writes nothing.\n";
}

struct Options {
    std::string command;
    std::optional<int> style;
    std::optional<int> progress;
    int step = 4;
    int delay = 40;
    int cellWidth = 160, cellHeight = 120;
    int width = 0, height = 0;  // the frame size; 0 when --size is not given
    std::vector<std::string> pictures;
    std::string output;
};

// The commands, as bits of CommandOption::commands.
constexpr unsigned kRender = 1, kSheet = 2, kAnim = 4;

// A later value of an option replaces an earlier one.
const CommandOption kOptions[] = {
    {.name = "style", .value = "N", .repeatable = true},
    {.name = "progress", .value = "P", .repeatable = true},
    {.name = "step", .value = "S", .repeatable = true},
    {.name = "delay", .value = "MS", .repeatable = true, .commands = kAnim},
    {.name = "cell", .value = "WxH", .repeatable = true, .commands = kSheet},
    {.name = "size", .value = "WxH", .repeatable = true},
    {.name = "output", .alias = 'o', .value = "FILE", .repeatable = true},
};

int ParseNumber(const std::string& option, const std::string& text, int low, int high) {
    const std::optional<int64_t> value = ParseWholeNumber(text, low, high);
    if (!value)
        throw Error(option + " wants a whole number from " + std::to_string(low) + " to " + std::to_string(high) +
                    ", not \"" + text + "\"");
    return static_cast<int>(*value);
}

void ParseSize(const std::string& option, const std::string& text, int& width, int& height) {
    const size_t x = LowerAscii(text).find('x');
    if (x == std::string::npos)
        throw Error(option + " wants a size like 160x120, not \"" + text + "\"");
    width = ParseNumber(option, text.substr(0, x), 8, 4096);
    height = ParseNumber(option, text.substr(x + 1), 8, 4096);
}

Options Parse(const std::vector<std::string>& args) {
    Options o;
    o.command = args.empty() ? "" : args[0];
    const unsigned command = o.command == "render"  ? kRender
                             : o.command == "sheet" ? kSheet
                             : o.command == "anim"  ? kAnim
                                                    : 0;
    if (!command)
        throw Error(o.command.empty() ? "No command given; try transitions --help"
                                      : "Unknown command \"" + o.command + "\"; try transitions --help");
    CommandLine line;
    try {
        line = ParseCommandLine(args, 1, kOptions, command);
    } catch (const CommandLineError& error) {
        if (error.kind == CommandLineError::Kind::kMissingValue)
            throw Error(error.argument + " needs a value");
        throw Error("Unknown option " + error.argument + " for " + o.command + "; try transitions --help");
    }
    if (auto style = line.Last("style"))
        o.style = ParseNumber("--style", *style, 0, kStyleCount - 1);
    if (auto progress = line.Last("progress"))
        o.progress = ParseNumber("--progress", *progress, 0, 100);
    if (auto step = line.Last("step"))
        o.step = ParseNumber("--step", *step, 1, 100);
    if (auto delay = line.Last("delay"))
        o.delay = ParseNumber("--delay", *delay, 0, 65535);
    if (auto cell = line.Last("cell"))
        ParseSize("--cell", *cell, o.cellWidth, o.cellHeight);
    if (auto size = line.Last("size"))
        ParseSize("--size", *size, o.width, o.height);
    o.output = line.Last("output").value_or("");
    o.pictures = line.positional;
    if (o.output.empty())
        throw Error("No output file given (-o FILE)");
    if (o.pictures.size() != 0 && o.pictures.size() != 2)
        throw Error("Give both OLD and NEW pictures, or neither");
    if (o.command != "sheet" && !o.style)
        throw Error(o.command + " needs --style N");
    if (o.command == "render" && !o.progress)
        throw Error("render needs --progress P");
    const std::string extension = Extension(o.output);
    if (o.command == "anim" ? !IsAnimationPath(o.output) : extension != ".png" && extension != ".bmp")
        throw Error(o.command == "anim"
                        ? "The animation is written as GIF or WebP: the output must end in .gif or .webp"
                        : "The output must end in .png or .bmp");
    return o;
}

}  // namespace

int RunTransitionsTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h" || args[0] == "help")) {
        out << Help();
        return 0;
    }
    try {
        const Options o = Parse(args);
        Bitmap oldPicture, newPicture;
        if (o.pictures.empty()) {
            const int width = o.width ? o.width : 320, height = o.height ? o.height : 240;
            oldPicture = DefaultOldPicture(width, height);
            newPicture = DefaultNewPicture(width, height);
        } else {
            oldPicture = ReadPicture(o.pictures[0]);
            newPicture = ReadPicture(o.pictures[1]);
            if (oldPicture.IsEmpty() || newPicture.IsEmpty())
                throw Error("The pictures are empty");
            const int width = o.width ? o.width : oldPicture.Width();
            const int height = o.height ? o.height : oldPicture.Height();
            oldPicture = FitIntoFrame(oldPicture, width, height);
            newPicture = FitIntoFrame(newPicture, width, height);
        }
        // A fresh run: the generator in its initial state.
        SharedRandom().Reset();
        if (o.command == "render") {
            WritePicture(o.output, RenderFrameOf(oldPicture, newPicture, *o.style, *o.progress, o.step));
        } else if (o.command == "sheet") {
            WritePicture(o.output, RenderSheet(oldPicture, newPicture, o.progress.value_or(50), o.step, o.cellWidth,
                                               o.cellHeight));
        } else {
            const std::unique_ptr<AnimationWriter> animation =
                OpenAnimation(o.output, newPicture.Width(), newPicture.Height(), o.delay);
            RenderRun(oldPicture, newPicture, *o.style, o.step,
                      [&animation](const Bitmap& frame) { animation->Add(frame); });
            animation->Commit();
        }
        return 0;
    } catch (const std::bad_alloc&) {
        err << "transitions: Not enough memory for pictures this large\n";
        return 2;
    } catch (const std::exception& error) {
        err << "transitions: " << error.what() << "\n";
        return 2;
    }
}

}  // namespace orlscr::tool
