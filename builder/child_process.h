#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "common/error.h"

namespace orlscr::mkscr {

// What became of a program run by RunChildProcess.
struct ChildOutcome {
    bool timedOut = false;  // ended by the time limit, with everything it started
    int exitCode = -1;      // its exit status; -1 when it was ended by a signal or the limit
    std::string output;     // its standard output and error together, the last kMaxChildOutput bytes
};

inline constexpr size_t kMaxChildOutput = 64 * 1024;

// Thrown by RunChildProcess when the builder is asked to end by a signal
// (Ctrl+C) while the program runs; the program and what it started are ended
// by then. Whoever catches it last raises the signal again (RaiseAgain).
class StopSignalError : public Error {
  public:
    explicit StopSignalError(int signal) : Error("interrupted"), signal_(signal) {}
    void RaiseAgain() const;

  private:
    int signal_;
};

// Runs the program `command[0]` (a full path, UTF-8) with the arguments that
// follow, its standard input empty, and waits at most `limit` for it. A
// program still running then is ended together with every process it started
// (a process group; on Windows a job object), and so is anything it left
// running when it exits. Throws Error when the program cannot be started.
ChildOutcome RunChildProcess(const std::vector<std::string>& command, std::chrono::milliseconds limit);

}  // namespace orlscr::mkscr
