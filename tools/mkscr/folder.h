#pragma once

#include <string>
#include <vector>

namespace orlscr::mkscr {

// Folder access with paths as the program receives them on its command line:
// UTF-8 elsewhere, the system code page on Windows (where these use the ANSI
// functions, so that names come back in the same code page as the arguments).

bool IsFolder(const std::string& path);

// Names (not paths) of the regular files in a folder, in no particular order.
// Throws Error when the folder cannot be listed.
std::vector<std::string> FilesInFolder(const std::string& folder);

// Names of the subfolders of a folder, in no particular order. Links to
// folders are left out, since one may lead back up. Throws Error when the
// folder cannot be listed.
std::vector<std::string> FoldersInFolder(const std::string& folder);

// The folder and a name with one separator between them.
std::string PathInFolder(const std::string& folder, const std::string& name);

// Moves the file `from` to `to` in one step, replacing a file already at `to`.
// Returns an error text, empty on success.
std::string MoveReplacing(const std::string& from, const std::string& to);

}  // namespace orlscr::mkscr
