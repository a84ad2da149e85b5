#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace orlscr::mkscr {

// Runs the builder on the arguments (without the program name). `programFolder`
// is where the default player, hook library and slide viewer are looked for.
// Returns the exit code; every error is one line on `err`.
int RunMkscr(const std::vector<std::string>& args,
             const std::string& programFolder,
             std::ostream& out,
             std::ostream& err);

// Folder of the running executable ("" when unknown).
std::string ProgramFolder(const char* argv0);

// The arguments after the program name, as the builder takes its texts and
// paths: as they are here; on Windows taken from the wide command line and
// converted to the system code page, where an argument with a character that
// the code page lacks is refused (`error` says which) instead of being stored
// with '?' in its place.
bool CommandLineArguments(int argc, char** argv, std::vector<std::string>& args, std::string& error);

}  // namespace orlscr::mkscr
