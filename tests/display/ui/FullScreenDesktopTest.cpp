// The display program over the whole screen on the desktops it meets in the field, made for real
// and read as pictures of the screen: a kiosk (cage) on Wayland and through XWayland, run as a
// normal user, and X11 with and without a window manager, also after the screen's mode changes.
// The layout must reach every corner, with no frame or title bar, its picture in its place; a
// video layout's frames must reach the screen, drawn as they come.
#include "common/CheckoutPaths.h"
#include "common/DesktopSession.h"
#include "common/KioskSession.h"
#include "common/LayoutOnScreen.h"
#include "common/TempDir.h"
#include "layouts/LayoutStore.h"
#include "media/FormatClips.h"
#include "platform/IniFile.h"
#include "server/DisplayServer.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using DesktopSession::WaitFor;

// A layout with a picture in the main area and a text strip above it.
constexpr int PictureType = 6;
// A layout whose main area is a video.
constexpr int VideoType = 1;
constexpr auto LayoutLimit = 30s;

// Whether a picture of a whole screen shows the format clip h264.mp4 playing in a video layout:
// its dark blue ground where the arrangement puts the video. Empty when it does.
std::string VideoMismatch(const QImage& screen) {
    if (screen.isNull())
        return "no picture of the screen";
    const auto a = LayoutArrangement::Arrange(VideoType, screen.width(), screen.height(),
                                              DisplayArrangement::ScaleFor(screen.height(), 0));
    const auto box = *LayoutArrangement::VideoRect(a, FormatClipWidth, FormatClipHeight);
    // The clip's point (5, 110), below the square's path.
    const QPoint ground(a.Main.Left + box.Left + 5 * box.Width / FormatClipWidth,
                        a.Main.Top + box.Top + 110 * box.Height / FormatClipHeight);
    const QColor shown = screen.pixelColor(ground);
    if (shown.blue() > shown.red() + 20 && shown != PanelColor)
        return {};
    return "the video's ground at " + std::to_string(ground.x()) + "," +
           std::to_string(ground.y()) + " is " + shown.name().toStdString();
}

class FullScreenDesktopTest : public ::testing::Test {
protected:
    FullScreenDesktopTest() {
        // Copies the program and the picture can read wherever the checkout lies.
        QFile::copy(QString::fromStdString(CheckoutPaths::BuildFile(VELMORA_DISPLAY_PROGRAM)),
                    Program());
        QFile::copy(QString::fromStdString(CheckoutPaths::SourceFile(VELMORA_DATA_FOLDER "1.bmp")),
                    QString::fromStdString(PictureFile()));
        QFile::copy(
            QString::fromStdString(CheckoutPaths::SourceFile(VELMORA_FORMAT_CLIPS "h264.mp4")),
            QString::fromStdString(folder_.File("ad.mp4")));
        TIniFile ini(folder_.File("velmora.ini"));
        ini.WriteInteger("ClientDisplay_Client3", "DisplayType", PictureType);
        ini.WriteString(LayoutStore::SectionName("Client 3", PictureType), LayoutStore::ImageKey(0),
                        PictureFile());
        ini.WriteInteger("ClientDisplay_Client4", "DisplayType", VideoType);
        ini.WriteString(LayoutStore::SectionName("Client 4", VideoType),
                        LayoutStore::MediaPlayerKey(0), folder_.File("ad.mp4"));
        server_ = std::make_unique<TDisplayServer>(ini.FileName(), nullptr);
        server_->StartListening(0);
    }

    QString Program() const { return QString::fromStdString(folder_.File("velmora-display")); }
    std::string PictureFile() const { return folder_.File("ad.bmp"); }
    // The picture layout's slot, or the video layout's.
    QStringList Arguments(const char* slot = "Client 3") const {
        return {"--server", QStringLiteral("127.0.0.1:%1").arg(server_->Server.BoundPort()),
                "--name", slot};
    }
    // Waits until the screen shows the video layout's clip; what is still wrong when the time
    // is up.
    static std::string WaitForVideo(const std::function<QImage()>& screen) {
        std::string mismatch;
        WaitFor(
            [&] {
                mismatch = VideoMismatch(screen());
                return mismatch.empty();
            },
            LayoutLimit);
        return mismatch;
    }
    // Waits until the screen shows the layout whole; what is still wrong when the time is up.
    std::string WaitForLayout(const std::function<QImage()>& screen) const {
        const QImage picture(QString::fromStdString(PictureFile()));
        std::string mismatch;
        WaitFor(
            [&] {
                mismatch = LayoutMismatch(screen(), PictureType, picture);
                return mismatch.empty();
            },
            LayoutLimit);
        return mismatch;
    }

    TTempDir folder_;
    std::unique_ptr<TDisplayServer> server_;
};

class KioskTest : public FullScreenDesktopTest {
protected:
    // Runs the display in cage, on Wayland or through XWayland, and waits for its layout.
    void ShowsTheLayoutOnTheWholeOutput(bool xwayland) {
        TCageKiosk kiosk(*TKioskUser::Find(), folder_.Path());
        QProcessEnvironment environment = kiosk.Environment();
        if (xwayland)
            environment.insert("QT_QPA_PLATFORM", "xcb");
        ASSERT_TRUE(kiosk.Start(Program(), Arguments(), environment))
            << kiosk.Errors().toStdString();
        EXPECT_EQ(WaitForLayout([&] { return kiosk.Output(); }), "")
            << kiosk.Errors().toStdString();
        EXPECT_EQ(kiosk.Output().size(), QSize(TCageKiosk::OutputWidth, TCageKiosk::OutputHeight));
    }
};

TEST_F(KioskTest, OnWaylandTheLayoutCoversTheOutput) {
    if (const std::string why = TCageKiosk::MissingReason(false); !why.empty())
        GTEST_SKIP() << why;
    ShowsTheLayoutOnTheWholeOutput(false);
}

TEST_F(KioskTest, OnWaylandAVideoPlaysOnTheOutput) {
    if (const std::string why = TCageKiosk::MissingReason(false); !why.empty())
        GTEST_SKIP() << why;
    TCageKiosk kiosk(*TKioskUser::Find(), folder_.Path());
    ASSERT_TRUE(kiosk.Start(Program(), Arguments("Client 4"), kiosk.Environment()))
        << kiosk.Errors().toStdString();
    EXPECT_EQ(WaitForVideo([&] { return kiosk.Output(); }), "") << kiosk.Errors().toStdString();
}

TEST_F(KioskTest, ThroughXWaylandTheLayoutCoversTheOutput) {
    if (const std::string why = TCageKiosk::MissingReason(true); !why.empty())
        GTEST_SKIP() << why;
    ShowsTheLayoutOnTheWholeOutput(true);
}

class X11Test : public FullScreenDesktopTest {
protected:
    void SetUp() override {
        if (const std::string why = DesktopSession::MissingProgramReason(
                {"Xvfb", "xdotool", "xwininfo", "import", "xrandr"});
            !why.empty())
            GTEST_SKIP() << why;
        ASSERT_TRUE(display_.Started());
    }

    // Starts the display on the X server and waits for its window.
    std::optional<TVirtualDisplay::TWindow> Start(const char* slot = "Client 3") {
        run_.setProcessEnvironment(display_.ProgramEnvironment(folder_));
        run_.start(Program(), Arguments(slot));
        std::vector<TVirtualDisplay::TWindow> windows;
        WaitFor([&] {
            windows = display_.VisibleWindows("Velmora display");
            return !windows.empty();
        });
        if (windows.empty())
            return std::nullopt;
        return windows.front();
    }

    // The window over the whole screen and the layout on all of it, at the size the screen has
    // now.
    void CoversTheScreen(qulonglong window) {
        const QRect screen(QPoint(0, 0), display_.ScreenSize());
        EXPECT_TRUE(WaitFor([&] { return display_.OuterGeometry(window) == screen; }))
            << "the window stands at " << display_.OuterGeometry(window).x() << ","
            << display_.OuterGeometry(window).y() << " " << display_.OuterGeometry(window).width()
            << "x" << display_.OuterGeometry(window).height();
        EXPECT_EQ(WaitForLayout([&] { return display_.Screenshot(); }), "");
    }

    void CoversTheScreenBeforeAndAfterAModeChange() {
        const auto window = Start();
        ASSERT_TRUE(window) << "no window on the X server";
        CoversTheScreen(window->Id);
        ASSERT_TRUE(display_.ChangeMode(QSize(1024, 768)));
        CoversTheScreen(window->Id);
    }

    ~X11Test() override {
        run_.kill();
        run_.waitForFinished();
    }

    TVirtualDisplay display_{QSize(1280, 1024)};
    QProcess run_;
};

TEST_F(X11Test, WithoutAWindowManagerTheLayoutCoversTheScreenAndFollowsItsMode) {
    CoversTheScreenBeforeAndAfterAModeChange();
}

TEST_F(X11Test, UnderAWindowManagerTheLayoutCoversTheScreenAndFollowsItsMode) {
    if (const std::string why = DesktopSession::MissingProgramReason({"openbox"}); !why.empty())
        GTEST_SKIP() << why;
    ASSERT_TRUE(display_.StartWindowManager());
    CoversTheScreenBeforeAndAfterAModeChange();
}

TEST_F(X11Test, AVideoPlaysFullScreen) {
    ASSERT_TRUE(Start("Client 4")) << "no window on the X server";
    EXPECT_EQ(WaitForVideo([&] { return display_.Screenshot(); }), "");
}

} // namespace
