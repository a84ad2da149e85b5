#include "builder/child_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "support/expect_error.h"

namespace orlscr::mkscr {
namespace {

using std::chrono::milliseconds;

// Whether the process still runs some time after it was sent SIGKILL, which
// is delivered asynchronously; a zombie waiting for its new parent counts as
// ended.
bool StillRunning(int pid) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        const size_t paren = text.rfind(')');
        if (paren == std::string::npos || paren + 2 >= text.size() || text[paren + 2] == 'Z')
            return false;
        if (std::chrono::steady_clock::now() > end)
            return true;
        std::this_thread::sleep_for(milliseconds(20));
    }
}

TEST(ChildProcessTest, GivesTheExitCodeAndTheOutputOfBothStreams) {
    const ChildOutcome outcome =
        RunChildProcess({"/bin/sh", "-c", "echo out; echo err >&2; exit 3"}, milliseconds(20000));
    EXPECT_FALSE(outcome.timedOut);
    EXPECT_EQ(outcome.exitCode, 3);
    EXPECT_EQ(outcome.output, "out\nerr\n");
}

TEST(ChildProcessTest, KeepsOnlyTheTailOfLongOutput) {
    const ChildOutcome outcome =
        RunChildProcess({"/bin/sh", "-c", "head -c 200000 /dev/zero | tr '\\0' a; echo end"}, milliseconds(20000));
    EXPECT_EQ(outcome.output.size(), kMaxChildOutput);
    EXPECT_TRUE(outcome.output.ends_with("aaend\n"));
}

TEST(ChildProcessTest, EndsAProgramAndWhatItStartedAtTheLimit) {
    // The program leaves a child behind that holds the output open.
    const auto start = std::chrono::steady_clock::now();
    const ChildOutcome outcome = RunChildProcess({"/bin/sh", "-c", "sleep 300 & echo $!; wait"}, milliseconds(500));
    EXPECT_TRUE(outcome.timedOut);
    EXPECT_EQ(outcome.exitCode, -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
    const int left = std::stoi(outcome.output);
    EXPECT_FALSE(StillRunning(left)) << "the child " << left << " still runs";
}

TEST(ChildProcessTest, EndsWhatAProgramLeftRunningWhenItExits) {
    const ChildOutcome outcome = RunChildProcess({"/bin/sh", "-c", "sleep 300 & echo $!"}, milliseconds(20000));
    EXPECT_FALSE(outcome.timedOut);
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_FALSE(StillRunning(std::stoi(outcome.output)));
}

TEST(ChildProcessTest, SaysWhenAProgramCannotStart) {
    EXPECT_ERROR_MSG(RunChildProcess({"/no/such/program"}, milliseconds(1000)),
                     "cannot start /no/such/program: No such file or directory");
}

}  // namespace
}  // namespace orlscr::mkscr
