#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace orlscr::mkscr {

// Runs the builder on the arguments (UTF-8, without the program name).
// `programFolder` is where the default player, hook library and slide viewer
// are looked for. Returns the exit code: 0, 1 for an error, 2 for a command
// line that cannot be understood; every error is one line on `err`. With
// `showProgress` (standard error is a terminal) a build shows its progress on
// one line of `err`.
int RunMkscr(const std::vector<std::string>& args,
             const std::string& programFolder,
             std::ostream& out,
             std::ostream& err,
             bool showProgress = false);

// The running executable's full path in UTF-8 ("" when unknown); its folder is
// ProgramFolder(path, NoLeadBytes) of common/path.h.
std::string RunningProgramPath(const char* argv0);

// The arguments after the program name as UTF-8: as they are here; on Windows
// taken from the wide command line, so that a path keeps every character
// whatever the system code page (a text is converted to the code page only
// where it is stored). False, with `error` set, when they cannot be read.
bool CommandLineArguments(int argc, char** argv, std::vector<std::string>& args, std::string& error);

}  // namespace orlscr::mkscr
