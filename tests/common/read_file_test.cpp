#include "common/read_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "support/expect_error.h"

namespace orlscr {
namespace {

namespace fs = std::filesystem;

class ReadFileBytesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("orlscr-read-file-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::string& name, const std::string& bytes) {
        const fs::path path = dir_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    fs::path dir_;
};

TEST_F(ReadFileBytesTest, ReadsUpToTheCapAndRefusesOneByteMore) {
    // Larger than one read chunk, so the cap is checked across chunks.
    const std::string big((size_t{1} << 20) + 7, 'x');
    const std::string path = Write("big.bin", big);
    EXPECT_EQ(ReadFileBytes(path, big.size()).size(), big.size());
    EXPECT_ERROR_MSG(ReadFileBytes(path, big.size() - 1),
                     "Cannot read file " + path + ": it is larger than " + std::to_string(big.size() - 1) + " bytes");
    EXPECT_TRUE(ReadFileBytes(Write("empty.bin", ""), 0).empty());
    try {
        ReadFileBytes(Write("three.bin", "abc"), 2);
        FAIL() << "no error";
    } catch (const FileReadError& error) {
        EXPECT_EQ(error.WhatFailed(), FileReadError::Reason::kTooLarge);
        EXPECT_EQ(error.Detail(), "the file is larger than 2 bytes");
    }
}

TEST_F(ReadFileBytesTest, NamesTheFileThatCannotBeOpenedOrRead) {
    const std::string missing = (dir_ / "missing.bin").string();
    EXPECT_ERROR_MSG(ReadFileBytes(missing, 10), "Cannot open file " + missing);
    try {
        ReadFileBytes(missing, 10);
    } catch (const FileReadError& error) {
        EXPECT_EQ(error.WhatFailed(), FileReadError::Reason::kCannotOpen);
        EXPECT_EQ(error.Path(), missing);
        EXPECT_EQ(error.Detail(), "the file cannot be opened (No such file or directory)");
    }
    // A folder opens, but cannot be read.
    EXPECT_ERROR_MSG(ReadFileBytes(dir_.string(), 10), "Cannot read file " + dir_.string());
}

TEST(ByteCountText, WholeMegabytesOrBytes) {
    EXPECT_EQ(ByteCountText(uint64_t{64} << 20), "64 MB");
    EXPECT_EQ(ByteCountText((uint64_t{1} << 20) + 1), "1048577 bytes");
    EXPECT_EQ(ByteCountText(0), "0 bytes");
}

}  // namespace
}  // namespace orlscr
