#include "tools/mkscr/folder.h"

#include <sys/stat.h>

#include <filesystem>

#include "common/error.h"

namespace orlscr::mkscr {

bool IsFolder(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_directory(path, ec);
}

std::vector<std::string> FilesInFolder(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (auto it = std::filesystem::directory_iterator(folder, ec); !ec && it != std::filesystem::directory_iterator();
         it.increment(ec)) {
        std::error_code typeError;
        if (it->is_regular_file(typeError))
            names.push_back(it->path().filename().string());
    }
    if (ec)
        throw Error("cannot list the folder '" + folder + "': " + ec.message());
    return names;
}

std::string PathInFolder(const std::string& folder, const std::string& name) {
    if (folder.empty())
        return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::FILE* OpenForReading(const std::string& path) {
    return std::fopen(path.c_str(), "rb");
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat s;
    if (::stat(path.c_str(), &s) != 0)
        return std::nullopt;
    return FileIdentity{static_cast<uint64_t>(s.st_dev), static_cast<uint64_t>(s.st_ino)};
}

}  // namespace orlscr::mkscr
