#include "common/random.h"

#include <gtest/gtest.h>

#include <vector>

using orlscr::RandomGenerator;

TEST(RandomGenerator, FirstDrawIsZeroAndSequenceRepeats) {
    RandomGenerator a;
    EXPECT_EQ(a.Next(3), 0);  // state 1: high bits of 1 * 3
    EXPECT_EQ(a.State(), 1u);
    a.Next(3);
    EXPECT_EQ(a.State(), 134775814u);

    RandomGenerator b;
    std::vector<int32_t> first, second;
    a.Reset();
    for (int i = 0; i < 50; ++i) {
        first.push_back(a.Next(100));
        second.push_back(b.Next(100));
    }
    EXPECT_EQ(first, second);
}

TEST(RandomGenerator, ResultIsHighWordOfStateTimesN) {
    RandomGenerator g;
    g.Reset(0xFFFFFFFFu);  // next state: 0xFFFFFFFF * 134775813 + 1 mod 2^32
    uint32_t next = 0xFFFFFFFFu * 134775813u + 1u;
    EXPECT_EQ(g.Next(1000), static_cast<int32_t>((uint64_t{next} * 1000u) >> 32));
}

TEST(RandomGenerator, SmallRangesYieldZeroButStillAdvance) {
    RandomGenerator g;
    EXPECT_EQ(g.Next(0), 0);
    EXPECT_EQ(g.Next(1), 0);
    EXPECT_EQ(g.State(), 1u * 134775813u + 1u);
    for (int i = 0; i < 1000; ++i) {
        int32_t v = g.Next(7);
        ASSERT_GE(v, 0);
        ASSERT_LT(v, 7);
    }
}
