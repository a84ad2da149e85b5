#include <filesystem>

#include "tools/mkscr/cli.h"

namespace orlscr::mkscr {

std::string RunningProgramPath(const char* argv0) {
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec || self.empty())
        self = std::filesystem::absolute(argv0 ? argv0 : "", ec);
    return ec ? std::string() : self.string();
}

bool CommandLineArguments(int argc, char** argv, std::vector<std::string>& args, std::string&) {
    args.assign(argv + (argc > 0 ? 1 : 0), argv + argc);
    return true;
}

}  // namespace orlscr::mkscr
