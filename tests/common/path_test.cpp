#include "common/path.h"

#include <gtest/gtest.h>

namespace orlscr {
namespace {

TEST(JoinPath, ExactlyOneBackslash) {
    EXPECT_EQ(JoinPath("C:\\TEMP\\", "a.wav", NoLeadBytes), "C:\\TEMP\\a.wav");
    EXPECT_EQ(JoinPath("C:\\WINDOWS\\system32", "orlscrhook.dll", NoLeadBytes), "C:\\WINDOWS\\system32\\orlscrhook.dll");
    EXPECT_EQ(JoinPath("C:\\", "x", NoLeadBytes), "C:\\x");
}

TEST(JoinPath, NameIsAppendedUnchanged) {
    EXPECT_EQ(JoinPath("C:\\T", "\\x", NoLeadBytes), "C:\\T\\\\x");
    EXPECT_EQ(JoinPath("C:\\T", "", NoLeadBytes), "C:\\T\\");
}

TEST(JoinPath, TrailByteOfADoubleByteCharacterIsNoBackslash) {
    auto lead = [](unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); };
    // 0x95 0x5C is one character whose second byte is the code of a backslash.
    EXPECT_EQ(JoinPath("C:\\\x95\x5C", "a", lead), "C:\\\x95\x5C\\a");
    // Without lead bytes the same folder ends in a backslash.
    EXPECT_EQ(JoinPath("C:\\\x95\x5C", "a", NoLeadBytes),
              "C:\\\x95\x5C"
              "a");
    // A real backslash after a double-byte character still counts.
    EXPECT_EQ(JoinPath("C:\\\x95\x5C\\", "a", lead), "C:\\\x95\x5C\\a");
}

TEST(JoinPath, EmptyFolderGivesTheName) {
    EXPECT_EQ(JoinPath("", "a.ppt", NoLeadBytes), "a.ppt");
}

TEST(ProgramPath, FolderNameAndTitle) {
    EXPECT_EQ(ProgramFolder("C:\\Savers\\player.scr", NoLeadBytes), "C:\\Savers\\");
    EXPECT_EQ(FileNameOf("C:\\Savers\\player.scr", NoLeadBytes), "player.scr");
    EXPECT_EQ(ProgramTitle("C:\\my.savers\\demo.v2.scr", NoLeadBytes), "demo.v2");
    // Slash and drive colon separate too; a bare name has no folder.
    EXPECT_EQ(ProgramFolder("Z:/work/dist/player.scr", NoLeadBytes), "Z:/work/dist/");
    EXPECT_EQ(FileNameOf("C:player.scr", NoLeadBytes), "player.scr");
    EXPECT_EQ(ProgramFolder("player.scr", NoLeadBytes), "");
    EXPECT_EQ(FileNameOf("player.scr", NoLeadBytes), "player.scr");
    EXPECT_EQ(ProgramTitle("C:\\Savers\\README", NoLeadBytes), "README");
}

TEST(ProgramPath, TrailByteOfADoubleByteCharacterSeparatesNothing) {
    auto lead = [](unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); };
    // A program whose name starts with the character 0x95 0x5C, in a folder
    // whose name ends with it.
    const std::string path = "C:\\\x95\x5C\\\x95\x5Csaver.scr";
    EXPECT_EQ(ProgramFolder(path, lead), "C:\\\x95\x5C\\");
    EXPECT_EQ(FileNameOf(path, lead), "\x95\x5Csaver.scr");
    EXPECT_EQ(ProgramTitle(path, lead), "\x95\x5Csaver");
    // A byte search would split the character.
    EXPECT_EQ(FileNameOf(path, NoLeadBytes), "saver.scr");
    // A lead byte as the very last byte stands alone.
    EXPECT_EQ(FileNameOf("C:\\a\x95", lead), "a\x95");
}

}  // namespace
}  // namespace orlscr
