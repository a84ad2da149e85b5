#include "saver/exit_rules.h"

#include <gtest/gtest.h>

#include <climits>

namespace orlscr {
namespace {

constexpr ScreenSize kScreen{1024, 768};

EventMsg Mouse(uint32_t message, int32_t x, int32_t y) {
    return EventMsg{message, static_cast<uint32_t>(x), static_cast<uint32_t>(y), 0, 0};
}
EventMsg Move(int32_t x, int32_t y) {
    return Mouse(kWmMouseMove, x, y);
}
EventMsg Key(uint32_t message) {
    return EventMsg{message, 0x41, 0, 0, 0};
}

class ExitRulesTest : public ::testing::Test {
  protected:
    void SetUp() override { rules_.Reset(kScreen); }
    bool Apply(const EventMsg& event) { return rules_.Apply(settings_, event, kScreen); }

    ExitRules rules_;
    ExitSettings settings_;
};

TEST_F(ExitRulesTest, MouseMoveMeasuresFromTheReferencePoint) {
    settings_.lExitMouseMove = true;
    EXPECT_EQ(rules_.LastMouseX, 1024);
    EXPECT_EQ(rules_.LastMouseY, 768);

    // The first move only sets the reference, however far from the corner.
    EXPECT_FALSE(Apply(Move(10, 10)));
    EXPECT_EQ(rules_.LastMouseX, 10);
    EXPECT_FALSE(Apply(Move(13, 13)));  // 3 in both axes
    EXPECT_FALSE(Apply(Move(7, 7)));
    EXPECT_TRUE(Apply(Move(14, 10)));  // 4 in x
    EXPECT_EQ(rules_.LastMouseX, 14);   // the move is the new reference
}

TEST_F(ExitRulesTest, MouseMoveCountsEitherAxisAndNegativeCoordinates) {
    settings_.lExitMouseMove = true;
    EXPECT_FALSE(Apply(Move(-1200, -50)));  // a monitor left of and above the primary one
    EXPECT_FALSE(Apply(Move(-1203, -47)));
    EXPECT_TRUE(Apply(Move(-1200, -54)));  // 4 in y
    EXPECT_EQ(rules_.LastMouseY, -54);

    // Extreme values do not overflow the distance.
    Apply(Move(INT_MIN, INT_MIN));
    EXPECT_EQ(rules_.LastMouseX, INT_MIN);
    EXPECT_TRUE(Apply(Move(INT_MAX, INT_MAX)));
    EXPECT_EQ(rules_.LastMouseX, INT_MAX);
}

TEST_F(ExitRulesTest, MouseMoveRuleOffIgnoresMoves) {
    settings_.lExitKeyPress = true;
    EXPECT_FALSE(Apply(Move(10, 10)));
    EXPECT_FALSE(Apply(Move(500, 500)));
    EXPECT_EQ(rules_.LastMouseX, 1024);  // no reference kept
}

TEST_F(ExitRulesTest, ClicksNeedTwoCountedEventsFirst) {
    settings_.lExitMouseClick = true;
    EXPECT_FALSE(Apply(Mouse(kWmLButtonUp, 1, 1)));
    EXPECT_FALSE(Apply(Mouse(kWmRButtonUp, 1, 1)));
    EXPECT_EQ(rules_.ClickCount, 2);
    EXPECT_FALSE(Apply(Mouse(kWmLButtonDown, 1, 1)));  // not a release: counted
    EXPECT_EQ(rules_.ClickCount, 3);
    EXPECT_TRUE(Apply(Mouse(kWmMButtonUp, 1, 1)));
    EXPECT_EQ(rules_.ClickCount, 3);  // the event that ends the run is not counted
}

TEST_F(ExitRulesTest, ClickRuleIsNotConsultedWhileMouseMoveIsOn) {
    settings_.lExitMouseMove = true;
    settings_.lExitMouseClick = true;
    for (int i = 0; i < 5; ++i)
        EXPECT_FALSE(Apply(Mouse(kWmLButtonUp, 100, 100)));
    EXPECT_EQ(rules_.ClickCount, 0);
}

TEST_F(ExitRulesTest, SecondKeyReleaseEndsAKeyPressRun) {
    settings_.lExitKeyPress = true;
    EXPECT_FALSE(Apply(Key(kWmKeyDown)));
    EXPECT_FALSE(Apply(Key(kWmKeyUp)));  // first press: down and up
    EXPECT_EQ(rules_.KeyCount, 2);
    EXPECT_FALSE(Apply(Key(kWmKeyDown)));
    EXPECT_TRUE(Apply(Key(kWmKeyUp)));
}

TEST_F(ExitRulesTest, KeyDownsAndSystemKeysNeverEndTheRun) {
    settings_.lExitKeyPress = true;
    for (int i = 0; i < 5; ++i) {
        EXPECT_FALSE(Apply(Key(kWmKeyDown)));
        EXPECT_FALSE(Apply(Key(kWmSysKeyDown)));
        EXPECT_FALSE(Apply(Key(kWmSysKeyUp)));
    }
}

TEST_F(ExitRulesTest, MouseEventsCountTowardsTheKeyRule) {
    settings_.lExitKeyPress = true;
    EXPECT_FALSE(Apply(Move(1, 1)));
    EXPECT_FALSE(Apply(Mouse(kWmLButtonUp, 1, 1)));
    EXPECT_TRUE(Apply(Key(kWmKeyUp)));  // the very first key release
}

TEST_F(ExitRulesTest, NothingEndsARunWithoutExitSettings) {
    for (int i = 0; i < 5; ++i) {
        EXPECT_FALSE(Apply(Move(i * 100, i * 100)));
        EXPECT_FALSE(Apply(Mouse(kWmLButtonUp, 0, 0)));
        EXPECT_FALSE(Apply(Key(kWmKeyUp)));
    }
}

TEST_F(ExitRulesTest, CountersStopAtTheirLargestValue) {
    rules_.KeyCount = INT32_MAX;
    rules_.ClickCount = INT32_MAX;
    EXPECT_FALSE(Apply(Key(kWmKeyDown)));
    EXPECT_EQ(rules_.KeyCount, INT32_MAX);
    EXPECT_EQ(rules_.ClickCount, INT32_MAX);
}

}  // namespace
}  // namespace orlscr
