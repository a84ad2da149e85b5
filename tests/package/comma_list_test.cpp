#include "package/comma_list.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>

namespace orlscr {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(CommaListParse, SplitsAtCommasAndBlanks) {
    EXPECT_THAT(ParseCommaList("1,2,3"), ElementsAre("1", "2", "3"));
    EXPECT_THAT(ParseCommaList("1, 2"), ElementsAre("1", "2"));
    EXPECT_THAT(ParseCommaList("a b"), ElementsAre("a", "b"));
    EXPECT_THAT(ParseCommaList("  \t a ,\r\n b  "), ElementsAre("a", "b"));
    EXPECT_THAT(ParseCommaList(""), IsEmpty());
    EXPECT_THAT(ParseCommaList("   "), IsEmpty());
}

TEST(CommaListParse, EmptyItems) {
    EXPECT_THAT(ParseCommaList("1,2,"), ElementsAre("1", "2", ""));
    EXPECT_THAT(ParseCommaList("1,2, "), ElementsAre("1", "2"));
    EXPECT_THAT(ParseCommaList(",a"), ElementsAre("", "a"));
    EXPECT_THAT(ParseCommaList("a,,b"), ElementsAre("a", "", "b"));
    EXPECT_THAT(ParseCommaList(","), ElementsAre("", ""));
    EXPECT_THAT(ParseCommaList("\"\""), ElementsAre(""));
}

TEST(CommaListParse, QuotedItems) {
    EXPECT_THAT(ParseCommaList("\"a b, c\",d"), ElementsAre("a b, c", "d"));
    EXPECT_THAT(ParseCommaList("\"say \"\"hi\"\"\""), ElementsAre("say \"hi\""));
    EXPECT_THAT(ParseCommaList("\"open"), ElementsAre("open"));
    EXPECT_THAT(ParseCommaList("\"a\"b"), ElementsAre("a", "b"));
    EXPECT_THAT(ParseCommaList("x\"y\""), ElementsAre("x\"y\""));
}

TEST(CommaListParse, TextEndsAtNul) {
    EXPECT_THAT(ParseCommaList(std::string("a,b\0,c", 6)), ElementsAre("a", "b"));
}

TEST(CommaListParse, DoubleByteCharactersAreSteppedOverWhole) {
    auto lead = [](unsigned char b) { return b >= 0x81 && b <= 0x9F; };
    // The byte after a lead byte belongs to its character, even where it has
    // the code of a comma or a quote.
    EXPECT_THAT(ParseCommaList("\x81,b", lead), ElementsAre("\x81,b"));
    EXPECT_THAT(ParseCommaList("\"\x81\"\",x", lead), ElementsAre("\x81\"", "x"));
    // A lead byte at the very end stays a character of its own.
    EXPECT_THAT(ParseCommaList("a\x81", lead), ElementsAre("a\x81"));
    EXPECT_THAT(ParseCommaList("\x81\x40,b", lead), ElementsAre("\x81\x40", "b"));
}

TEST(CommaListJoin, QuotesOnlyWhereNeeded) {
    EXPECT_EQ(JoinCommaList({}), "");
    EXPECT_EQ(JoinCommaList({""}), "\"\"");
    EXPECT_EQ(JoinCommaList({"1", "2"}), "1,2");
    EXPECT_EQ(JoinCommaList({"a b", "c,d", "e\"f", "g"}), "\"a b\",\"c,d\",\"e\"\"f\",g");
    EXPECT_EQ(JoinCommaList({"a", ""}), "a,");
    EXPECT_EQ(JoinCommaList({"", ""}), ",");
    EXPECT_EQ(JoinCommaList({"tab\there"}), "\"tab\there\"");
}

TEST(CommaListJoin, RoundTripsRandomLists) {
    std::mt19937 rng(7);
    const std::string alphabet =
        "ab ,\"\t\x01\xe9\xff"
        "0";
    for (int round = 0; round < 2000; ++round) {
        std::vector<std::string> items(rng() % 5);
        for (auto& item : items) {
            size_t length = rng() % 5;
            for (size_t k = 0; k < length; ++k)
                item += alphabet[rng() % alphabet.size()];
        }
        std::string text = JoinCommaList(items);
        EXPECT_EQ(ParseCommaList(text), items) << "text: " << text;
        EXPECT_EQ(JoinCommaList(ParseCommaList(text)), text);
    }
}

TEST(CommaList, PropertyReadsBackAsJoinedText) {
    CommaList list;
    list.SetText(" 720384 , 1032192,2809856");
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Text(), "720384,1032192,2809856");
    list.SetText("");
    EXPECT_TRUE(list.Empty());
}

}  // namespace
}  // namespace orlscr
