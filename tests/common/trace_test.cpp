#include "common/trace.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace orlscr {
namespace {

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(Trace, AppendsOneLinePerEventOnlyWhenAsked) {
    const auto path = std::filesystem::temp_directory_path() / ("orlscr-trace-" + std::to_string(::getpid()));
    std::filesystem::remove(path);

    ::unsetenv("ORLSCR_TRACE");
    EXPECT_FALSE(TraceEnabled());
    Trace("not written");
    EXPECT_FALSE(std::filesystem::exists(path));

    ::setenv("ORLSCR_TRACE", path.c_str(), 1);
    EXPECT_TRUE(TraceEnabled());
    Trace("mode 2 arg1=/C:1234 arg2=");
    Trace("two\nlines\r");
    Trace("");
    EXPECT_EQ(ReadAll(path), "mode 2 arg1=/C:1234 arg2=\ntwo lines \n\n");

    ::unsetenv("ORLSCR_TRACE");
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace orlscr
