#include "package/plain_file_name.h"

#include <gtest/gtest.h>

#include <string>

namespace orlscr {
namespace {

TEST(PlainFileName, RefusesNamesThePlayerWillNotCreate) {
    for (const char* bad : {"aux.wav", "AUX", "COM1.wav", "com9", "LPT3.mid", "con.jpg", "Nul.txt", "prn",
                            "CONOUT$", ".", "..", "...", ". .", "a\tb.wav", "new\nline.wav", "a:b",
                            "c:\\x.wav", "d/e.wav", ""})
        EXPECT_FALSE(IsPlainFileName(bad)) << bad;
    EXPECT_FALSE(IsPlainFileName(std::string("a\0b", 3)));
}

TEST(PlainFileName, AcceptsOrdinaryNames) {
    for (const char* good : {"show.ppt", "PPTVIEW.EXE", "com10.wav", "COM0.wav", "auxiliary.wav", "console.jpg",
                             ".hidden", "a b.mid", "D\xE9mo.wav", "lpt.txt"})
        EXPECT_TRUE(IsPlainFileName(good)) << good;
}

TEST(PlainFileName, TrailBytesOfDoubleByteCharactersAreNoSeparators) {
    // "so" of Shift-JIS is 0x83 0x5C: its trail byte is the backslash.
    const std::string so = "\x83\x5C\x83\x74\x83\x67.ppt";
    auto shiftJisLead = [](unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); };
    EXPECT_FALSE(IsPlainFileName(so));
    EXPECT_TRUE(IsPlainFileName(so, shiftJisLead));
}

}  // namespace
}  // namespace orlscr
