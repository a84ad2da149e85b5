#pragma once

#include <cstdint>

#include "hook/hook_abi.h"

namespace orlscr {

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

// A window message as the keyboard watch hands it to its handler. WParam,
// LParam and Result are pointer-sized, since LParam carries an address.
struct TMessage {
    uint32_t Msg = 0;
    intptr_t WParam = 0;
    intptr_t LParam = 0;
    intptr_t Result = 0;
};

}  // namespace orlscr
