#include "entry/start_mode.h"

#include <gtest/gtest.h>

#include "support/expect_error.h"

namespace orlscr {
namespace {

using Args = std::vector<std::string>;

TEST(SplitCommandLine, BlanksSeparateAndQuotesGroup) {
    EXPECT_EQ(SplitCommandLine(R"(C:\x\player.scr /c:1234)"), (Args{R"(C:\x\player.scr)", "/c:1234"}));
    EXPECT_EQ(SplitCommandLine(R"("C:\Program Files\Saver.scr"  /p   1234 )"),
              (Args{R"(C:\Program Files\Saver.scr)", "/p", "1234"}));
    // A quote may open in the middle of an argument; the quotes are dropped.
    EXPECT_EQ(SplitCommandLine(R"(p a"b c"d "" e)"), (Args{"p", "ab cd", "", "e"}));
    // Tabs and other control characters separate like blanks.
    EXPECT_EQ(SplitCommandLine("p\t/s\r\n"), (Args{"p", "/s"}));
    // An unclosed quote runs to the end.
    EXPECT_EQ(SplitCommandLine(R"(p "/c x)"), (Args{"p", "/c x"}));
    EXPECT_EQ(SplitCommandLine(""), Args{});
    EXPECT_EQ(SplitCommandLine("   "), Args{});
}

TEST(DecideStartMode, FirstOneOrTwoCharactersChoose) {
    struct Case {
        const char* arg;
        uint8_t mode;
    };
    const Case cases[] = {
        {"", kSettingsMode},
        {"/C", kSettingsMode},
        {"-C", kSettingsMode},
        {"C", kSettingsMode},
        {"/C:1234", kSettingsMode},
        {"CBAR", kSettingsMode},
        {"/P", kPreviewMode},
        {"-P", kPreviewMode},
        {"P", kPreviewMode},
        {"/PREVIEW", kPreviewMode},
        {"PFOO", kPreviewMode},
        {"/A", kPasswordMode},
        {"-A", kPasswordMode},
        {"ABC", kPasswordMode},
        {"/S", kRunMode},
        {"-S", kRunMode},
        {"S", kRunMode},
        {"/X", kRunMode},
        {"/", kRunMode},
        {"-", kRunMode},
        {"//C", kRunMode},
        {"X/C", kRunMode},
        {" /C", kRunMode},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecideStartMode(c.arg), c.mode) << '"' << c.arg << '"';
}

TEST(DecideStartMode, ComparesUpperCaseOnly) {
    // The entry upper-cases the arguments first; lower-case letters alone do
    // not select a mode.
    EXPECT_EQ(DecideStartMode("/c"), kRunMode);
    EXPECT_EQ(DecideStartMode("p"), kRunMode);
}

TEST(StartState, DefaultsAndKeepsArguments) {
    EXPECT_EQ(StartMode(), kRunMode);
    SetStartArguments("/P", "1234");
    SetStartMode(kPreviewMode);
    EXPECT_EQ(StartMode(), kPreviewMode);
    EXPECT_EQ(FirstArgument(), "/P");
    EXPECT_EQ(SecondArgument(), "1234");
    SetStartMode(kRunMode);
    SetStartArguments("", "");
}

TEST(ParseWindowHandle, DecimalNumbersOnly) {
    EXPECT_EQ(ParseWindowHandle("1234"), 1234);
    EXPECT_EQ(ParseWindowHandle(" 5678 "), 5678);
    EXPECT_EQ(ParseWindowHandle("-2"), -2);
    EXPECT_EQ(ParseWindowHandle("2147483647"), 2147483647);
    EXPECT_ERROR_MSG(ParseWindowHandle(""), "'' is not a valid integer value");
    EXPECT_ERROR_MSG(ParseWindowHandle("12AB"), "'12AB' is not a valid integer value");
    EXPECT_ERROR_MSG(ParseWindowHandle("2147483648"), "'2147483648' is not a valid integer value");
    EXPECT_ERROR_MSG(ParseWindowHandle("/P:1234"), "'/P:1234' is not a valid integer value");
}

TEST(Names, SemaphoreAndPasswordLibrary) {
    EXPECT_EQ(SemaphoreName(R"(C:\WINDOWS\Saver.scr)", NoLeadBytes), "Saver.scrSemaphore");
    EXPECT_EQ(SemaphoreName(R"(Z:\work\dist\player.scr)", NoLeadBytes), "player.scrSemaphore");
    EXPECT_EQ(SemaphoreName("player.scr", NoLeadBytes), "player.scrSemaphore");
    EXPECT_EQ(SemaphoreName("", NoLeadBytes), "Semaphore");
    // With a double-byte code page the name is found character by character:
    // 0x95 0x5C is one character, not a folder ending in a backslash.
    auto lead = [](unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); };
    EXPECT_EQ(SemaphoreName("C:\\Savers\\\x95\x5CSaver.scr", lead), "\x95\x5CSaver.scrSemaphore");

    EXPECT_EQ(PasswordLibraryPath(R"(C:\WINDOWS\system32)"), R"(C:\WINDOWS\system32\MPR.DLL)");
    EXPECT_EQ(PasswordLibraryPath("C:\\"), "C:\\MPR.DLL");
    EXPECT_EQ(PasswordLibraryPath(""), "MPR.DLL");
}

}  // namespace
}  // namespace orlscr
