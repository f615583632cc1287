// The display's side of the notify protocol, against a socket of the test's own in the place of
// the service manager's.
#include "display/ServiceNotifier.h"

#include "common/NotifySocket.h"
#include "common/TempDir.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

class ServiceNotifierTest : public ::testing::Test {
protected:
    TTempDir dir;
    TNotifySocket manager{dir.File("notify")};
    TVariableGuard socketVariable{"NOTIFY_SOCKET", manager.Path().c_str()};
    TVariableGuard interval{"WATCHDOG_USEC", "300000"};
    TVariableGuard watchedPid{"WATCHDOG_PID", nullptr};
};

TEST_F(ServiceNotifierTest, ReadyPingAndStatusReachTheManagerAndTheEnvironmentStays) {
    const TServiceNotifier notifier;
    EXPECT_TRUE(notifier.Active());
    EXPECT_EQ(notifier.WatchdogInterval(), 300ms);
    notifier.Ready();
    EXPECT_EQ(manager.TakeWaiting(), "READY=1");
    notifier.WatchdogPing();
    notifier.WatchdogPing();
    EXPECT_EQ(manager.TakeWaiting(), "WATCHDOG=1");
    EXPECT_EQ(manager.TakeWaiting(), "WATCHDOG=1");
    // A line from the network never carries an assignment of its own.
    notifier.Status("server lost (reset)\nWATCHDOG=1\tREADY=1");
    EXPECT_EQ(manager.TakeWaiting(), "STATUS=server lost (reset) WATCHDOG=1 READY=1");
    EXPECT_EQ(manager.TakeWaiting(), std::nullopt);
    EXPECT_NE(std::getenv("NOTIFY_SOCKET"), nullptr);
    EXPECT_NE(std::getenv("WATCHDOG_USEC"), nullptr);
}

// The watchdog variables name the process they are for; set for another, they are not ours.
TEST_F(ServiceNotifierTest, TheWatchdogIsOnlyForTheProcessItNames) {
    {
        const TVariableGuard other("WATCHDOG_PID", std::to_string(::getppid()).c_str());
        EXPECT_EQ(TServiceNotifier().WatchdogInterval(), 0us);
    }
    const TVariableGuard ours("WATCHDOG_PID", std::to_string(::getpid()).c_str());
    EXPECT_EQ(TServiceNotifier().WatchdogInterval(), 300ms);
    const TVariableGuard none("WATCHDOG_USEC", nullptr);
    EXPECT_EQ(TServiceNotifier().WatchdogInterval(), 0us);
}

// Started by hand, from a desktop session or by a unit that is not a notify service.
TEST_F(ServiceNotifierTest, WithoutANotifySocketNothingIsSentAndNothingChanges) {
    const TVariableGuard unset("NOTIFY_SOCKET", nullptr);
    const TServiceNotifier notifier;
    EXPECT_FALSE(notifier.Active());
    EXPECT_EQ(notifier.WatchdogInterval(), 0us) << "no pings for a manager that cannot hear them";
    notifier.Ready();
    notifier.WatchdogPing();
    notifier.Status("connected to 127.0.0.1:5678");
    EXPECT_EQ(manager.TakeWaiting(), std::nullopt);
    EXPECT_EQ(std::getenv("NOTIFY_SOCKET"), nullptr);
    EXPECT_STREQ(std::getenv("WATCHDOG_USEC"), "300000");
}

} // namespace
