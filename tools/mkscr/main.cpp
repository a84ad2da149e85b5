#include <iostream>

#include "tools/mkscr/cli.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return orlscr::mkscr::RunMkscr(args, orlscr::mkscr::ProgramFolder(argc > 0 ? argv[0] : nullptr), std::cout,
                                   std::cerr);
}
