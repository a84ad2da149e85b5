#pragma once

#include <cstdint>

namespace orlscr {

// Message number with which the hook library reports an input event to a
// receiving window; LParam then points at the event's EventMsg.
inline constexpr uint32_t kHookNotifyMessage = 1960;

// Input message numbers the exit rules look at.
inline constexpr uint32_t kWmKeyDown = 0x100;
inline constexpr uint32_t kWmKeyUp = 0x101;
inline constexpr uint32_t kWmSysKeyDown = 0x104;
inline constexpr uint32_t kWmSysKeyUp = 0x105;
inline constexpr uint32_t kWmMouseMove = 0x200;
inline constexpr uint32_t kWmLButtonDown = 0x201;
inline constexpr uint32_t kWmLButtonUp = 0x202;
inline constexpr uint32_t kWmRButtonDown = 0x204;
inline constexpr uint32_t kWmRButtonUp = 0x205;
inline constexpr uint32_t kWmMButtonDown = 0x207;
inline constexpr uint32_t kWmMButtonUp = 0x208;

// The platform's journal event record (EVENTMSG), laid out as the platform
// lays it out, so a pointer received from the hook library can be read through
// it. For mouse events paramL and paramH are the cursor's x and y in screen
// pixels (signed values stored in unsigned fields); for key events paramL is
// the virtual key in its low byte and the scan code in the next, and paramH the
// repeat count with bit 15 set for an extended key.
struct EventMsg {
    uint32_t message;
    uint32_t paramL;
    uint32_t paramH;
    uint32_t time;
    uintptr_t hwnd;
};

// A window message as the keyboard watch hands it to its handler. WParam,
// LParam and Result are pointer-sized, since LParam carries an address.
struct TMessage {
    uint32_t Msg = 0;
    intptr_t WParam = 0;
    intptr_t LParam = 0;
    intptr_t Result = 0;
};

}  // namespace orlscr
