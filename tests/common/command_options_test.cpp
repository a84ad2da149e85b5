#include "common/command_options.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/text.h"

namespace orlscr {
namespace {

using ::testing::ElementsAre;

enum : unsigned { kOne = 1, kTwo = 2 };

const CommandOption kTable[] = {
    {.name = "output", .alias = 'o', .value = "FILE", .help = "where it goes"},
    {.name = "file", .value = "FILE", .repeatable = true, .help = "one of the files\n(repeatable)"},
    {.name = "quiet", .commands = kOne, .group = 1, .help = "say less"},
    {.name = "a-rather-long-option", .value = "VALUE", .commands = kTwo, .group = 1, .help = "long"},
    {.name = "hidden"},
};

CommandLine Parse(const std::vector<std::string>& args, unsigned commands = ~0u) {
    return ParseCommandLine(args, 0, kTable, commands);
}

TEST(CommandOptions, ValuesSwitchesAndPositionalArguments) {
    const CommandLine line =
        Parse({"in", "-o", "x", "--file=a", "-", "--file", "--quiet", "--quiet", "--file=", "--", "--output", "-o"});
    EXPECT_THAT(line.positional, ElementsAre("in", "-", "--output", "-o"));
    EXPECT_EQ(line.Last("output"), "x");
    EXPECT_THAT(line.All("file"), ElementsAre("a", "--quiet", ""));  // a value is taken as it is
    EXPECT_TRUE(line.Switch("quiet"));
    EXPECT_TRUE(line.Given("file"));
    EXPECT_FALSE(line.Given("hidden"));
    EXPECT_EQ(line.Last("hidden"), std::nullopt);
}

TEST(CommandOptions, MistakesSayWhatWasTyped) {
    struct Case {
        std::vector<std::string> args;
        CommandLineError::Kind kind;
        std::string message;
    };
    using Kind = CommandLineError::Kind;
    const std::vector<Case> cases = {
        {{"--bogus"}, Kind::kUnknownOption, "unknown option '--bogus'"},
        {{"-x"}, Kind::kUnknownOption, "unknown option '-x'"},
        {{"-ox"}, Kind::kUnknownOption, "unknown option '-ox'"},
        {{"--=x"}, Kind::kUnknownOption, "unknown option '--=x'"},
        {{"--a-rather-long-option", "v"}, Kind::kUnknownOption, "unknown option '--a-rather-long-option'"},
        {{"-o"}, Kind::kMissingValue, "the option -o needs a value"},
        {{"--quiet=yes"}, Kind::kUnwantedValue, "the option --quiet takes no value"},
        {{"--output", "a", "-o", "b"}, Kind::kRepeated, "the option --output is given more than once"},
    };
    for (const Case& c : cases) {
        try {
            Parse(c.args, kOne);
            ADD_FAILURE() << c.message;
        } catch (const CommandLineError& error) {
            EXPECT_EQ(error.kind, c.kind) << c.message;
            EXPECT_EQ(error.what(), c.message);
        }
    }
    EXPECT_EQ(Parse({"--a-rather-long-option", "v"}, kTwo).Last("a-rather-long-option"), "v");
}

TEST(CommandOptions, HelpListsAGroupInTableOrder) {
    EXPECT_EQ(OptionHelp(kTable, 0),
              "  -o, --output FILE     where it goes\n"
              "  --file FILE           one of the files\n"
              "                        (repeatable)\n");
    EXPECT_EQ(OptionHelp(kTable, 1),
              "  --quiet               say less\n"
              "  --a-rather-long-option VALUE\n"
              "                        long\n");
}

TEST(WholeNumber, SignBlanksBoundsAndOverflow) {
    EXPECT_EQ(ParseWholeNumber(" +42\t", 0, 100), 42);
    EXPECT_EQ(ParseWholeNumber("-0", 0, 0), 0);
    EXPECT_EQ(ParseWholeNumber("0004294967295", 0, 4294967295), 4294967295);
    EXPECT_EQ(ParseWholeNumber("-2147483648", INT32_MIN, INT32_MAX), INT32_MIN);
    for (const char* bad :
         {"", " ", "+", "-", "1 2", "0x10", "1.5", "12x", "4294967296", "-1", "99999999999999999999999999"})
        EXPECT_EQ(ParseWholeNumber(bad, 0, 4294967295), std::nullopt) << bad;
}

}  // namespace
}  // namespace orlscr
