#include <windows.h>

#include <cstdio>

#include "builder/folder.h"
#include "builder/system_text.h"
#include "common/error.h"
#include "common/win/unique.h"

namespace orlscr::mkscr {

bool IsFolder(const std::string& path) {
    DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

namespace {

// The names of the files, or of the subfolders (without "." and "..", links
// to folders left out), of a folder.
std::vector<std::string> Entries(const std::string& folder, bool subfolders) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    UniqueFind search(FindFirstFileW(Widen(PathInFolder(folder, "*")).c_str(), &found));
    if (!search) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND)
            return names;
        throw Error("cannot list the folder '" + folder + "'");
    }
    do {
        const std::string name = Narrow(found.cFileName);
        const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (!subfolders && !isFolder)
            names.push_back(name);
        else if (subfolders && isFolder && !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && name != "." &&
                 name != "..")
            names.push_back(name);
    } while (FindNextFileW(search.get(), &found));
    return names;
}

}  // namespace

std::vector<std::string> FilesInFolder(const std::string& folder) {
    return Entries(folder, false);
}

std::vector<std::string> FoldersInFolder(const std::string& folder) {
    return Entries(folder, true);
}

bool IsHiddenEntry(const std::string& folder, const std::string& name) {
    if (!name.empty() && name[0] == '.')
        return true;
    const DWORD attributes = GetFileAttributesW(Widen(PathInFolder(folder, name)).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
}

std::string PathInFolder(const std::string& folder, const std::string& name) {
    if (folder.empty())
        return name;
    char last = folder.back();
    return last == '\\' || last == '/' || last == ':' ? folder + name : folder + "\\" + name;
}

std::FILE* OpenForReading(const std::string& path) {
    return _wfopen(Widen(path).c_str(), L"rb");
}

std::optional<std::string> ModifiedTimeText(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    FILETIME local;
    SYSTEMTIME time;
    if (!GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &data) ||
        !FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToSystemTime(&local, &time))
        return std::nullopt;
    char text[32] = {};
    std::snprintf(text, sizeof text, "%04u:%02u:%02u %02u:%02u:%02u", time.wYear, time.wMonth, time.wDay, time.wHour,
                  time.wMinute, time.wSecond);
    return std::string(text);
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    // No access is asked for: the attributes can be read even from a file that
    // another program holds open. Backup semantics let it open a folder too.
    UniqueFile file(CreateFileW(Widen(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!file || !GetFileInformationByHandle(file.get(), &info))
        return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber, (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

}  // namespace orlscr::mkscr
