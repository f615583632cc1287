// One program per program folder, with two real processes of the same executable.
#include "common/DesktopSession.h"
#include "common/ProcessState.h"
#include "common/StatusNotifierHost.h"
#include "platform/FileIo.h"
#include "platform/IniFile.h"
#include "platform/Sockets.h"

#include <QFile>
#include <QLockFile>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using DesktopSession::WaitFor;

// What a start must leave as it found it: the .ini and the per-user settings.
struct TFilesSeen {
    std::optional<std::string> Ini, Settings;
    std::filesystem::file_time_type IniTime, SettingsTime;

    explicit TFilesSeen(const TProgramUnderTest& program)
        : Ini(FileIo::ReadAll(program.Ini())), Settings(FileIo::ReadAll(program.SettingsFile())),
          IniTime(std::filesystem::last_write_time(program.Ini())),
          SettingsTime(std::filesystem::last_write_time(program.SettingsFile())) {}

    bool operator==(const TFilesSeen&) const = default;
};

class SingleInstanceDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const std::string why = DesktopSession::MissingProgramReason(
                {"Xvfb", "dbus-daemon", "xdotool", "xwininfo"});
            !why.empty())
            GTEST_SKIP() << why;
        ASSERT_TRUE(display_.Started());
        ASSERT_TRUE(bus_.Started());
        ASSERT_TRUE(watcher_.Start());
        // Server auto-start on a port no other test uses: a second instance that got as far
        // as starting its own server would fail to bind it.
        TIniFile ini(program_.Ini());
        ini.WriteInteger("ServerParams", "ServerPort", FreePort());
        ini.WriteString("ServerParams", "ServerAutoStart", "1");
    }

    static int FreePort() {
        TSocketHandle probe;
        Sockets::CreateTcpSocket(probe);
        Sockets::Bind(probe.Get(), "127.0.0.1", 0);
        uint16_t port = 0;
        Sockets::LocalPort(probe.Get(), port);
        return port;
    }

    std::vector<TVirtualDisplay::TWindow> MainWindows() const {
        return TProgramUnderTest::MainWindows(display_);
    }

    TVirtualDisplay display_;
    TSessionBus bus_;
    TStatusNotifierWatcher watcher_{bus_.Address()};
    TProgramUnderTest program_;
};

TEST_F(SingleInstanceDesktopTest, ASecondStartBringsTheWindowBackAndEndsWithoutWriting) {
    program_.SetOption("MinFormShow", 1);
    QProcess& first = program_.Start(&display_, &bus_);
    ASSERT_TRUE(WaitFor([&] { return watcher_.Registrations() > 0; }, 30s)) << "not in the tray";
    ASSERT_TRUE(WaitFor([&] { return MainWindows().empty(); }));
    const TFilesSeen before(program_);

    QProcess& second = program_.Start(&display_, &bus_);
    ASSERT_TRUE(TProgramUnderTest::EndsWith(second, 0, 15s));
    EXPECT_TRUE(WaitFor([&] { return MainWindows().size() == 1; }))
        << "the running window did not come back from the tray";
    EXPECT_TRUE(TFilesSeen(program_) == before) << "the second start wrote the settings";
    EXPECT_EQ(first.state(), QProcess::Running);

    first.terminate();
    EXPECT_TRUE(TProgramUnderTest::EndsWith(first, 0));
}

// The running instance never answers (here the test itself holds the lock): the operator is
// told, and nothing is written.
TEST_F(SingleInstanceDesktopTest, AnInstanceThatDoesNotAnswerIsReported) {
    program_.SetOption("HintShow", 1);
    QLockFile lock(QString::fromStdString(program_.Ini() + ".lock"));
    ASSERT_TRUE(lock.tryLock(0));
    const TFilesSeen before(program_);
    QProcess& second = program_.Start(&display_, &bus_);
    std::vector<TVirtualDisplay::TWindow> box;
    ASSERT_TRUE(WaitFor(
        [&] {
            box = display_.VisibleWindows("Velmora"); // the box has the program's name
            return !box.empty();
        },
        30s))
        << "no message";
    EXPECT_LT(box.front().Geometry.width(), 700) << "a message box, not the main window";
    display_.Tool("xdotool", {"key", "--window", QString::number(box.front().Id), "Return"});
    EXPECT_TRUE(TProgramUnderTest::EndsWith(second, 1));
    EXPECT_TRUE(TFilesSeen(program_) == before);
}

// A crash leaves the lock file (and the socket) behind; the next start takes them over.
TEST_F(SingleInstanceDesktopTest, ALockLeftByACrashIsTakenOver) {
    const QString lockFile = QString::fromStdString(program_.Ini() + ".lock");
    QProcess& crashed = program_.Start(nullptr, nullptr);
    ASSERT_TRUE(WaitFor([&] { return QFile::exists(lockFile); }));
    const auto crashedPid = static_cast<pid_t>(crashed.processId());
    ASSERT_TRUE(WaitFor([&] { return ProcessState::CatchesSignal(crashedPid, SIGTERM); }));
    ::kill(crashedPid, SIGKILL);
    ASSERT_TRUE(WaitFor([&] { return crashed.state() == QProcess::NotRunning; }));
    ASSERT_TRUE(QFile::exists(lockFile)) << "a crash leaves its lock";

    QProcess& next = program_.Start(nullptr, nullptr);
    const auto pid = static_cast<pid_t>(next.processId());
    ASSERT_TRUE(WaitFor([&] { return ProcessState::CatchesSignal(pid, SIGTERM); }, 15s))
        << "the next start did not run";
    const std::optional<std::string> holder = FileIo::ReadAll(lockFile.toStdString());
    ASSERT_TRUE(holder.has_value());
    EXPECT_EQ(holder->substr(0, holder->find('\n')), std::to_string(pid));
    ::kill(pid, SIGTERM);
    EXPECT_TRUE(TProgramUnderTest::EndsWith(next, 0));
}

} // namespace
