#include "common/split_rows.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

namespace orlscr {
namespace {

// Every row is done exactly once, whether the rows are shared or not, and
// while two callers split at the same time (one of them then works alone).
TEST(SplitRows, EveryRowOnceAlsoWithTwoCallers) {
    auto run = [](int32_t count, int64_t pixels) {
        std::vector<std::atomic<int>> seen(static_cast<size_t>(count));
        SplitRows(count, pixels, [&](int32_t begin, int32_t end) {
            for (int32_t y = begin; y < end; ++y)
                ++seen[static_cast<size_t>(y)];
        });
        for (const auto& n : seen)
            if (n != 1)
                return false;
        return true;
    };
    EXPECT_TRUE(run(1, 1 << 20));
    EXPECT_TRUE(run(7, 10));
    std::atomic<bool> all{true};
    std::thread other([&] {
        for (int i = 0; i < 200; ++i)
            all = all && run(301, 1 << 20);
    });
    for (int i = 0; i < 200; ++i)
        all = all && run(1080, 1 << 21);
    other.join();
    EXPECT_TRUE(all);
}

// What either half throws reaches the caller, after both halves have ended.
TEST(SplitRows, AFailingHalfIsRethrown) {
    for (int32_t failing : {0, 99}) {
        std::atomic<int> ended{0};
        EXPECT_THROW(SplitRows(100, 1 << 20,
                               [&](int32_t begin, int32_t end) {
                                   ++ended;
                                   if (begin <= failing && failing < end)
                                       throw std::runtime_error("row failed");
                               }),
                     std::runtime_error);
        EXPECT_EQ(ended, std::thread::hardware_concurrency() >= 2 ? 2 : 1);
    }
}

}  // namespace
}  // namespace orlscr
