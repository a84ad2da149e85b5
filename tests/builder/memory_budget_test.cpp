// The memory the picture workers share: a worker waits while its picture does
// not fit into what is left; one larger than the whole budget runs alone.

#include "builder/memory_budget.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace orlscr::mkscr {
namespace {

TEST(MemoryBudget, AWorkerWaitsUntilItsPictureFitsAndALargeOneRunsAlone) {
    MemoryBudget budget(100);
    {
        MemoryBudget::Lease first = budget.Reserve(60);
        MemoryBudget::Lease small = budget.Reserve(40);  // fits beside it
        EXPECT_EQ(budget.Reserved(), 100);
        std::atomic<bool> admitted{false};
        std::thread waiting([&] {
            const MemoryBudget::Lease second = budget.Reserve(60);
            admitted = true;
        });
        // Only a fault lets it in while the others hold their bytes.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_FALSE(admitted);
        small = MemoryBudget::Lease();  // still no room for 60
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_FALSE(admitted);
        first = MemoryBudget::Lease();
        waiting.join();
        EXPECT_TRUE(admitted);
    }
    EXPECT_EQ(budget.Reserved(), 0);
    // More than the whole budget: taken when nothing else is reserved.
    const MemoryBudget::Lease large = budget.Reserve(500);
    EXPECT_EQ(budget.Reserved(), 500);
}

}  // namespace
}  // namespace orlscr::mkscr
