// What the service watchdog is told of the shown video, on a clock of the test's own.
#include "display/VideoLiveness.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using TShownVideo = TVideoLiveness::TShownVideo;

constexpr TShownVideo NoVideo{};

TShownVideo Playing(uint64_t frameNumber) {
    return {true, true, frameNumber};
}

TShownVideo NotPlaying(uint64_t frameNumber) {
    return {true, false, frameNumber};
}

class VideoLivenessTest : public ::testing::Test {
protected:
    // Asks at the clock's time, then moves the clock on.
    bool Alive(const TShownVideo& video, std::chrono::milliseconds then = 0ms) {
        const bool alive = liveness.Alive(video, now);
        now += then;
        return alive;
    }

    TVideoLiveness liveness;
    TVideoLiveness::TTime now{1000h};
};

// Nothing to freeze: texts and pictures alone, and a video opening, failed and waiting for its
// next try, or at the end of a pass, however long that lasts.
TEST_F(VideoLivenessTest, NoVideoOrAVideoNotPlayingIsAlive) {
    EXPECT_TRUE(Alive(NoVideo, 1h));
    EXPECT_TRUE(Alive(NoVideo));
    EXPECT_TRUE(Alive(NotPlaying(0), 1h));
    EXPECT_TRUE(Alive(NotPlaying(0), TVideoLiveness::FrozenLimit * 4));
    EXPECT_TRUE(Alive(NotPlaying(0)));
}

TEST_F(VideoLivenessTest, APlayingVideoIsFrozenOnceItsFrameStandsForTheLimitUntilItMoves) {
    for (uint64_t frame = 1; frame <= 100; ++frame)
        ASSERT_TRUE(Alive(Playing(frame), 10s)) << "a slow but moving video is alive";
    EXPECT_TRUE(Alive(Playing(100), TVideoLiveness::FrozenLimit - 1ms - 10s));
    EXPECT_TRUE(Alive(Playing(100), 1ms));
    EXPECT_FALSE(Alive(Playing(100), 1h)) << "the frame stood still for the limit";
    EXPECT_FALSE(Alive(Playing(100)));
    EXPECT_TRUE(Alive(Playing(101), TVideoLiveness::FrozenLimit - 1ms)) << "it moves again";
    EXPECT_TRUE(Alive(Playing(101), 1ms));
    EXPECT_FALSE(Alive(Playing(101))) << "the limit counts from the last move";
}

// A frozen video that its engine gives up and tries again starts counting anew when it plays,
// whatever its frame number; so does the video of the next layout.
TEST_F(VideoLivenessTest, LeavingThePlayingStateStartsTheCountAnew) {
    EXPECT_TRUE(Alive(Playing(7), TVideoLiveness::FrozenLimit));
    EXPECT_FALSE(Alive(Playing(7)));
    EXPECT_TRUE(Alive(NotPlaying(7), 1h));
    EXPECT_TRUE(Alive(Playing(7), TVideoLiveness::FrozenLimit - 1ms));
    EXPECT_TRUE(Alive(Playing(7), 1ms));
    EXPECT_FALSE(Alive(Playing(7)));
    EXPECT_TRUE(Alive(NoVideo));
    EXPECT_TRUE(Alive(Playing(7), TVideoLiveness::FrozenLimit)) << "a layout of its own";
    EXPECT_FALSE(Alive(Playing(7)));
}

} // namespace
