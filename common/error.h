#pragma once

#include <stdexcept>
#include <string>

namespace orlscr {

// Every failure the program reports is an Error carrying exactly the text the
// user sees ("Stream read error", "Cannot create file C:\x"). Callers that show
// or swallow errors catch this type; what() is the message.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// An Error that reaches the program's entry after a failure that sets the
// process exit code: the entry ends the program with ExitCode().
class ExitCodeError : public Error {
public:
    ExitCodeError(const std::string& message, int exitCode) : Error(message), exitCode_(exitCode) {}
    int ExitCode() const { return exitCode_; }

private:
    int exitCode_;
};

}  // namespace orlscr
