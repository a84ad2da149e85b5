#include "common/trace.h"

#include <fcntl.h>
#include <unistd.h>

namespace orlscr {

// Opened per line so that every line is on disk even if the process is killed;
// O_APPEND makes the one write land at the end whatever another process wrote.
void AppendTraceLine(const char* path, std::string_view line) noexcept {
    const int file = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (file < 0)
        return;
    [[maybe_unused]] const ssize_t written = ::write(file, line.data(), line.size());
    ::close(file);
}

}  // namespace orlscr
