#include "saver/exit_rules.h"

#include <cstdint>

namespace orlscr {

namespace {

constexpr int64_t kMouseMoveSlack = 3;

int64_t Distance(int32_t a, int32_t b) {
    const int64_t d = static_cast<int64_t>(a) - static_cast<int64_t>(b);
    return d < 0 ? -d : d;
}

bool IsButtonRelease(uint32_t message) {
    return message == kWmLButtonUp || message == kWmRButtonUp || message == kWmMButtonUp;
}

// Counts up, stopping at the largest value instead of wrapping to negative on
// a very long run.
void Count(int32_t& counter) {
    if (counter < INT32_MAX)
        ++counter;
}

}  // namespace

void ExitRules::Reset(ScreenSize screen) {
    LastMouseX = screen.width;
    LastMouseY = screen.height;
    ClickCount = 0;
    KeyCount = 0;
}

bool ExitRules::Apply(const ExitSettings& settings, const EventMsg& event, ScreenSize screen) {
    bool exit = false;

    if (event.message == kWmMouseMove && settings.lExitMouseMove) {
        const auto x = static_cast<int32_t>(event.paramL);
        const auto y = static_cast<int32_t>(event.paramH);
        if (LastMouseX == screen.width && LastMouseY == screen.height) {
            LastMouseX = x;
            LastMouseY = y;
        }
        if (Distance(LastMouseX, x) > kMouseMoveSlack || Distance(LastMouseY, y) > kMouseMoveSlack) {
            LastMouseX = x;
            LastMouseY = y;
            exit = true;
        }
    }

    if (!settings.lExitMouseMove) {
        if (IsButtonRelease(event.message) && settings.lExitMouseClick && ClickCount > 1)
            exit = true;
        else
            Count(ClickCount);
    }

    if (event.message == kWmKeyUp && settings.lExitKeyPress && KeyCount > 1)
        exit = true;
    else
        Count(KeyCount);

    return exit;
}

}  // namespace orlscr
