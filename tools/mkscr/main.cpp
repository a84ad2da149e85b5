#include <cstdio>
#include <iostream>

#ifdef _WIN32
#include <io.h>
#define ORLSCR_ISATTY _isatty
#define ORLSCR_FILENO _fileno
#else
#include <unistd.h>
#define ORLSCR_ISATTY isatty
#define ORLSCR_FILENO fileno
#endif

#include "common/path.h"
#include "tools/mkscr/cli.h"

int main(int argc, char** argv) {
    std::vector<std::string> args;
    std::string error;
    if (!orlscr::mkscr::CommandLineArguments(argc, argv, args, error)) {
        std::cerr << "mkscr: " << error << "\n";
        return 2;
    }
    const bool terminal = ORLSCR_ISATTY(ORLSCR_FILENO(stderr)) != 0;
    // UTF-8 on every system: no byte of a multi-byte character is a separator.
    const std::string programFolder =
        orlscr::ProgramFolder(orlscr::mkscr::RunningProgramPath(argc > 0 ? argv[0] : nullptr), orlscr::NoLeadBytes);
    return orlscr::mkscr::RunMkscr(args, programFolder, std::cout, std::cerr, terminal);
}
