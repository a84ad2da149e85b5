#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace orlscr::testing {

// A folder of its own under the system's temporary folder, named after the
// running test and removed at the end.
class TempFolder {
  public:
    TempFolder() {
        const ::testing::UnitTest& unit = *::testing::UnitTest::GetInstance();
        path_ = std::filesystem::temp_directory_path() /
                (std::string("orlscr_") + unit.current_test_info()->test_suite_name() + "_" +
                 unit.current_test_info()->name() + "_" + std::to_string(unit.random_seed()));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() { std::filesystem::remove_all(path_); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(path_ / name, std::ios::binary) << bytes;
        return Path(name);
    }
    std::string Path(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

}  // namespace orlscr::testing
