#pragma once

#include <ostream>
#include <string>

namespace orlscr::mkscr {

// Prints what a package holds: the trailer, every property of the settings
// record, the embedded files with offsets and sizes, and the preview picture.
// The record is read as the settings dialog reads it, through the class
// table. Returns the exit code: 0, or 1 after one line on `err` when the
// package cannot be read.
int Inspect(const std::string& path, bool json, std::ostream& out, std::ostream& err);

}  // namespace orlscr::mkscr
