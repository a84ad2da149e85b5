#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"

namespace orlscr {

// One row of a program's option table. The parser, the help text and the
// program's checks all read the same rows, so an option exists in one place.
//
// Written as "--name VALUE" or "--name=VALUE" for an option that takes a
// value, "--name" for a switch, "-x" for the one-letter alias x (its value,
// if any, as the next argument). "--" ends the options; every other argument,
// also "-" alone, is positional.
struct CommandOption {
    const char* name = "";        // without "--"
    char alias = 0;               // 0: none
    const char* value = nullptr;  // the value's name in the help ("FILE"); nullptr: a switch
    bool repeatable = false;      // values add up; otherwise a second one is a mistake
    unsigned commands = ~0u;      // bit mask of the program's commands that take it
    int group = 0;                // which part of the help lists it
    const char* help = "";        // lines separated by '\n'; empty: not listed

    bool TakesValue() const { return value != nullptr; }
};

// What a command line gave, by option name.
struct CommandLine {
    std::vector<std::string> positional;
    std::map<std::string, std::vector<std::string>> values;  // in the order given
    std::set<std::string> switches;

    std::optional<std::string> Last(std::string_view name) const;
    std::vector<std::string> All(std::string_view name) const;
    bool Switch(std::string_view name) const { return switches.count(std::string(name)) > 0; }
    // A value or the switch itself.
    bool Given(std::string_view name) const;
};

// A command line the table does not allow. what() is a plain wording
// ("unknown option '-x'"); programs word the kinds their own way.
class CommandLineError : public Error {
  public:
    enum class Kind {
        kUnknownOption,  // not in the table, or not for the commands parsed for
        kMissingValue,   // the last argument, and it takes a value
        kUnwantedValue,  // "--switch=value"
        kRepeated,       // a second value of an option that is not repeatable
    };

    CommandLineError(Kind kind, std::string argument, std::string name);

    Kind kind;
    std::string argument;  // as typed: "-o", "--title=b"
    std::string name;      // the option's name; empty when unknown
};

// Parses args[first...] against `table`. An option whose `commands` share no
// bit with `commands` counts as unknown. Throws CommandLineError.
CommandLine ParseCommandLine(const std::vector<std::string>& args,
                             size_t first,
                             std::span<const CommandOption> table,
                             unsigned commands = ~0u);

// The help lines of the options of `group`, in table order:
//   "  -o, --output FILE     first line of help\n"
//   "                        next line\n"
// (the help starts in column 25, or on a line of its own after a long label).
std::string OptionHelp(std::span<const CommandOption> table, int group);

}  // namespace orlscr
