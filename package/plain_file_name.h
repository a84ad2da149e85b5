#pragma once

#include <string_view>

#include "package/comma_list.h"

namespace orlscr {

// Whether a stored file name names a file directly inside the folder it is
// joined to: not empty, no folder separator ('\' or '/'), no drive or stream
// colon, no control character, not "." or ".." (nor any name of dots and
// blanks alone, which the platform shortens to one of those), and not a device
// name (CON, PRN, AUX, NUL, COM1..COM9, LPT1..LPT9, CONIN$, CONOUT$, also with
// an extension: "aux.wav"). `isLeadByte` tells the lead bytes of double-byte
// characters, whose trail byte is not a separator.
//
// The player writes an embedded file only under such a name; the builder
// refuses any other, so that a package never carries a file the player will
// not create.
bool IsPlainFileName(std::string_view name, LeadBytePredicate isLeadByte = nullptr);

}  // namespace orlscr
