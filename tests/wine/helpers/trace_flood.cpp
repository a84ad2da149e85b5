// Appends `count` numbered lines ("flood <tag> <n>") to the trace file named
// by ORLSCR_TRACE as fast as it can, as several processes of one run do at
// once: trace_flood <tag> <count>.
#include <cstdlib>
#include <string>

#include "common/trace.h"

int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    const int count = std::atoi(argv[2]);
    for (int n = 0; n < count; ++n)
        orlscr::Trace(std::string("flood ") + argv[1] + " " + std::to_string(n));
    return 0;
}
