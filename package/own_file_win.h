#pragma once

#include <memory>
#include <string>

#include "package/input_file.h"

namespace orlscr {

// Windows side of the package reader.

// Opens a file for reading with CreateFileA, letting others read it and denying
// writers. Throws Error("Cannot open file <path>").
std::unique_ptr<InputFile> OpenPackageFile(const std::string& path);

// The running program's own file, opened as OpenPackageFile does.
std::unique_ptr<InputFile> OpenOwnPackage();

}  // namespace orlscr
