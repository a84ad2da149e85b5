#include "tools/transitions/transitions_tool.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "common/random.h"
#include "support/expect_error.h"
#include "test_pictures.h"
#include "tools/transitions/image_io.h"
#include "picture/decode.h"

namespace orlscr::tool {
namespace {

namespace fs = std::filesystem;

class TransitionsTool : public ::testing::Test {
  protected:
    TransitionsTool() {
        dir = fs::temp_directory_path() /
              ("transitions_tool_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~TransitionsTool() override { fs::remove_all(dir); }

    int Run(std::vector<std::string> args) {
        out.str("");
        err.str("");
        return RunTransitionsTool(args, out, err);
    }
    std::string Path(const std::string& name) const { return (dir / name).string(); }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir;
    std::ostringstream out, err;
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
        << err.str();
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
    ASSERT_EQ(Run({"anim", "--style", "5", "--step", "30", "--size", "40x30", "-o", Path("run.gif")}), 0) << err.str();
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
        {{"render", "--style", "5", "--progress", "50", Path("small.bmp"), Path("large.bmp"), "-o", Path("o.png")},
         "transitions: OLD and NEW differ in size (10x10 and 20x10)\n"},
        {{"render", "--style", "5", "--progress", "50", Path("small.bmp"), Path("none.bmp"), "-o", Path("o.png")},
         "transitions: Cannot open file " + Path("none.bmp") + "\n"},
        {{"render", "--style", "5", "--progress", "50", Path("junk.png"), Path("junk.png"), "-o", Path("o.png")}, ""},
        {{"render", "--style", "5", "--progress", "50", dir.string(), dir.string(), "-o", Path("o.png")},
         "transitions: Cannot read file " + dir.string() + "\n"},
        {{"render", "--style", "5", "--progress", "101", "-o", Path("o.png")},
         "transitions: --progress wants a whole number from 0 to 100, not \"101\"\n"},
        {{"render", "--style", "5", "--progress", "5", "-o", Path("o.gif")},
         "transitions: The output must end in .png or .bmp\n"},
        {{"render", "--style", "5", "--progress", "5", Path("small.bmp"), "-o", Path("o.png")},
         "transitions: Give both OLD and NEW pictures, or neither\n"},
        {{"anim", "--style", "5", "-o", Path("o.png")},
         "transitions: The animation is written as GIF: the output must end in .gif\n"},
        {{"render", "--style", "5", "--progress", "5", "-o", Path("missing/o.png")}, ""},
        {{"anim", "--style", "5", "-o", Path("missing/o.gif")},
         "transitions: Cannot create file " + Path("missing/o.gif") + "\n"},
        {{"dance"}, "transitions: Unknown command \"dance\"; try transitions --help\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Run(c.args), 2) << c.args[0];
        const std::string message = err.str();
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
    EXPECT_NE(out.str().find("transitions anim --style N"), std::string::npos);
}

}  // namespace
}  // namespace orlscr::tool
