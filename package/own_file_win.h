#pragma once

#include <memory>
#include <string>

#include "package/input_file.h"
#include "package/settings_record.h"

namespace orlscr {

// Windows side of the package reader.

// Opens a file for reading with CreateFileA, letting others read it and denying
// writers. Throws Error("Cannot open file <path>").
std::unique_ptr<InputFile> OpenPackageFile(const std::string& path);

// Full path of the running program (GetModuleFileNameA).
std::string OwnFileName();

// The running program's own file, opened as OpenPackageFile does.
std::unique_ptr<InputFile> OpenOwnPackage();

// ReadSettingsRecord on the running program's own file, which is closed again
// before returning. With a target: false when there is no record. Without one:
// the record made through the class table, or nullptr when there is none.
bool ReadOwnSettingsRecord(TSSFileLocations* target);
std::unique_ptr<TSSFileLocations> ReadOwnSettingsRecord();

// The system code page's lead-byte test (IsDBCSLeadByte), for JoinPath and the
// comma lists.
bool IsSystemLeadByte(unsigned char byte);

}  // namespace orlscr
