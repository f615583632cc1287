#include "startup/SplashSequence.h"

#include "startup/GaugeMath.h"

#include <gtest/gtest.h>

namespace {

TEST(SplashSequenceTest, ProgressRestsAt99AndTheWindowClosesOnTick31) {
    const int expected[] = {5,  10, 15, 20, 25, 28, 33, 38, 43, 48, 53,
                            58, 61, 66, 71, 76, 81, 86, 91, 96, 99};
    int progress = 0;
    for (int tick = 1; tick <= 31; ++tick) {
        const auto action = SplashSequence::ActionAt(tick);
        progress = GaugeMath::ClampProgress(progress + action.Step, 0, 100);
        if (tick <= 21)
            EXPECT_EQ(progress, expected[tick - 1]) << tick;
        else
            EXPECT_EQ(progress, 99) << tick;
        EXPECT_EQ(action.ShowDone, tick == 20) << tick;
        EXPECT_EQ(action.Close, tick == 31) << tick;
    }
    EXPECT_TRUE(SplashSequence::ActionAt(32).Close);
}

TEST(SplashSequenceTest, CentredOnTheDesktopRoundingTowardZero) {
    EXPECT_EQ(SplashSequence::Left(1280), 440);
    EXPECT_EQ(SplashSequence::Left(1281), 440);
    EXPECT_EQ(SplashSequence::Left(399), 0);
    EXPECT_EQ(SplashSequence::Left(300), -50);
    EXPECT_EQ(SplashSequence::Left(297), -51);
}

} // namespace
