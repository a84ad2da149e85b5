#include <windows.h>

#include "common/error.h"
#include "common/win/unique.h"
#include "tools/mkscr/folder.h"
#include "tools/mkscr/system_text.h"

namespace orlscr::mkscr {

bool IsFolder(const std::string& path) {
    DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> FilesInFolder(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    UniqueFind search(FindFirstFileW(Widen(PathInFolder(folder, "*")).c_str(), &found));
    if (!search) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND)
            return names;
        throw Error("cannot list the folder '" + folder + "'");
    }
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(Narrow(found.cFileName));
    } while (FindNextFileW(search.get(), &found));
    return names;
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

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    // No access is asked for: the attributes can be read even from a file that
    // another program holds open. Backup semantics let it open a folder too.
    UniqueFile file(CreateFileW(Widen(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!file || !GetFileInformationByHandle(file.get(), &info))
        return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber,
                        (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

}  // namespace orlscr::mkscr
