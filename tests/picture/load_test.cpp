#include "picture/load.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "picture/decode.h"
#include "support/expect_error.h"

namespace orlscr {
namespace {

namespace fs = std::filesystem;

// A folder of its own under the system's temporary folder, removed at the end.
class TempFolder {
  public:
    TempFolder() {
        path_ = fs::temp_directory_path() /
                ("picture_load_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TempFolder() { fs::remove_all(path_); }

    std::string Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(path_ / name, std::ios::binary) << bytes;
        return (path_ / name).string();
    }
    std::string Path(const std::string& name) const { return (path_ / name).string(); }

  private:
    fs::path path_;
};

std::vector<int> Pixel(const Bitmap& bitmap, int32_t x, int32_t y) {
    const uint8_t* p = bitmap.Row(y) + x * 3;
    return {p[0], p[1], p[2]};
}

TEST(PictureLoad, ScalesIntoTheFrameAndNamesTheFileInErrors) {
    TempFolder folder;
    Bitmap picture(4, 2);
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 4; ++x) {
            picture.Row(y)[x * 3] = 1;
            picture.Row(y)[x * 3 + 1] = 2;
            picture.Row(y)[x * 3 + 2] = 3;
        }
    const std::vector<uint8_t> bmp = EncodeBmp(picture);
    const std::string path = folder.Write("a b.bmp", std::string(bmp.begin(), bmp.end()));

    const Bitmap own = DecodeSlidePicture(path);
    EXPECT_EQ(own.Width(), 4);
    EXPECT_EQ(own.Height(), 2);
    Bitmap frame = LoadSlidePicture(path, 8, 8);
    EXPECT_EQ(Pixel(frame, 4, 4), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(Pixel(frame, 4, 1), (std::vector<int>{0, 0, 0}));

    EXPECT_ERROR_MSG(LoadSlidePicture(folder.Path("gone.jpg"), 8, 8),
                     "gone.jpg: the file cannot be opened (No such file or directory)");
    EXPECT_ERROR_MSG(LoadSlidePicture(folder.Write("empty.bmp", ""), 8, 8), "empty.bmp: the file is empty");
    try {
        LoadSlidePicture(folder.Write("notes.jpg", "just some text"), 8, 8);
        ADD_FAILURE() << "a text file decoded as a picture";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()).rfind("notes.jpg: ", 0), 0u) << error.what();
    }
}

}  // namespace
}  // namespace orlscr
