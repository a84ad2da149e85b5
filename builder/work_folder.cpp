#include "builder/work_folder.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>

#include "common/error.h"

namespace orlscr::mkscr {

namespace fs = std::filesystem;

namespace {

// UTF-8 text and paths, on Windows too (where a plain string would be taken
// in the system code page).
fs::path Utf8Path(const std::string& text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}

std::string Utf8Text(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace

WorkFolder::WorkFolder(const std::string& prefix) {
    std::error_code error;
    const fs::path base = fs::temp_directory_path(error);
    if (error)
        throw Error("no temporary folder for the conversion: " + error.message());
    uint64_t seed = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < 100; ++attempt) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        const fs::path candidate = base / Utf8Path(prefix + "-" + std::to_string(seed >> 20));
        if (fs::create_directory(candidate, error)) {
            path_ = Utf8Text(candidate);
            return;
        }
        if (error)
            throw Error("cannot make a temporary folder in " + Utf8Text(base) + ": " + error.message());
    }
    throw Error("cannot make a temporary folder in " + Utf8Text(base));
}

WorkFolder::~WorkFolder() {
    RemoveFolderTree(path_);
}

void RemoveFolderTree(const std::string& path) {
    std::error_code ignored;
    fs::remove_all(Utf8Path(path), ignored);
}

std::string WorkFolder::PathOf(const std::string& name) const {
    return Utf8Text(Utf8Path(path_) / Utf8Path(name));
}

std::string WorkFolder::MakeFolder(const std::string& name) const {
    const std::string path = PathOf(name);
    std::error_code error;
    fs::create_directories(Utf8Path(path), error);
    if (error)
        throw Error("cannot make the folder " + path + ": " + error.message());
    return path;
}

void CopyWholeFile(const std::string& from, const std::string& to) {
    std::error_code error;
    fs::copy_file(Utf8Path(from), Utf8Path(to), fs::copy_options::overwrite_existing, error);
    if (error)
        throw Error("cannot copy " + from + " to " + to + ": " + error.message());
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::ofstream file(Utf8Path(path), std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file)
        throw Error("cannot write " + path);
}

void RemoveWholeFile(const std::string& path) {
    std::error_code error;
    fs::remove(Utf8Path(path), error);
    if (error)
        throw Error("cannot remove " + path + ": " + error.message());
}

std::optional<uint64_t> SizeOfFile(const std::string& path) {
    std::error_code error;
    const fs::path file = Utf8Path(path);
    if (!fs::is_regular_file(file, error))
        return std::nullopt;
    const uintmax_t size = fs::file_size(file, error);
    if (error)
        return std::nullopt;
    return static_cast<uint64_t>(size);
}

std::string FileUrl(const std::string& path) {
    std::string url = "file://";
    if (path.empty() || (path[0] != '/' && path[0] != '\\'))
        url += '/';
    static const char kHex[] = "0123456789ABCDEF";
    for (unsigned char c : path) {
        if (c == '\\')
            c = '/';
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            std::string_view("-._~/:").find(static_cast<char>(c)) != std::string_view::npos) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 15];
        }
    }
    return url;
}

}  // namespace orlscr::mkscr
