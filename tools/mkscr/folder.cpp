#include "tools/mkscr/folder.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "common/error.h"

namespace orlscr::mkscr {

bool IsFolder(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_directory(path, ec);
}

namespace {

// The names of the regular files, or of the subfolders (links to folders left
// out), of a folder.
std::vector<std::string> Entries(const std::string& folder, bool subfolders) {
    std::vector<std::string> names;
    std::error_code ec;
    for (auto it = std::filesystem::directory_iterator(folder, ec); !ec && it != std::filesystem::directory_iterator();
         it.increment(ec)) {
        std::error_code typeError;
        const bool wanted =
            subfolders ? it->is_directory(typeError) && !it->is_symlink(typeError) : it->is_regular_file(typeError);
        if (wanted)
            names.push_back(it->path().filename().string());
    }
    if (ec)
        throw Error("cannot list the folder '" + folder + "': " + ec.message());
    return names;
}

}  // namespace

std::vector<std::string> FilesInFolder(const std::string& folder) {
    return Entries(folder, false);
}

std::vector<std::string> FoldersInFolder(const std::string& folder) {
    return Entries(folder, true);
}

std::string PathInFolder(const std::string& folder, const std::string& name) {
    if (folder.empty())
        return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string MoveReplacing(const std::string& from, const std::string& to) {
    if (std::rename(from.c_str(), to.c_str()) != 0)
        return std::strerror(errno);
    return std::string();
}

}  // namespace orlscr::mkscr
