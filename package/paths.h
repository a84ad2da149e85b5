#pragma once

#include <string>
#include <string_view>

#include "package/comma_list.h"

namespace orlscr {

// The folder and the name with exactly one backslash between them: none added
// when the folder's last character is a backslash. The last character is
// taken whole, so the trail byte of a double-byte character (as `isLeadByte`
// tells) is not a backslash. An empty folder gives the name alone, so that no
// path ends up in the root of the current drive by accident.
std::string JoinPath(std::string_view folder, std::string_view name, LeadBytePredicate isLeadByte = nullptr);

#ifdef _WIN32
// The user's temporary folder as GetTempPathA reports it (with its trailing
// backslash), and the system folder (GetSystemDirectoryA, without one).
std::string TempDir();
std::string SysDir();
#endif

}  // namespace orlscr
