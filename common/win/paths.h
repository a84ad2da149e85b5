#pragma once

#include <string>

namespace orlscr {

// The folders the player works with, as the system reports them. Every query
// grows its buffer until the answer fits, so long paths are never cut.

// The system code page's lead-byte test (IsDBCSLeadByte), for the path rules
// of common/path.h and the comma lists.
bool IsSystemLeadByte(unsigned char byte);

// The user's temporary folder as GetTempPathA reports it, with its trailing
// backslash. Throws Win32Error "Cannot find the temporary folder: <reason>"
// when the system has none to give (on Wine, for example, for a TMP longer
// than the longest path), so that no file is ever written to the current
// folder instead.
std::string TempDir();

// The system folder (GetSystemDirectoryA), without a trailing backslash.
// Throws Win32Error when the system does not report it.
std::string SysDir();

// The running program's full path (GetModuleFileNameA). Throws Win32Error
// when the system does not report it.
std::string ProgramPath();

// The running program's folder with its trailing backslash: the program folder
// of ProgramPath() under the system code page's lead bytes. "CONTROL.INI" and
// the language file lie here.
std::string ProgramFolder();

}  // namespace orlscr
