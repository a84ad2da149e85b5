#include "common/command_options.h"

#include <utility>

namespace orlscr {

namespace {

std::string PlainWording(CommandLineError::Kind kind, const std::string& argument, const std::string& name) {
    switch (kind) {
        case CommandLineError::Kind::kUnknownOption:
            return "unknown option '" + argument + "'";
        case CommandLineError::Kind::kMissingValue:
            return "the option " + argument + " needs a value";
        case CommandLineError::Kind::kUnwantedValue:
            return "the option --" + name + " takes no value";
        case CommandLineError::Kind::kRepeated:
            return "the option --" + name + " is given more than once";
    }
    return argument;
}

const CommandOption* Find(std::span<const CommandOption> table, std::string_view name, char alias) {
    for (const CommandOption& option : table)
        if (alias ? option.alias == alias : name == option.name)
            return &option;
    return nullptr;
}

constexpr size_t kHelpColumn = 24;

}  // namespace

std::optional<std::string> CommandLine::Last(std::string_view name) const {
    auto it = values.find(std::string(name));
    if (it == values.end() || it->second.empty())
        return std::nullopt;
    return it->second.back();
}

std::vector<std::string> CommandLine::All(std::string_view name) const {
    auto it = values.find(std::string(name));
    return it == values.end() ? std::vector<std::string>() : it->second;
}

bool CommandLine::Given(std::string_view name) const {
    return Switch(name) || values.count(std::string(name)) > 0;
}

CommandLineError::CommandLineError(Kind kind, std::string argument, std::string name)
    : Error(PlainWording(kind, argument, name)), kind(kind), argument(std::move(argument)), name(std::move(name)) {}

CommandLine ParseCommandLine(const std::vector<std::string>& args,
                             size_t first,
                             std::span<const CommandOption> table,
                             unsigned commands) {
    CommandLine line;
    for (size_t i = first; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") {
            line.positional.insert(line.positional.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                   args.end());
            break;
        }
        if (arg.size() < 2 || arg[0] != '-') {
            line.positional.push_back(arg);
            continue;
        }
        const CommandOption* option = nullptr;
        std::optional<std::string> value;
        if (arg[1] != '-') {
            if (arg.size() == 2)
                option = Find(table, {}, arg[1]);
        } else {
            std::string name = arg.substr(2);
            if (size_t equals = name.find('='); equals != std::string::npos) {
                value = name.substr(equals + 1);
                name.resize(equals);
            }
            if (!name.empty())
                option = Find(table, name, 0);
        }
        if (!option || !(option->commands & commands))
            throw CommandLineError(CommandLineError::Kind::kUnknownOption, arg, "");
        const std::string name = option->name;
        if (!option->TakesValue()) {
            if (value)
                throw CommandLineError(CommandLineError::Kind::kUnwantedValue, arg, name);
            line.switches.insert(name);
            continue;
        }
        if (!value) {
            if (i + 1 >= args.size())
                throw CommandLineError(CommandLineError::Kind::kMissingValue, arg, name);
            value = args[++i];
        }
        // A second value of a single option would silently replace the first.
        if (!option->repeatable && line.values.count(name))
            throw CommandLineError(CommandLineError::Kind::kRepeated, arg, name);
        line.values[name].push_back(std::move(*value));
    }
    return line;
}

std::string OptionHelp(std::span<const CommandOption> table, int group) {
    std::string text;
    for (const CommandOption& option : table) {
        if (option.group != group || !*option.help)
            continue;
        std::string label = "  ";
        if (option.alias)
            label += std::string("-") + option.alias + ", ";
        label += std::string("--") + option.name;
        if (option.value)
            label += std::string(" ") + option.value;
        if (label.size() + 2 > kHelpColumn)
            label += "\n" + std::string(kHelpColumn, ' ');
        else
            label.resize(kHelpColumn, ' ');
        text += label;
        std::string_view help = option.help;
        for (size_t end; (end = help.find('\n')) != std::string_view::npos; help.remove_prefix(end + 1))
            text += std::string(help.substr(0, end)) + "\n" + std::string(kHelpColumn, ' ');
        text += std::string(help) + "\n";
    }
    return text;
}

}  // namespace orlscr
