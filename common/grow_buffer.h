#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace orlscr {

// Runs a Win32-style text query with a buffer that grows until the answer
// fits, so that no answer is ever cut at a fixed size. `query(buffer, size)`
// writes into `buffer` of `size` bytes and returns:
// - 0 when it failed;
// - the length of the text, terminating zero not counted, when it fit;
// - anything from `size` up when it did not fit: the size it needs (as
//   GetTempPathA and GetSystemDirectoryA answer) or the size it was given (as
//   GetModuleFileNameA answers when it cut the text).
// Nothing when the query failed, or still did not fit at 64 KiB, beyond
// the longest path the system knows.
template <typename Query>
std::optional<std::string> QueryGrowingText(Query query, size_t initialSize = 260) {
    constexpr size_t kLimit = 64 * 1024;
    std::string buffer(initialSize > 0 ? initialSize : 1, '\0');
    while (true) {
        const size_t length = static_cast<size_t>(query(buffer.data(), buffer.size()));
        if (length == 0)
            return std::nullopt;
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        if (buffer.size() >= kLimit)
            return std::nullopt;
        const size_t next = length + 1 > buffer.size() * 2 ? length + 1 : buffer.size() * 2;
        buffer.assign(next < kLimit ? next : kLimit, '\0');
    }
}

}  // namespace orlscr
