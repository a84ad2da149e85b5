#include <windows.h>

#include "common/error.h"
#include "tools/mkscr/folder.h"

namespace orlscr::mkscr {

bool IsFolder(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> FilesInFolder(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(PathInFolder(folder, "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND)
            return names;
        throw Error("cannot list the folder '" + folder + "'");
    }
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.emplace_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

std::string PathInFolder(const std::string& folder, const std::string& name) {
    if (folder.empty())
        return name;
    char last = folder.back();
    return last == '\\' || last == '/' || last == ':' ? folder + name : folder + "\\" + name;
}

}  // namespace orlscr::mkscr
