#pragma once

#include <optional>
#include <string>

namespace orlscr::mkscr {

// The programs a presentation is turned into pictures with, run as separate
// processes: LibreOffice's soffice converts a presentation into a PDF, and
// poppler's pdfinfo and pdftoppm measure and render its pages. Each is the
// full path of the program, or nothing when it is not installed.
struct PresentationTools {
    std::optional<std::string> converter;
    std::optional<std::string> pageInfo;
    std::optional<std::string> pageRenderer;
};

// Looks for the programs: on the PATH and in the places they are installed
// to (on Windows also through the registry's App Paths entry of soffice.exe,
// and beside mkscr.exe). `programFolder` is the builder's own folder.
PresentationTools FindPresentationTools(const std::string& programFolder);

// What to install when a program is missing, as a sentence that follows
// "'deck.pptx' cannot be converted: ".
std::string MissingConverterAdvice();
std::string MissingRendererAdvice();

}  // namespace orlscr::mkscr
