#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace orlscr::mkscr {

// File and folder access. Paths are UTF-8 on every system; on Windows they are
// widened and handed to the wide functions, so that any name the file system
// holds can be read, whatever the system code page.

bool IsFolder(const std::string& path);

// Names (not paths) of the regular files in a folder, in no particular order,
// as UTF-8. Throws Error when the folder cannot be listed.
std::vector<std::string> FilesInFolder(const std::string& folder);

// Names of the subfolders of a folder, in no particular order. Links to
// folders are left out, since one may lead back up. Throws Error when the
// folder cannot be listed.
std::vector<std::string> FoldersInFolder(const std::string& folder);

// Whether an entry of a folder is hidden: a name that starts with a dot, and
// on Windows also the hidden or system attribute.
bool IsHiddenEntry(const std::string& folder, const std::string& name);

// The folder and a name with one separator between them.
std::string PathInFolder(const std::string& folder, const std::string& name);

// Opens a file for reading in binary mode; nullptr (errno set) when it cannot.
std::FILE* OpenForReading(const std::string& path);

// When the file was last written, as local time in the form a camera writes
// a picture's date taken ("YYYY:MM:DD HH:MM:SS"), so that both sort together;
// nothing when the file cannot be looked at.
std::optional<std::string> ModifiedTimeText(const std::string& path);

// What makes a file the same file under any of its names: the device and the
// inode (Linux), the volume serial number and the file index (Windows). A link,
// or another spelling of the path, has the identity of the file it leads to.
struct FileIdentity {
    uint64_t volume = 0;
    uint64_t index = 0;
    bool operator==(const FileIdentity&) const = default;
};

// Nothing when there is no file at `path` (or it cannot be looked at).
std::optional<FileIdentity> IdentityOf(const std::string& path);

}  // namespace orlscr::mkscr
