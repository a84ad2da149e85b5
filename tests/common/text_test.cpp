#include "common/text.h"

#include <gtest/gtest.h>

using namespace orlscr;

TEST(Text, CaseConversionTouchesOnlyAsciiLetters) {
    EXPECT_EQ(UpperAscii("/c:1234 \xe9z"), "/C:1234 \xe9Z");
    EXPECT_EQ(LowerAscii("HTTP://X\xc9"), "http://x\xc9");
}

TEST(Text, TrimRemovesControlCharactersAndBlanksButNotNul) {
    EXPECT_EQ(TrimBlanks("\t  42 \r\n"), "42");
    EXPECT_EQ(TrimBlanks(std::string_view("\0x", 2)), std::string_view("\0x", 2));
    EXPECT_EQ(TrimBlanks("                    "), "");
}

TEST(Text, ParseInt32AcceptsSignedDecimalsInRangeOnly) {
    EXPECT_EQ(ParseInt32("5307272"), 5307272);
    EXPECT_EQ(ParseInt32("-2147483648"), INT32_MIN);
    EXPECT_EQ(ParseInt32("+7"), 7);
    EXPECT_EQ(ParseInt32("2147483648"), std::nullopt);
    EXPECT_EQ(ParseInt32("99999999999999999999"), std::nullopt);
    EXPECT_EQ(ParseInt32("12a"), std::nullopt);
    EXPECT_EQ(ParseInt32(" 1"), std::nullopt);
    EXPECT_EQ(ParseInt32("-"), std::nullopt);
    EXPECT_EQ(ParseInt32Or0(""), 0);
}

TEST(Text, Cp1252MapsHighBytes) {
    EXPECT_EQ(Cp1252ToUtf8("caf\xe9 \x80"), "caf\xc3\xa9 \xe2\x82\xac");
    EXPECT_EQ(Cp1252ToUtf8("\x81"), "\xef\xbf\xbd");
}

TEST(Text, ProfileIntegerReadsDecimalAndHexadecimal) {
    EXPECT_EQ(ParseProfileInteger("1"), 1);
    EXPECT_EQ(ParseProfileInteger(" -7 "), -7);
    EXPECT_EQ(ParseProfileInteger("0x1F"), 31);
    EXPECT_EQ(ParseProfileInteger("0XffffFFFF"), -1);
    EXPECT_EQ(ParseProfileInteger("$10"), 16);
    EXPECT_EQ(ParseProfileInteger("0x"), std::nullopt);
    EXPECT_EQ(ParseProfileInteger("0x1G"), std::nullopt);
    EXPECT_EQ(ParseProfileInteger("0x100000000"), std::nullopt);
    EXPECT_EQ(ParseProfileInteger("true"), std::nullopt);
    EXPECT_EQ(ParseProfileInteger(""), std::nullopt);
}
