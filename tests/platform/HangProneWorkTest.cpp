#include "platform/HangProneWork.h"

#include <atomic>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>

namespace {

using TState = THangProneWork::TState;

// Bound of the waits: a guard against a hang, never a measurement.
constexpr std::chrono::seconds Ceiling{10};

// Opened once by one thread, waited for by another: a hung mount's gate, or a sign that work
// got somewhere.
class TLatch {
public:
    void Open() {
        const std::lock_guard lock(lock_);
        open_ = true;
        changed_.notify_all();
    }
    bool WaitOpen(std::chrono::seconds bound = Ceiling) {
        std::unique_lock lock(lock_);
        return changed_.wait_for(lock, bound, [this] { return open_; });
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    bool open_ = false;
};

// A result that says when it is gone.
struct TWitness {
    explicit TWitness(TLatch& gone) : Gone(gone) {}
    ~TWitness() { Gone.Open(); }
    TLatch& Gone;
};

// Work stuck until the gate opens, then giving a witness of its result.
auto Stuck(TLatch& gate, TLatch& resultGone) {
    return [&gate, &resultGone] {
        gate.WaitOpen(std::chrono::hours(1));
        return std::make_shared<TWitness>(resultGone);
    };
}

TEST(HangProneWorkTest, WorkPastItsLimitIsDroppedAndHoldsItsPlaceUntilItReturns) {
    TLatch gate, lateResultGone, nextDone;
    std::atomic<bool> hungTold{false};
    THangProneWork work({1, 0});
    auto hung = work.Start(Stuck(gate, lateResultGone), std::chrono::milliseconds(1),
                           [&hungTold] { hungTold = true; });
    EXPECT_FALSE(hung.Wait().has_value()) << "nothing within its limit";
    EXPECT_EQ(hung.Check(), TState::Abandoned);
    EXPECT_EQ(work.Running(), 1);
    EXPECT_EQ(work.Abandoned(), 1);

    auto next = work.Start([] { return 2; }, THangProneWork::NoLimit, [&] { nextDone.Open(); });
    EXPECT_EQ(next.Check(), TState::Waiting) << "the abandoned thread still takes the only place";
    gate.Open();
    ASSERT_TRUE(nextDone.WaitOpen());
    EXPECT_EQ(next.Take(), 2);
    EXPECT_TRUE(lateResultGone.WaitOpen()) << "the late result is dropped where it comes";
    EXPECT_FALSE(hung.Take().has_value());
    EXPECT_FALSE(hungTold) << "an abandoned work's owner is not told";
}

TEST(HangProneWorkTest, AbandonedThreadsMakeRoomOnlyUpToTheirOwnBound) {
    TLatch gate, firstGone, secondGone, thirdDone;
    THangProneWork work({1, 1});
    auto first = work.Start(Stuck(gate, firstGone), THangProneWork::NoLimit);
    first.Abandon();
    auto second = work.Start(Stuck(gate, secondGone), THangProneWork::NoLimit);
    EXPECT_EQ(second.Check(), TState::Running) << "one abandoned thread beyond the working one";
    second.Abandon();
    auto third = work.Start([] { return 3; }, THangProneWork::NoLimit, [&] { thirdDone.Open(); });
    EXPECT_EQ(third.Check(), TState::Waiting) << "two abandoned threads fill the bound";
    EXPECT_EQ(work.Running(), 2);

    gate.Open();
    ASSERT_TRUE(thirdDone.WaitOpen());
    EXPECT_EQ(third.Take(), 3);
    EXPECT_FALSE(third.Take().has_value()) << "taken once";
    EXPECT_TRUE(firstGone.WaitOpen());
    EXPECT_TRUE(secondGone.WaitOpen());
}

// Under ThreadSanitizer a touch of the owner's freed state by the returning thread is a fault.
TEST(HangProneWorkTest, AThreadThatReturnsAfterItsOwnerIsGoneTouchesNothingFreed) {
    TLatch started, gate, resultGone;
    std::atomic<bool> told{false};
    {
        THangProneWork work({1, 0});
        auto task = work.Start(
            [&] {
                started.Open();
                return Stuck(gate, resultGone)();
            },
            THangProneWork::NoLimit, [&told] { told = true; });
        ASSERT_TRUE(started.WaitOpen());
    }
    gate.Open();
    EXPECT_TRUE(resultGone.WaitOpen());
    EXPECT_FALSE(told);
}

} // namespace
