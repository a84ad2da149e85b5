#include <filesystem>

#include "tools/mkscr/cli.h"

namespace orlscr::mkscr {

std::string ProgramFolder(const char* argv0) {
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec || self.empty())
        self = std::filesystem::absolute(argv0 ? argv0 : "", ec);
    return self.parent_path().string();
}

}  // namespace orlscr::mkscr
