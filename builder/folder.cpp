#include "builder/folder.h"

#include <sys/stat.h>

#include <ctime>
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

bool IsHiddenEntry(const std::string&, const std::string& name) {
    return !name.empty() && name[0] == '.';
}

std::string PathInFolder(const std::string& folder, const std::string& name) {
    if (folder.empty())
        return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::FILE* OpenForReading(const std::string& path) {
    return std::fopen(path.c_str(), "rb");
}

std::optional<std::string> ModifiedTimeText(const std::string& path) {
    struct stat info = {};
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    const std::time_t time = info.st_mtime;
    std::tm local = {};
    if (!::localtime_r(&time, &local))
        return std::nullopt;
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y:%m:%d %H:%M:%S", &local);
    return std::string(text);
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat s;
    if (::stat(path.c_str(), &s) != 0)
        return std::nullopt;
    return FileIdentity{static_cast<uint64_t>(s.st_dev), static_cast<uint64_t>(s.st_ino)};
}

}  // namespace orlscr::mkscr
