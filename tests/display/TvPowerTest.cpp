// The tries that bring a TV to the screen's state, against a TV of the test's own: the pause
// between tries and the clock are the test's, so nothing waits.
#include "display/TvPower.h"

#include "display/CecScreenSwitch.h"

#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <vector>

namespace {

using namespace std::chrono_literals;

// A TV that reports a power of its own choosing; may be asked from another thread.
class TFakeTv : public ITvControl {
public:
    std::string Connect(TWakeup&, const std::function<bool()>&) override { return {}; }
    std::string Command(bool on) override {
        const std::lock_guard lock(mutex_);
        commands_.push_back(on);
        if (follows_)
            power_ = on ? TTvPower::On : TTvPower::Standby;
        changed_.notify_all();
        return {};
    }
    TTvAnswer AskPower() override {
        const std::lock_guard lock(mutex_);
        ++questions_;
        if (!answers_)
            return {false, TTvPower::On, "it does not answer"};
        return {true, power_, {}};
    }

    void Plays(TTvPower power, bool follows, bool answers = true) {
        const std::lock_guard lock(mutex_);
        power_ = power;
        follows_ = follows;
        answers_ = answers;
    }
    std::vector<bool> Commands() {
        const std::lock_guard lock(mutex_);
        return commands_;
    }
    int Questions() {
        const std::lock_guard lock(mutex_);
        return questions_;
    }
    // Until the commands are those, within a bound.
    bool WaitForCommands(const std::vector<bool>& expected) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 10s, [&] { return commands_ == expected; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<bool> commands_;
    int questions_ = 0;
    TTvPower power_ = TTvPower::On;
    bool follows_ = true;
    bool answers_ = true;
};

class TvPowerTriesTest : public ::testing::Test {
protected:
    TFakeTv tv;
    std::vector<std::string> said;
    int pauses = 0;
    std::chrono::steady_clock::time_point now{100h};
    TTvPowerTries tries{tv,
                        [this] {
                            ++pauses;
                            now += 5s;
                            return true;
                        },
                        [this](const std::string& line) { said.push_back(line); },
                        [this] { return now; }};
};

TEST_F(TvPowerTriesTest, AConfirmedStateIsSaidWithItsTimeAndTries) {
    tv.Plays(TTvPower::On, true);
    EXPECT_TRUE(tries.Bring(false));
    EXPECT_EQ(tv.Commands(), std::vector<bool>{false});
    EXPECT_EQ(pauses, 0);
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0], "HDMI-CEC: the TV is in standby (confirmed after 0.0 s, 1 try)");
}

// In transition counts: the TV took the command.
TEST_F(TvPowerTriesTest, ATvGoingToTheStateConfirmsIt) {
    tv.Plays(TTvPower::ToOn, false);
    EXPECT_TRUE(tries.Bring(true));
    EXPECT_EQ(said, std::vector<std::string>{
                        "HDMI-CEC: the TV is turning on (confirmed after 0.0 s, 1 try)"});
}

TEST_F(TvPowerTriesTest, ATvThatIgnoresStandbyIsTriedThreeTimesAndSaidOnceUntilItConfirms) {
    tv.Plays(TTvPower::On, false);
    EXPECT_FALSE(tries.Bring(false));
    EXPECT_EQ(tv.Commands(), (std::vector<bool>{false, false, false}));
    EXPECT_EQ(tv.Questions(), 3);
    EXPECT_EQ(pauses, 2);
    EXPECT_EQ(said, std::vector<std::string>{"HDMI-CEC: the TV did not confirm standby after 3 "
                                             "tries (it says it is on)"});
    said.clear();
    EXPECT_FALSE(tries.Bring(false));
    EXPECT_TRUE(said.empty()) << "said once";
    EXPECT_TRUE(tries.Bring(true));
    EXPECT_EQ(said,
              std::vector<std::string>{"HDMI-CEC: the TV is on (confirmed after 0.0 s, 1 try)"});
    said.clear();
    EXPECT_FALSE(tries.Bring(false));
    EXPECT_EQ(said.size(), 1u) << "said again after a confirmation";
}

TEST_F(TvPowerTriesTest, ATvThatAnswersLateIsConfirmedAtTheTryItAnswers) {
    tv.Plays(TTvPower::On, true, false);
    const std::chrono::steady_clock::time_point start = now;
    bool answered = false;
    TTvPowerTries late{tv,
                       [&] {
                           now += 5s;
                           tv.Plays(TTvPower::On, true, answered);
                           answered = true;
                           return true;
                       },
                       [this](const std::string& line) { said.push_back(line); },
                       [&] { return now; }};
    EXPECT_TRUE(late.Bring(false));
    EXPECT_EQ(now - start, 10s);
    EXPECT_EQ(said, std::vector<std::string>{
                        "HDMI-CEC: the TV is in standby (confirmed after 10.0 s, 3 tries)"});
}

TEST_F(TvPowerTriesTest, ATvThatNeverAnswersIsSaidSo) {
    tv.Plays(TTvPower::On, true, false);
    EXPECT_FALSE(tries.Bring(true));
    EXPECT_EQ(said, std::vector<std::string>{"HDMI-CEC: the TV did not confirm that it is on "
                                             "after 3 tries (it does not answer)"});
}

// The switch's thread: a newer wanted state cuts the pause between tries short, and the end
// does too, at once, without a word. The pause is an hour: a test that waited for it would hang.
TEST(CecScreenSwitchTest, TheNewestWantedStateWinsAndTheEndWakesThePause) {
    auto tv = std::make_unique<TFakeTv>();
    TFakeTv& fake = *tv;
    fake.Plays(TTvPower::On, false);
    std::mutex saidMutex;
    std::vector<std::string> said;
    {
        TCecScreenSwitch screen(
            std::move(tv),
            [&](const std::string& line) {
                const std::lock_guard lock(saidMutex);
                said.push_back(line);
            },
            1h);
        screen.SetOn(false);
        ASSERT_TRUE(fake.WaitForCommands({false}));
        fake.Plays(TTvPower::Standby, false, false);
        screen.SetOn(true);
        ASSERT_TRUE(fake.WaitForCommands({false, true}));
    }
    EXPECT_TRUE(said.empty());
}

} // namespace
