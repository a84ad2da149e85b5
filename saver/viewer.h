#pragma once

#include <cstdint>
#include <string>

#include "package/package_contract.h"

namespace orlscr {

// Exit code of a process that still runs.
inline constexpr uint32_t kStillActive = 259;

// The viewer's command line: the viewer's path in the temporary folder without
// quotes, a blank, the document's path in double quotes, and a trailing blank.
std::string ViewerCommandLine(const std::string& tempDir, const std::string& documentName);

}  // namespace orlscr
