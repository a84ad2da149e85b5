#include "picture/load.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "picture/decode.h"
#include "support/expect_error.h"
#include "support/temp_folder.h"
#include "support/test_pictures.h"

namespace orlscr {
namespace {

using testing::TempFolder;
using testing::PixelAt;

namespace fs = std::filesystem;

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
    EXPECT_EQ(PixelAt(frame, 4, 4), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(PixelAt(frame, 4, 1), (std::vector<int>{0, 0, 0}));

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
