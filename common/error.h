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

}  // namespace orlscr
