#pragma once

#include <windows.h>

#include <string>

#include "common/error.h"

namespace orlscr {

// The system's text for a Win32 error code, without the trailing line break;
// "error N" when the system has none.
std::string SystemErrorText(DWORD code);

// An Error for a failed Win32 call: the message is `what`, then ": " and the
// system's text for the error code (GetLastError() when none is given).
class Win32Error : public Error {
  public:
    explicit Win32Error(const std::string& what, DWORD code = ::GetLastError())
        : Error(what + ": " + SystemErrorText(code)), code_(code) {}

    DWORD code() const { return code_; }

  private:
    DWORD code_;
};

}  // namespace orlscr
