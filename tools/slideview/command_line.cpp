#include "tools/slideview/command_line.h"

#include "common/text.h"

namespace orlscr {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimArgumentBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// What follows the program path.
std::string_view SkipProgram(std::string_view line) {
    line = TrimArgumentBlanks(line);
    if (!line.empty() && line.front() == '"') {
        size_t close = line.find('"', 1);
        return close == std::string_view::npos ? std::string_view{} : line.substr(close + 1);
    }
    // An unquoted program path may hold blanks (the platform finds the program
    // by trying ever longer prefixes), so it cannot simply end at the first
    // blank. A quote can only open the document; failing that, the program is
    // taken to end with the first ".exe" that is followed by a blank.
    size_t quote = line.find('"');
    if (quote != std::string_view::npos)
        return line.substr(quote);
    std::string upper = UpperAscii(line);
    for (size_t at = upper.find(".EXE"); at != std::string::npos; at = upper.find(".EXE", at + 1)) {
        size_t end = at + 4;
        if (end == line.size() || IsBlank(line[end]))
            return line.substr(end);
    }
    size_t blank = line.find_first_of(" \t");
    return blank == std::string_view::npos ? std::string_view{} : line.substr(blank);
}

}  // namespace

std::string DocumentFromCommandLine(std::string_view command_line) {
    std::string_view rest = TrimArgumentBlanks(SkipProgram(command_line));
    if (!rest.empty() && rest.front() == '"') {
        rest.remove_prefix(1);
        rest = rest.substr(0, rest.find('"'));
        return std::string(TrimArgumentBlanks(rest));
    }
    return std::string(rest);
}

std::string SlidePath(std::string_view listPath, std::string_view fileName) {
    size_t slash = listPath.find_last_of("\\/:");  // a drive of its own ("C:show.slides") counts as a folder
    if (slash == std::string_view::npos)
        return std::string(fileName);
    return std::string(listPath.substr(0, slash + 1)) + std::string(fileName);
}

}  // namespace orlscr
