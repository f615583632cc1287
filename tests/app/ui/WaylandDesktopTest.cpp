// The program in a Wayland session: on X11 when XWayland is there, on Wayland when it is alone.
// A weston of the test's own plays the Wayland compositor, an Xvfb the XWayland beside it.
#include "common/DesktopSession.h"
#include "common/ProcessState.h"
#include "platform/IniFile.h"

#include <csignal>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using DesktopSession::WaitFor;

class WaylandDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const std::string why =
                DesktopSession::MissingProgramReason({"weston", "Xvfb", "xdotool"});
            !why.empty())
            GTEST_SKIP() << why;
        ASSERT_TRUE(compositor_.Started());
    }

    QProcessEnvironment WaylandSession(const TVirtualDisplay* xwayland) const {
        QProcessEnvironment environment = program_.Environment(xwayland, nullptr);
        environment.remove("QT_QPA_PLATFORM");
        environment.insert("XDG_SESSION_TYPE", "wayland");
        environment.insert("WAYLAND_DISPLAY", compositor_.Socket());
        return environment;
    }

    TWaylandCompositor compositor_;
    TProgramUnderTest program_;
};

TEST_F(WaylandDesktopTest, WithXWaylandTheProgramRunsOnX11AtTheTopCentre) {
    TVirtualDisplay xwayland;
    ASSERT_TRUE(xwayland.Started());
    QProcess& run = program_.Start(WaylandSession(&xwayland));
    std::vector<TVirtualDisplay::TWindow> windows;
    ASSERT_TRUE(WaitFor(
        [&] {
            windows = TProgramUnderTest::MainWindows(xwayland);
            return !windows.empty();
        },
        30s))
        << "the window is not on X11";
    EXPECT_EQ(windows.front().Geometry, QRect((1280 - 802) / 2, 10, 802, 602));
    run.terminate();
    EXPECT_TRUE(TProgramUnderTest::EndsWith(run, 0));
}

// Wayland alone: the program opens its window there and ends in order, settings written.
TEST_F(WaylandDesktopTest, WithWaylandAloneTheProgramRunsOnWayland) {
    QProcessEnvironment environment = WaylandSession(nullptr);
    environment.insert("WAYLAND_DEBUG", "client");
    QProcess& run = program_.Start(environment, QProcess::SeparateChannels);
    QByteArray protocol;
    ASSERT_TRUE(WaitFor(
        [&] {
            protocol += run.readAllStandardError();
            return protocol.contains("xdg_toplevel") && protocol.contains("set_title(\"Velmora\")");
        },
        30s))
        << "no main window on Wayland";
    const auto pid = static_cast<pid_t>(run.processId());
    ASSERT_TRUE(WaitFor([&] { return ProcessState::CatchesSignal(pid, SIGTERM); }));
    ::kill(pid, SIGTERM);
    ASSERT_TRUE(TProgramUnderTest::EndsWith(run, 0));
    EXPECT_EQ(TIniFile(program_.Ini()).ReadString("ServerParams", "ServerPort", ""), "5678");
}

} // namespace
