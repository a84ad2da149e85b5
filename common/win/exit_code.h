#pragma once

namespace orlscr {

// The process exit code that WinMain returns. It stays 0 unless a component
// records a failure that must reach the caller (the keyboard watch sets -1
// when it cannot load its hook library). Main thread only.
inline int& ProcessExitCode() {
    static int code = 0;
    return code;
}
inline void SetExitCode(int code) {
    ProcessExitCode() = code;
}
inline int ExitCode() {
    return ProcessExitCode();
}

}  // namespace orlscr
