#include "tools/slideview/saver_watch.h"

namespace orlscr {

std::optional<uint64_t> ParseSaverWindow(std::string_view text) {
    if (text.empty() || text.size() > 20)
        return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (value > (UINT64_MAX - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    if (value == 0)
        return std::nullopt;
    return value;
}

bool SaverWatch::Check(uint32_t now, bool exists, bool answered) {
    if (!exists)
        return true;
    if (answered) {
        lastAnswer_ = now;
        return false;
    }
    // Signed, so a tick read before the last answer is no silence.
    return static_cast<int32_t>(now - lastAnswer_) >= static_cast<int32_t>(kSilentMs);
}

}  // namespace orlscr
