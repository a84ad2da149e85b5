#pragma once

#include <string>
#include <string_view>

namespace orlscr {

// The document path from the viewer's whole command line (the program path
// first, as the process sees it). The saver starts the viewer as
//   C:\TEMP\PPTVIEW.EXE "C:\TEMP\show.slides"<space>
// with the program path unquoted even when it holds blanks; other callers may
// quote the program, leave the document unquoted or add blanks. An unquoted
// document keeps its inner blanks; an unterminated quote runs to the end; what
// follows a quoted document is ignored. Empty when no document is given.
std::string DocumentFromCommandLine(std::string_view command_line);

// The path of a slide that lies beside the slide list at `listPath`.
std::string SlidePath(std::string_view listPath, std::string_view fileName);

}  // namespace orlscr
