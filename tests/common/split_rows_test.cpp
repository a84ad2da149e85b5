#include "common/split_rows.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

namespace orlscr {
namespace {

// Every row and every piece is done exactly once, whether the rows are shared
// or not, while two callers split at the same time (one of them then works
// alone), and whether the helper was woken ahead or is still awake.
TEST(SplitRows, EveryRowAndPieceOnceAlsoWithTwoCallers) {
    auto run = [](int32_t count, int64_t pixels) {
        std::vector<std::atomic<int>> rows(static_cast<size_t>(count));
        std::vector<std::atomic<int>> pieces(static_cast<size_t>(RowPieces(count)));
        SplitRows(count, pixels, [&](int32_t piece, int32_t begin, int32_t end) {
            ++pieces[static_cast<size_t>(piece)];
            for (int32_t y = begin; y < end; ++y)
                ++rows[static_cast<size_t>(y)];
        });
        for (const auto* counts : {&rows, &pieces})
            for (const auto& n : *counts)
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
    for (int i = 0; i < 200; ++i) {
        if (i % 3 == 0)
            ReadyRowHelper();
        all = all && run(1080, 1 << 21);
    }
    other.join();
    EXPECT_TRUE(all);
    // A split made inside a piece, on the caller's thread and on the helper's.
    std::atomic<bool> nested{true};
    SplitRows(8, 1 << 21, [&](int32_t, int32_t, int32_t) { nested = nested && run(100, 1 << 21); });
    EXPECT_TRUE(nested);
}

// Work alongside a split runs once, on the calling thread, before the caller
// takes any piece (the helper may already be at work); its failure comes out
// only once every piece is done.
TEST(SplitRows, AlongsideRunsOnceOnTheCallerBeforeItsPieces) {
    for (int64_t pixels : {int64_t{1}, int64_t{1} << 21}) {
        const std::thread::id caller = std::this_thread::get_id();
        std::atomic<int> alongside{0}, callerPieces{0}, callerPiecesBefore{-1}, pieces{0};
        SplitRows(
            64, pixels,
            [&](int32_t, int32_t, int32_t) {
                ++pieces;
                if (std::this_thread::get_id() == caller)
                    ++callerPieces;
            },
            [&] {
                ++alongside;
                callerPiecesBefore = callerPieces.load();
                EXPECT_EQ(std::this_thread::get_id(), caller);
            });
        EXPECT_EQ(alongside, 1);
        EXPECT_EQ(callerPiecesBefore, 0);
        EXPECT_EQ(pieces, RowPieces(64));
        std::atomic<int> done{0};
        EXPECT_THROW(SplitRows(
                         64, pixels, [&](int32_t, int32_t, int32_t) { ++done; },
                         [] { throw std::runtime_error("show failed"); }),
                     std::runtime_error);
        EXPECT_EQ(done, RowPieces(64));
    }
}

TEST(SplitRows, AFailingPieceIsRethrown) {
    for (int32_t failing : {0, 99}) {
        EXPECT_THROW(SplitRows(100, 1 << 20,
                               [&](int32_t, int32_t begin, int32_t end) {
                                   if (begin <= failing && failing < end)
                                       throw std::runtime_error("row failed");
                               }),
                     std::runtime_error);
    }
}

}  // namespace
}  // namespace orlscr
