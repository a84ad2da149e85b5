#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/path.h"
#include "package/package_contract.h"

namespace orlscr {

// The start modes (kPasswordMode, kPreviewMode, kSettingsMode, kRunMode) are
// in package/package_contract.h, which the saver reads too.

// The start mode chosen by the entry point; kRunMode until SetStartMode is
// called. The saver reads it to tell whether it runs as the real saver.
uint8_t StartMode();
void SetStartMode(uint8_t mode);

// The first two command-line arguments, upper-cased, as the entry point saw
// them ("" when absent). Kept for the whole run.
const std::string& FirstArgument();
const std::string& SecondArgument();
void SetStartArguments(std::string first, std::string second);

// Splits a command line the way the player reads its arguments: characters up
// to blank (codes 1..32) separate arguments, a double quote starts or ends a
// quoted part, and the quotes themselves are dropped. Element 0 is the program.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// The mode for an upper-cased first argument: "/A", "-A" or a leading "A" is
// the password mode, the same with P the preview mode, with C or an empty
// argument the settings mode, anything else the run mode. Only the first one or
// two characters count ("/C:1234" is the settings mode, "/PREVIEW" preview).
uint8_t DecideStartMode(std::string_view firstArgument);

// A window handle given as the second argument: a signed 32-bit decimal
// number, blanks around it ignored. Throws Error for anything else, including
// an empty argument.
int32_t ParseWindowHandle(std::string_view argument);

// The name of the single-instance semaphore for the program at `programPath`:
// its file name (FileNameOf, with the lead bytes of the system code page)
// followed by "Semaphore".
std::string SemaphoreName(std::string_view programPath, LeadBytePredicate isLeadByte);

// The password provider's path in `systemDir`: exactly one backslash between
// the folder and "MPR.DLL"; an empty folder gives "MPR.DLL" alone.
std::string PasswordLibraryPath(std::string_view systemDir);

}  // namespace orlscr
