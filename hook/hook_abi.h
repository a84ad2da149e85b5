#pragma once

// The binary interface between the hook library and the programs that load
// it. Packages carry a library built at their own time, so a player must work
// with libraries built before it: nothing here may change its bytes.
//
// The exports (undecorated C names, the x64 calling convention):
//   InstallHook(window, message): adds the window to the receivers (a window
//       already there gets the new message number, and the hooks are set
//       afresh); 0 on success, -1 when the window is not a window or the
//       hooks cannot be set.
//   UninstallHook(window): ends the delivery to the window; 0.
// Each input event reaches a receiver as `message` sent to its window, with
// LParam pointing at the event's record (EventMsg), valid for the call.
//
// Portable code reads the record too, so this header does without the
// platform's headers; Win32 code checks the record against the platform's
// with EventMsgLayoutMatches.

#include <cstddef>
#include <cstdint>

// The platform's window handle (HWND) is a pointer to this, as its headers
// declare it.
struct HWND__;

namespace orlscr {

// The message number the player asks the library to report events with.
inline constexpr uint32_t kHookNotifyMessage = 1960;

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
static_assert(offsetof(EventMsg, paramL) == 4 && offsetof(EventMsg, paramH) == 8 && offsetof(EventMsg, time) == 12 &&
              offsetof(EventMsg, hwnd) == 16 && sizeof(EventMsg) == 16 + sizeof(void*));

// Whether the platform's record (EVENTMSG) has EventMsg's layout; Win32 code
// that hands records across checks it with a static_assert.
template <typename PlatformEventMsg>
constexpr bool EventMsgLayoutMatches() {
    return sizeof(PlatformEventMsg) == sizeof(EventMsg) &&
           offsetof(PlatformEventMsg, message) == offsetof(EventMsg, message) &&
           offsetof(PlatformEventMsg, paramL) == offsetof(EventMsg, paramL) &&
           offsetof(PlatformEventMsg, paramH) == offsetof(EventMsg, paramH) &&
           offsetof(PlatformEventMsg, time) == offsetof(EventMsg, time) &&
           offsetof(PlatformEventMsg, hwnd) == offsetof(EventMsg, hwnd);
}

// The exports' names and function types; the library declares its exports
// with these types.
inline constexpr const char* kInstallHookExport = "InstallHook";
inline constexpr const char* kUninstallHookExport = "UninstallHook";
using InstallHookFn = int32_t(HWND__* window, uint32_t message);
using UninstallHookFn = int32_t(HWND__* window);

}  // namespace orlscr
