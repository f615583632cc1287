// The real program in the tray of a D-Bus desktop: Qt's own D-Bus tray code registers the icon
// with a notification area of the test's own on a private session bus, and the test's host
// calls the item as a panel does when the operator clicks it.
#include "common/DesktopSession.h"
#include "common/StatusNotifierHost.h"
#include "platform/IniFile.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using DesktopSession::WaitFor;

class TrayDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const std::string why = DesktopSession::MissingProgramReason(
                {"Xvfb", "dbus-daemon", "xdotool", "xwininfo", "xprop"});
            !why.empty())
            GTEST_SKIP() << why;
        ASSERT_TRUE(display_.Started());
        ASSERT_TRUE(bus_.Started());
        watcher_ = std::make_unique<TStatusNotifierWatcher>(bus_.Address());
        ASSERT_TRUE(watcher_->Start());
    }

    // The program with "Auto minimization" on: it shows after the splash, then goes to the tray.
    QProcess& StartMinimised(TProgramUnderTest& program) {
        program.SetOption("MinFormShow", 1);
        const int registrations = watcher_->Registrations();
        QProcess& run = program.Start(&display_, &bus_);
        EXPECT_TRUE(WaitFor([&] { return watcher_->Registrations() > registrations; }, 30s))
            << "the icon never registered with the notification area";
        EXPECT_TRUE(WaitFor([&] { return MainWindows().empty(); }));
        return run;
    }

    // The window's own button, then the icon registered anew.
    void MinimiseWithTheButton() {
        const int registrations = watcher_->Registrations();
        ASSERT_EQ(MainWindows().size(), 1u);
        display_.Click(MainWindows().front().Geometry.topLeft() + QPoint(750 + 11, 5 + 11));
        ASSERT_TRUE(WaitFor([&] { return MainWindows().empty(); }));
        ASSERT_TRUE(WaitFor([&] { return watcher_->Registrations() > registrations; }));
    }

    std::vector<TVirtualDisplay::TWindow> MainWindows() const {
        return TProgramUnderTest::MainWindows(display_);
    }

    TVirtualDisplay display_;
    TSessionBus bus_;
    std::unique_ptr<TStatusNotifierWatcher> watcher_;
    TProgramUnderTest program_;
};

TEST_F(TrayDesktopTest, ActivationRestoresAndTheMenuOpensWhereTheHostAsksAndEndsInOrder) {
    QProcess& run = StartMinimised(program_);

    QElapsedTimer restore;
    restore.start();
    ASSERT_TRUE(watcher_->Activate(QPoint(1200, 1000)));
    ASSERT_TRUE(WaitFor([&] { return MainWindows().size() == 1; }))
        << "the window did not come back from the tray";
    std::printf("restored from the D-Bus tray in %lld ms\n",
                static_cast<long long>(restore.elapsed()));
    const QRect window = MainWindows().front().Geometry;
    EXPECT_EQ(window.topLeft(), QPoint((1280 - 802) / 2, 10)) << "placed again at the top centre";

    // Back to the tray with the window's own button, then the menu.
    MinimiseWithTheButton();
    const QPoint asked(300, 200);
    ASSERT_TRUE(watcher_->ContextMenu(asked));
    std::vector<TVirtualDisplay::TWindow> menus;
    ASSERT_TRUE(WaitFor([&] {
        menus = display_.VisibleWindows("class=velmora");
        return menus.size() == 1;
    })) << "the tray menu did not open";
    const QRect menu = menus.front().Geometry;
    EXPECT_EQ(menu.topLeft(), asked);

    // The last item ends the program: settings written, nothing left running.
    display_.Click(QPoint(menu.center().x(), menu.bottom() - 12));
    ASSERT_TRUE(TProgramUnderTest::EndsWith(run, 0));
    const TIniFile ini(program_.Ini());
    EXPECT_EQ(ini.ReadString("ServerParams", "ServerPort", ""), "5678");
}

// A panel restart takes the notification area away with the icon in it: the window comes back
// instead of staying hidden with nothing to bring it back. KDE Plasma's panel is the host alone,
// and the watcher stays; LXQt's and Xfce's panel is the watcher too, and its name goes with it.
TEST_F(TrayDesktopTest, APanelRestartGivesTheWindowBack) {
    for (const bool watcherGoes : {false, true}) {
        SCOPED_TRACE(watcherGoes ? "the watcher goes" : "the host goes");
        TProgramUnderTest program;
        QProcess& run = StartMinimised(program);
        if (watcherGoes)
            watcher_->Stop();
        else
            watcher_->SetHostRegistered(false);
        EXPECT_TRUE(WaitFor([&] { return MainWindows().size() == 1; }));
        run.terminate();
        EXPECT_TRUE(TProgramUnderTest::EndsWith(run, 0));
        ASSERT_TRUE(watcher_->Start());
    }
}

} // namespace
