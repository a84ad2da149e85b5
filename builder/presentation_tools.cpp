#include "builder/presentation_tools.h"

#include <unistd.h>

#include <cstdlib>
#include <string_view>

namespace orlscr::mkscr {

namespace {

bool IsProgram(const std::string& path) {
    return access(path.c_str(), X_OK) == 0;
}

std::optional<std::string> OnPath(std::string_view name) {
    const char* path = std::getenv("PATH");
    std::string_view folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
    while (!folders.empty()) {
        const size_t colon = folders.find(':');
        const std::string_view folder = folders.substr(0, colon);
        folders = colon == std::string_view::npos ? std::string_view() : folders.substr(colon + 1);
        const std::string candidate = std::string(folder.empty() ? "." : folder) + "/" + std::string(name);
        if (IsProgram(candidate))
            return candidate;
    }
    return std::nullopt;
}

std::optional<std::string> FirstProgram(std::initializer_list<const char*> paths) {
    for (const char* path : paths)
        if (IsProgram(path))
            return std::string(path);
    return std::nullopt;
}

}  // namespace

PresentationTools FindPresentationTools(const std::string&) {
    PresentationTools tools;
    tools.converter = OnPath("soffice");
    if (!tools.converter)
        tools.converter = OnPath("libreoffice");
    if (!tools.converter)
        tools.converter = FirstProgram({"/usr/lib/libreoffice/program/soffice", "/opt/libreoffice/program/soffice",
                                        "/Applications/LibreOffice.app/Contents/MacOS/soffice"});
    tools.pageInfo = OnPath("pdfinfo");
    tools.pageRenderer = OnPath("pdftoppm");
    return tools;
}

std::string MissingConverterAdvice() {
    return "LibreOffice is not installed (no soffice on the PATH); install the package libreoffice-impress-nogui "
           "(Debian, Ubuntu) or LibreOffice from libreoffice.org";
}

std::string MissingRendererAdvice() {
    return "poppler's pdftoppm and pdfinfo are not installed; install the package poppler-utils";
}

}  // namespace orlscr::mkscr
