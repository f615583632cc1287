// The windows under a real window manager (openbox), read back from the X server: the layout
// window's outer size includes the frame the manager adds; the main window and the splash stay
// frameless where the program puts them. With VELMORA_SCREENSHOT_DIR set, the screen is saved
// there as PNG files to be looked at.
#include "common/CheckoutPaths.h"
#include "common/DesktopSession.h"
#include "common/QtPrint.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using DesktopSession::WaitFor;

class WindowManagerDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const std::string why = DesktopSession::MissingProgramReason(
                {"Xvfb", "openbox", "xdotool", "xwininfo", "xprop"});
            !why.empty())
            GTEST_SKIP() << why;
        ASSERT_TRUE(display_.Started());
        ASSERT_TRUE(display_.StartWindowManager());
    }

    // The one window of that title, once the manager has mapped it.
    std::optional<TVirtualDisplay::TWindow> WindowTitled(const QString& title) const {
        std::vector<TVirtualDisplay::TWindow> windows;
        if (!WaitFor(
                [&] {
                    windows = display_.VisibleWindows(title);
                    return windows.size() == 1;
                },
                30s))
            return std::nullopt;
        return windows.front();
    }

    // The outer rectangle once it is the expected one, or as it stands when the time is up.
    QRect OuterOnceItIs(qulonglong id, QSize expected) const {
        QRect outer;
        WaitFor([&] {
            outer = display_.OuterGeometry(id);
            return outer.size() == expected;
        });
        return outer;
    }

    void SaveScreen(const QString& name) const {
        const QString folder = qEnvironmentVariable("VELMORA_SCREENSHOT_DIR");
        if (!folder.isEmpty())
            display_.Screenshot().save(QDir(folder).filePath(name + ".png"));
    }

    TVirtualDisplay display_{QSize(1280, 1024)};
};

TEST_F(WindowManagerDesktopTest, TheLayoutWindowHasItsOuterSizeWithTheFrameCentred) {
    const struct {
        const char* Mode;
        QSize Outer;
    } cases[] = {{"edit", QSize(800, 660)}, {"play", QSize(816, 638)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Mode);
        TDesktopProcess probe;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DISPLAY", display_.Name());
        environment.insert("QT_QPA_PLATFORM", "xcb");
        environment.insert("DBUS_SESSION_BUS_ADDRESS", "disabled:");
        ASSERT_TRUE(probe.Start(
            QString::fromStdString(CheckoutPaths::BuildFile(VELMORA_LAYOUT_WINDOW_PROBE)),
            {c.Mode, "8"}, environment));
        const auto window = WindowTitled(QString::fromUtf8("Дисплей № 8"));
        ASSERT_TRUE(window.has_value());
        const QRect outer = OuterOnceItIs(window->Id, c.Outer);
        EXPECT_EQ(outer.size(), c.Outer);
        EXPECT_LT(display_.ClientGeometry(window->Id).height(), c.Outer.height())
            << "the frame is counted";
        EXPECT_EQ(outer.topLeft(),
                  QPoint((1280 - c.Outer.width()) / 2, (1024 - c.Outer.height()) / 2))
            << "centred";
        SaveScreen(QStringLiteral("layout-window-%1").arg(c.Mode));
    }
}

TEST_F(WindowManagerDesktopTest, TheSplashAndTheMainWindowStayFramelessInTheirPlaces) {
    TProgramUnderTest program;
    QProcess& run = program.Start(&display_, nullptr);

    const auto splash = WindowTitled("Logo");
    ASSERT_TRUE(splash.has_value());
    EXPECT_EQ(display_.OuterGeometry(splash->Id), QRect((1280 - 400) / 2, 200, 400, 300));
    SaveScreen("splash-under-openbox");

    const auto main = WindowTitled("Velmora");
    ASSERT_TRUE(main.has_value());
    EXPECT_EQ(display_.OuterGeometry(main->Id), QRect((1280 - 802) / 2, 10, 802, 602));
    SaveScreen("main-window-under-openbox");

    run.terminate();
    EXPECT_TRUE(TProgramUnderTest::EndsWith(run, 0));
}

} // namespace
