#include "common/path.h"

namespace orlscr {

namespace {

// Calls visit(position, byte) for the first byte of every character.
template <typename Visit>
void ForEachCharacter(std::string_view text, LeadBytePredicate isLeadByte, Visit visit) {
    size_t i = 0;
    while (i < text.size()) {
        const bool lead = isLeadByte && isLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size();
        visit(i, lead ? '\0' : text[i]);
        i += lead ? 2 : 1;
    }
}

bool EndsInBackslash(std::string_view text, LeadBytePredicate isLeadByte) {
    bool lastIsBackslash = false;
    ForEachCharacter(text, isLeadByte, [&](size_t, char c) { lastIsBackslash = c == '\\'; });
    return lastIsBackslash;
}

// Where the file name of a path starts: after its last separator.
size_t NameStart(std::string_view path, LeadBytePredicate isLeadByte) {
    size_t start = 0;
    ForEachCharacter(path, isLeadByte, [&](size_t i, char c) {
        if (c == '\\' || c == '/' || c == ':')
            start = i + 1;
    });
    return start;
}

}  // namespace

std::string JoinPath(std::string_view folder, std::string_view name, LeadBytePredicate isLeadByte) {
    std::string path(folder);
    if (!folder.empty() && !EndsInBackslash(folder, isLeadByte))
        path += '\\';
    path += name;
    return path;
}

std::string FileNameOf(std::string_view path, LeadBytePredicate isLeadByte) {
    return std::string(path.substr(NameStart(path, isLeadByte)));
}

std::string ProgramFolder(std::string_view programPath, LeadBytePredicate isLeadByte) {
    return std::string(programPath.substr(0, NameStart(programPath, isLeadByte)));
}

std::string ProgramTitle(std::string_view programPath, LeadBytePredicate isLeadByte) {
    std::string name = FileNameOf(programPath, isLeadByte);
    // A dot cannot be the trail byte of a double-byte character.
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

}  // namespace orlscr
