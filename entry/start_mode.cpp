#include "entry/start_mode.h"

#include "common/error.h"
#include "common/text.h"

namespace orlscr {

namespace {

struct StartState {
    uint8_t mode = kRunMode;
    std::string first;
    std::string second;
};

StartState& State() {
    static StartState state;
    return state;
}

bool IsBlank(char c) {
    return c != '\0' && static_cast<unsigned char>(c) <= ' ';
}

// True when `arg` starts with "/L" or "-L", or its first character is L.
bool SelectsMode(std::string_view arg, char letter) {
    if (arg.empty())
        return false;
    if (arg[0] == letter)
        return true;
    return arg.size() >= 2 && (arg[0] == '/' || arg[0] == '-') && arg[1] == letter;
}

}  // namespace

uint8_t StartMode() {
    return State().mode;
}

void SetStartMode(uint8_t mode) {
    State().mode = mode;
}

const std::string& FirstArgument() {
    return State().first;
}

const std::string& SecondArgument() {
    return State().second;
}

void SetStartArguments(std::string first, std::string second) {
    State().first = std::move(first);
    State().second = std::move(second);
}

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
    std::vector<std::string> args;
    size_t i = 0;
    const size_t n = commandLine.size();
    while (true) {
        while (i < n && IsBlank(commandLine[i]))
            ++i;
        if (i >= n || commandLine[i] == '\0')
            break;
        std::string arg;
        bool quoted = false;
        while (i < n && commandLine[i] != '\0' && (quoted || !IsBlank(commandLine[i]))) {
            if (commandLine[i] == '"')
                quoted = !quoted;
            else
                arg += commandLine[i];
            ++i;
        }
        args.push_back(std::move(arg));
    }
    return args;
}

uint8_t DecideStartMode(std::string_view firstArgument) {
    uint8_t mode = kRunMode;
    if (SelectsMode(firstArgument, 'A'))
        mode = kPasswordMode;
    if (SelectsMode(firstArgument, 'P'))
        mode = kPreviewMode;
    if (SelectsMode(firstArgument, 'C') || firstArgument.empty())
        mode = kSettingsMode;
    return mode;
}

int32_t ParseWindowHandle(std::string_view argument) {
    if (auto value = ParseInt32(TrimBlanks(argument)))
        return *value;
    throw Error("'" + std::string(argument) + "' is not a valid integer value");
}

std::string SemaphoreName(std::string_view programPath, LeadBytePredicate isLeadByte) {
    return FileNameOf(programPath, isLeadByte) + "Semaphore";
}

std::string PasswordLibraryPath(std::string_view systemDir) {
    std::string path(systemDir);
    if (!path.empty() && path.back() != '\\')
        path += '\\';
    return path + "MPR.DLL";
}

}  // namespace orlscr
