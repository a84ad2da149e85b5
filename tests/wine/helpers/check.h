#pragma once

// The checks of a Wine check program (a helper that tests Win32 code in its
// own process and is run by a Wine test): Check() prints every failed check
// with its line, CheckSummary() prints "N failed" last and gives the number as
// the program's exit code, which the Wine test reads.
//
//   int main() {
//       Check(Width() == 40, "the metafile is 40 pixels wide");
//       return CheckSummary();
//   }

#include <cstdio>
#include <exception>
#include <source_location>
#include <string>

namespace orlscr::check {

inline int& Failures() {
    static int failures = 0;
    return failures;
}

inline void Check(bool ok, const std::string& what, std::source_location where = std::source_location::current()) {
    if (ok)
        return;
    std::printf("FAILED (line %u): %s\n", static_cast<unsigned>(where.line()), what.c_str());
    std::fflush(stdout);
    ++Failures();
}

// The message of the exception that `action` throws, or "" when it throws none.
template <typename Action>
std::string ErrorOf(Action&& action) {
    try {
        action();
        return "";
    } catch (const std::exception& error) {
        return error.what();
    }
}

inline int CheckSummary() {
    std::printf("%d failed\n", Failures());
    std::fflush(stdout);
    return Failures();
}

}  // namespace orlscr::check
