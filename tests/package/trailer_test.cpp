#include "package/trailer.h"

#include <gtest/gtest.h>

#include <string>

#include "package/std_input_file.h"

namespace orlscr {
namespace {

std::string Field(std::string text) {
    text.resize(kTrailerFieldSize, ' ');
    return text;
}

TEST(TrailerField, ParsesPaddedDecimalText) {
    EXPECT_EQ(ParseTrailerField(Field("5307272")), 5307272);
    EXPECT_EQ(ParseTrailerField(Field("  42")), 42);
    EXPECT_EQ(ParseTrailerField(Field("\t42")), 42);
    EXPECT_EQ(ParseTrailerField(Field("-17")), -17);
    EXPECT_EQ(ParseTrailerField(Field("2147483647")), 2147483647);
}

TEST(TrailerField, TextUpToTheFirstNulCounts) {
    EXPECT_EQ(ParseTrailerField(Field(std::string("42\0"
                                                  "99",
                                                  5))),
              42);
    EXPECT_EQ(ParseTrailerField(std::string(20, '\0')), 0);
    EXPECT_EQ(ParseTrailerField(Field(std::string("\0"
                                                  "42",
                                                  3))),
              0);
}

TEST(TrailerField, AnythingButAnIntegerYieldsZero) {
    EXPECT_EQ(ParseTrailerField(Field("")), 0);
    EXPECT_EQ(ParseTrailerField(Field("4 2")), 0);
    EXPECT_EQ(ParseTrailerField(Field("12ab")), 0);
    EXPECT_EQ(ParseTrailerField(Field("0x10")), 0);
    EXPECT_EQ(ParseTrailerField(Field("2147483648")), 0);
    EXPECT_EQ(ParseTrailerField(Field("99999999999999999999")), 0);
    EXPECT_EQ(ParseTrailerField(Field("-")), 0);
}

TEST(TrailerField, FormatsWhatItParses) {
    char out[kTrailerFieldSize];
    EXPECT_EQ(std::string(FormatTrailerField(4588195, out)), Field("4588195"));
    for (int32_t v : {0, 1, -1, 720384, 2147483647, -2147483647 - 1})
        EXPECT_EQ(ParseTrailerField(FormatTrailerField(v, out)), v);
}

TEST(Trailer, ReadsBothFieldsFromTheEndOfTheFile) {
    std::string file = std::string(5308619 - 40, 'x') + Field("4588195") + Field("5307272");
    MemoryInputFile in(file.data(), file.size());
    auto trailer = ReadTrailer(in);
    ASSERT_TRUE(trailer);
    EXPECT_EQ(trailer->a, 4588195);
    EXPECT_EQ(trailer->b, 5307272);
    EXPECT_EQ(PreviewStreamOffset(in.Size(), trailer->a), 720384);
}

TEST(Trailer, ShortFilesHaveNoTrailer) {
    std::string file(39, ' ');
    MemoryInputFile in(file.data(), file.size());
    EXPECT_FALSE(ReadTrailer(in));
    EXPECT_FALSE(ReadTrailerFieldA(in));
    EXPECT_EQ(ReadTrailerFieldB(in), 0);  // field B alone still fits
    MemoryInputFile tiny(file.data(), 19);
    EXPECT_FALSE(ReadTrailerFieldB(tiny));
}

}  // namespace
}  // namespace orlscr
