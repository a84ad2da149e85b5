#include <iostream>

#include "tools/mkscr/cli.h"

int main(int argc, char** argv) {
    std::vector<std::string> args;
    std::string error;
    if (!orlscr::mkscr::CommandLineArguments(argc, argv, args, error)) {
        std::cerr << "mkscr: " << error << "\n";
        return 2;
    }
    return orlscr::mkscr::RunMkscr(args, orlscr::mkscr::ProgramFolder(argc > 0 ? argv[0] : nullptr), std::cout,
                                   std::cerr);
}
