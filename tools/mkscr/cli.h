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

}  // namespace orlscr::mkscr
