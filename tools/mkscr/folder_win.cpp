#include <windows.h>

#include "common/error.h"
#include "common/win/win32_error.h"
#include "tools/mkscr/folder.h"

namespace orlscr::mkscr {

bool IsFolder(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

namespace {

// The names of the files, or of the subfolders (without "." and "..", links
// to folders left out), of a folder.
std::vector<std::string> Entries(const std::string& folder, bool subfolders) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(PathInFolder(folder, "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND)
            return names;
        throw Error("cannot list the folder '" + folder + "'");
    }
    do {
        const std::string name = found.cFileName;
        const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (!subfolders && !isFolder)
            names.push_back(name);
        else if (subfolders && isFolder && !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && name != "." &&
                 name != "..")
            names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
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
    char last = folder.back();
    return last == '\\' || last == '/' || last == ':' ? folder + name : folder + "\\" + name;
}

std::string MoveReplacing(const std::string& from, const std::string& to) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return std::string();
    return SystemErrorText(GetLastError());
}

}  // namespace orlscr::mkscr
