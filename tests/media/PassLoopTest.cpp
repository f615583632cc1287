#include "media/PassLoop.h"

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using TCalls = std::vector<std::string>;

// Upper bound for waiting on another thread: a guard against a hang, never a measurement.
constexpr auto WaitCeiling = 30s;

// Stands in for the pipeline: records what the loop asks of it, in order. A held seek waits, as
// one does for a paused stream, until the stream runs out.
class TRecordingSeeker final : public TPassSeeker {
public:
    bool AcceptSegmentSeeks = true;
    bool HoldSeeks = false;
    std::function<void()> AtEndStream; // the end reaching the sink, as it may at once

    TCalls Calls() {
        const std::lock_guard lock(lock_);
        return calls_;
    }
    bool WaitFor(const std::string& call) {
        std::unique_lock lock(lock_);
        return changed_.wait_for(lock, WaitCeiling, [&] {
            return std::find(calls_.begin(), calls_.end(), call) != calls_.end();
        });
    }
    bool SeekReturned() {
        const std::lock_guard lock(lock_);
        return seekReturned_;
    }

    void ScheduleNextPass() override { Record("ScheduleNextPass"); }
    bool SeekSegmentStart() override {
        Record("SeekSegmentStart");
        std::unique_lock lock(lock_);
        changed_.wait(lock, [this] { return !HoldSeeks || ranOut_; });
        seekReturned_ = true;
        return AcceptSegmentSeeks;
    }
    void EndStream() override {
        Record("EndStream");
        if (AtEndStream)
            AtEndStream();
    }
    void SeekStartFlushing() override { Record("SeekStartFlushing"); }
    void PauseAtEnd() override { Record("PauseAtEnd"); }
    void RunOut() override {
        Record("RunOut");
        const std::lock_guard lock(lock_);
        ranOut_ = true;
        changed_.notify_all();
    }
    void PassEnded() override { Record("PassEnded"); }

private:
    void Record(const char* call) {
        const std::lock_guard lock(lock_);
        calls_.emplace_back(call);
        changed_.notify_all();
    }

    std::mutex lock_;
    std::condition_variable changed_;
    TCalls calls_;
    bool ranOut_ = false;
    bool seekReturned_ = false;
};

template <typename T>
bool Ready(std::future<T>& result) {
    return result.wait_for(WaitCeiling) == std::future_status::ready;
}

// The first frame of a pass, on a sink thread of its own: it waits at the end of the last pass,
// where nobody answers within the last frame's time (none here), so the pipeline pauses there;
// Play lets it on.
void ExpectHeldUntilPlay(TPassLoop& loop, TRecordingSeeker& seeker) {
    auto first = std::async(std::launch::async, [&] { return loop.AtFrame(0ns); });
    ASSERT_TRUE(seeker.WaitFor("PauseAtEnd"));
    loop.Play();
    ASSERT_TRUE(Ready(first));
    EXPECT_TRUE(first.get());
}

TEST(PassLoopTest, ASegmentSeekQueuesTheNextPassBehindTheLastFrame) {
    TRecordingSeeker seeker;
    TPassLoop loop(seeker);
    loop.SegmentDone(); // read to its end before the opening had finished
    EXPECT_TRUE(loop.AtFrame(0ns));
    EXPECT_TRUE(seeker.Calls().empty());
    loop.Start(true);
    EXPECT_EQ(seeker.Calls(), TCalls{"ScheduleNextPass"});

    loop.SeekNextPass();
    EXPECT_TRUE(loop.AtSegment(true)) << "counted from the end of the last frame";
    ExpectHeldUntilPlay(loop, seeker);
    EXPECT_EQ(seeker.Calls(),
              (TCalls{"ScheduleNextPass", "SeekSegmentStart", "PassEnded", "PauseAtEnd"}));
    EXPECT_TRUE(loop.AtEnd(0ns)) << "with segment seeks the stream never ends by itself";
}

TEST(PassLoopTest, ADemuxerRefusingSegmentSeeksStartsOverWithAFlushingSeek) {
    TRecordingSeeker seeker;
    seeker.AcceptSegmentSeeks = false;
    TPassLoop loop(seeker);
    bool endDropped = false;
    seeker.AtEndStream = [&] { endDropped = !loop.AtEnd(0ns); };
    loop.Start(true);
    EXPECT_TRUE(loop.AtFrame(0ns));
    loop.SegmentDone();
    loop.SeekNextPass();
    EXPECT_TRUE(endDropped) << "the sink never sees the end";
    EXPECT_EQ(seeker.Calls(), (TCalls{"ScheduleNextPass", "SeekSegmentStart", "EndStream",
                                      "PassEnded", "SeekStartFlushing"}));

    loop.AtFlush();
    EXPECT_FALSE(loop.AtSegment(true)) << "after a flush the pass starts anew, not behind";
    ExpectHeldUntilPlay(loop, seeker);
    EXPECT_EQ(seeker.Calls().back(), "PauseAtEnd");
}

TEST(PassLoopTest, AVideoPlayedOnceSeeksItsBeginningOnlyWhenPlayAsks) {
    TRecordingSeeker seeker;
    TPassLoop loop(seeker, true);
    loop.Start(false);
    EXPECT_TRUE(loop.AtFrame(0ns));
    EXPECT_FALSE(loop.AtEnd(0ns)) << "the sink never sees the end";
    EXPECT_EQ(seeker.Calls(), TCalls{"PassEnded"}) << "nothing of a next pass is decoded";

    loop.Play();
    EXPECT_EQ(seeker.Calls(), (TCalls{"PassEnded", "SeekStartFlushing"}));
    loop.AtFlush();
    EXPECT_TRUE(loop.AtFrame(0ns)) << "asked for already: the first frame goes on";
    loop.Play();
    EXPECT_EQ(seeker.Calls().size(), 2u) << "the beginning is sought once for each end";
}

TEST(PassLoopTest, APassWithoutFramesLeavesTheLoopIdle) {
    TRecordingSeeker seeker;
    TPassLoop loop(seeker);
    loop.Start(true);
    EXPECT_TRUE(loop.AtFrame(0ns));
    loop.SegmentDone();
    loop.SeekNextPass();
    loop.SegmentDone(); // a pass without a frame: the file was cut short
    EXPECT_EQ(seeker.Calls(), (TCalls{"ScheduleNextPass", "SeekSegmentStart"}));
    EXPECT_TRUE(loop.AtFrame(0ns)) << "the file is good again";
    EXPECT_EQ(seeker.Calls().back(), "ScheduleNextPass");

    TRecordingSeeker flushing;
    TPassLoop restarting(flushing);
    restarting.Start(false);
    restarting.AtFlush();
    EXPECT_FALSE(restarting.AtEnd(0ns));
    EXPECT_TRUE(flushing.Calls().empty()) << "no pass ended, nothing sought again";
}

TEST(PassLoopTest, AClosedLoopEndsOnlyOnceItsSeekHasEnded) {
    TRecordingSeeker seeker;
    seeker.HoldSeeks = true;
    TPassLoop loop(seeker);
    loop.Start(true);
    EXPECT_TRUE(loop.AtFrame(0ns));
    loop.SegmentDone();
    auto seek = std::async(std::launch::async, [&] { loop.SeekNextPass(); });
    ASSERT_TRUE(seeker.WaitFor("SeekSegmentStart"));

    loop.Close();
    auto ended = std::async(std::launch::async, [&] { loop.EndSeeks(); });
    ASSERT_TRUE(Ready(ended));
    EXPECT_TRUE(seeker.SeekReturned()) << "the stream ran out for the seek before the end";
    ASSERT_TRUE(Ready(seek));
    EXPECT_FALSE(loop.AtFrame(0ns)) << "frames are dropped once closed";
    loop.SeekNextPass();
    EXPECT_EQ(seeker.Calls(), (TCalls{"ScheduleNextPass", "SeekSegmentStart", "RunOut"}));
}

} // namespace
