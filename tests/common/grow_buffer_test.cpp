#include "common/grow_buffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace orlscr {
namespace {

// A query of the GetTempPathA kind: the text when it fits, otherwise the size
// it needs (terminating zero included), and 0 when it has no answer.
struct NeedsSizeQuery {
    std::string answer;
    int calls = 0;
    size_t operator()(char* buffer, size_t size) {
        ++calls;
        if (answer.empty())
            return 0;
        if (answer.size() + 1 > size)
            return answer.size() + 1;
        std::memcpy(buffer, answer.c_str(), answer.size() + 1);
        return answer.size();
    }
};

// A query of the GetModuleFileNameA kind: cuts the text to the buffer and
// answers the buffer's size when it had to.
struct CutsTextQuery {
    std::string answer;
    size_t operator()(char* buffer, size_t size) {
        const size_t copied = answer.size() < size ? answer.size() : size;
        std::memcpy(buffer, answer.data(), copied);
        if (copied < size)
            buffer[copied] = '\0';
        return copied;
    }
};

TEST(QueryGrowingText, AnswersLongerThanTheFirstBufferComeWhole) {
    for (size_t length : {1u, 254u, 255u, 259u, 260u, 261u, 300u, 1000u, 32767u}) {
        const std::string answer = std::string(length - 1, 'x') + "\\";
        NeedsSizeQuery needsSize{answer};
        EXPECT_EQ(QueryGrowingText(needsSize), answer) << length;
        EXPECT_LE(needsSize.calls, 2) << length;
        CutsTextQuery cutsText{answer};
        EXPECT_EQ(QueryGrowingText(cutsText), answer) << length;
    }
}

TEST(QueryGrowingText, FailureAndEndlessGrowthGiveNothing) {
    EXPECT_EQ(QueryGrowingText(NeedsSizeQuery{""}), std::nullopt);
    // A query that never fits stops at 64 KiB instead of growing for ever.
    int calls = 0;
    auto neverFits = [&](char*, size_t size) {
        ++calls;
        return size + 1;
    };
    EXPECT_EQ(QueryGrowingText(neverFits), std::nullopt);
    EXPECT_LT(calls, 20);
}

}  // namespace
}  // namespace orlscr
