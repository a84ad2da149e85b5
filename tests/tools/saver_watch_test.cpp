#include "tools/slideview/saver_watch.h"

#include <gtest/gtest.h>

namespace orlscr {
namespace {

TEST(SaverWatchTest, ReadsTheWindowOnlyFromPlainDecimal) {
    EXPECT_EQ(ParseSaverWindow("131172"), 131172u);
    EXPECT_EQ(ParseSaverWindow("18446744073709551615"), UINT64_MAX);
    for (const char* bad : {"", "0", "-5", "12a", " 12", "0x10", "18446744073709551616", "999999999999999999999"})
        EXPECT_FALSE(ParseSaverWindow(bad)) << bad;
}

TEST(SaverWatchTest, EndsWhenTheSaverIsGoneOrSilentTooLong) {
    SaverWatch watch(0xFFFFF000u);  // across the wrap of the tick count
    uint32_t now = 0xFFFFF000u;
    for (int i = 0; i < 10; ++i)
        EXPECT_FALSE(watch.Check(now += 1000, true, true));
    EXPECT_FALSE(watch.Check(now += SaverWatch::kSilentMs - 1, true, false));
    EXPECT_FALSE(watch.Check(now, true, true));  // answered again in time
    EXPECT_FALSE(watch.Check(now += SaverWatch::kSilentMs - 1, true, false));
    EXPECT_TRUE(watch.Check(now += 1, true, false));
    EXPECT_TRUE(SaverWatch(now).Check(now, false, true));
}

}  // namespace
}  // namespace orlscr
