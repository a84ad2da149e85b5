#include "package/paths.h"

namespace orlscr {

namespace {

// Whether the text ends in a backslash that is a character of its own.
bool EndsInBackslash(std::string_view text, LeadBytePredicate isLeadByte) {
    size_t i = 0;
    bool lastIsBackslash = false;
    while (i < text.size()) {
        bool lead = isLeadByte && isLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size();
        lastIsBackslash = !lead && text[i] == '\\';
        i += lead ? 2 : 1;
    }
    return lastIsBackslash;
}

}  // namespace

std::string JoinPath(std::string_view folder, std::string_view name, LeadBytePredicate isLeadByte) {
    std::string path(folder);
    if (!folder.empty() && !EndsInBackslash(folder, isLeadByte))
        path += '\\';
    path += name;
    return path;
}

}  // namespace orlscr
