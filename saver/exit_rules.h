#pragma once

#include <cstdint>

#include "hook/source/event_msg.h"

namespace orlscr {

// The settings that decide which input ends a run.
struct ExitSettings {
    bool lExitMouseMove = false;
    bool lExitMouseClick = false;
    bool lExitKeyPress = false;
};

struct ScreenSize {
    int32_t width = 0;
    int32_t height = 0;
};

// The state of the exit rules for one run. The reference point of the
// mouse-move rule is "none yet" while it equals the screen size of the moment.
// ClickCount and KeyCount count the events that did not end the run; only
// once a counter is past 1 can its rule end it.
struct ExitRules {
    int32_t LastMouseX = 0;
    int32_t LastMouseY = 0;
    int32_t ClickCount = 0;
    int32_t KeyCount = 0;

    // The state at the start of the keyboard watch: no reference, no counts.
    void Reset(ScreenSize screen);

    // Applies the rules to one input event and says whether it asks to end
    // the run. Mouse coordinates are signed and may lie left of or above the
    // primary screen; the distance is taken without overflow.
    bool Apply(const ExitSettings& settings, const EventMsg& event, ScreenSize screen);
};

}  // namespace orlscr
