#include <iostream>
#include <string>
#include <vector>

#include "tools/transitions/transitions_tool.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return orlscr::tool::RunTransitionsTool(args, std::cout, std::cerr);
}
