#include "package/paths.h"

#include <gtest/gtest.h>

namespace orlscr {
namespace {

TEST(JoinPath, ExactlyOneBackslash) {
    EXPECT_EQ(JoinPath("C:\\TEMP\\", "a.wav"), "C:\\TEMP\\a.wav");
    EXPECT_EQ(JoinPath("C:\\WINDOWS\\system32", "orlscrhook.dll"), "C:\\WINDOWS\\system32\\orlscrhook.dll");
    EXPECT_EQ(JoinPath("C:\\", "x"), "C:\\x");
}

TEST(JoinPath, NameIsAppendedUnchanged) {
    EXPECT_EQ(JoinPath("C:\\T", "\\x"), "C:\\T\\\\x");
    EXPECT_EQ(JoinPath("C:\\T", ""), "C:\\T\\");
}

TEST(JoinPath, TrailByteOfADoubleByteCharacterIsNoBackslash) {
    auto lead = [](unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); };
    // 0x95 0x5C is one character whose second byte is the code of a backslash.
    EXPECT_EQ(JoinPath("C:\\\x95\x5C", "a", lead), "C:\\\x95\x5C\\a");
    // Without lead bytes the same folder ends in a backslash.
    EXPECT_EQ(JoinPath("C:\\\x95\x5C", "a"),
              "C:\\\x95\x5C"
              "a");
    // A real backslash after a double-byte character still counts.
    EXPECT_EQ(JoinPath("C:\\\x95\x5C\\", "a", lead), "C:\\\x95\x5C\\a");
}

TEST(JoinPath, EmptyFolderGivesTheName) {
    EXPECT_EQ(JoinPath("", "a.ppt"), "a.ppt");
}

}  // namespace
}  // namespace orlscr
