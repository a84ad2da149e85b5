#pragma once

#include <cstdint>
#include <string>

#include "common/path.h"
#include "package/package_contract.h"

namespace orlscr {

// Exit code of a process that still runs.
inline constexpr uint32_t kStillActive = 259;

// The viewer's command line: the viewer's path in the temporary folder without
// quotes, a blank, the document's path in double quotes, and a trailing blank.
// `isLeadByte`: the lead bytes of the code page the folder is in.
std::string ViewerCommandLine(const std::string& tempDir, const std::string& documentName, LeadBytePredicate isLeadByte);

}  // namespace orlscr
