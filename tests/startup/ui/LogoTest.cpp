#include "startup/ui/Logo.h"

#include "common/TempDir.h"
#include "platform/FileIo.h"
#include "platform/KeyStore.h"
#include "startup/ui/LSVGauge.h"
#include "widgets/PictureView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Records move requests instead of handing them to the window system.
class TestLogo : public TfmLogo {
public:
    int moves = 0;
    int splashDone = 0;
    TestLogo() {
        connect(this, &TfmLogo::SplashDone, this, [this] { ++splashDone; });
    }

protected:
    void StartWindowMove() override { ++moves; }
};

void Press(QWidget* widget, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent event(QEvent::MouseButtonPress, QPointF(2, 2), widget->mapToGlobal(QPointF(2, 2)),
                      button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2),
                        widget->mapToGlobal(QPointF(2, 2)), button, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

class LogoTest : public ::testing::Test {
protected:
    TTempDir home;
    TConfigHomeGuard guard{home.Path()};
};

TEST_F(LogoTest, LanguageIsReadAtCreationAndWrittenAtDestruction) {
    {
        TfmLogo logo;
        EXPECT_EQ(logo.LanguageIndex, 0);
        EXPECT_EQ(logo.SplashTicks, 0);
        EXPECT_TRUE(TKeyStore().KeyExists()) << "the key is opened with creation";
        logo.LanguageIndex = 1;
    }
    EXPECT_EQ(TKeyStore().ReadInteger("Languare"), 1);
    EXPECT_EQ(TfmLogo().LanguageIndex, 1);
    TKeyStore().WriteInteger("Languare", 5);
    EXPECT_EQ(TfmLogo().LanguageIndex, 5);
    TKeyStore().WriteString("Languare", "1");
    EXPECT_EQ(TfmLogo().LanguageIndex, 0) << "a value of another type is ignored";
}

TEST_F(LogoTest, UnwritableSettingsAreIgnored) {
    ASSERT_TRUE(FileIo::WriteAtomically(home.File("Quillbrook"), "in the way"));
    auto logo = std::make_unique<TfmLogo>();
    EXPECT_EQ(logo->LanguageIndex, 0);
    logo->LanguageIndex = 1;
    EXPECT_NO_THROW(logo.reset());
}

TEST_F(LogoTest, WindowAndControls) {
    TfmLogo logo;
    EXPECT_EQ(logo.windowTitle(), "Logo");
    EXPECT_TRUE(logo.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(logo.size(), QSize(400, 300));
    EXPECT_EQ(logo.palette().color(QPalette::Window), QColor(223, 223, 223));
    EXPECT_EQ(logo.Ind_Load->geometry(), QRect(256, 18, 140, 15));
    EXPECT_EQ(logo.Img_Load->geometry(), QRect(256, 6, 27, 10));
    EXPECT_EQ(logo.Img_Done->geometry(), QRect(256, 6, 27, 10));
    EXPECT_EQ(logo.Img_Logo->geometry(), QRect(0, 0, 400, 300));
    EXPECT_EQ(logo.Ind_Load->BorderStyle(), TLSVBorderStyle::None);
    EXPECT_FALSE(logo.Ind_Load->Frame3D());
    EXPECT_FALSE(logo.Ind_Load->ShowText());
    EXPECT_FALSE(logo.Timer_Work->isActive()) << "the timer waits for the showing";
    EXPECT_EQ(logo.Timer_Work->interval(), 100);
}

TEST_F(LogoTest, ShowingPlacesTheWindowAndStartsTheTimer) {
    TfmLogo logo;
    logo.show();
    const QRect desktop = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(logo.pos(),
              QPoint(desktop.left() + (desktop.width() - 400) / 2, desktop.top() + 200));
    EXPECT_TRUE(logo.Timer_Work->isActive());
    EXPECT_TRUE(logo.Img_Load->isVisible());
    EXPECT_FALSE(logo.Img_Done->isVisible());
    EXPECT_TRUE(logo.Ind_Load->isVisible());
    logo.Timer_Work->stop();
}

TEST_F(LogoTest, TicksRunTheBarThenCloseOnTheThirtyFirst) {
    TestLogo logo;
    logo.show();
    logo.Timer_Work->stop(); // the test drives the ticks itself
    for (int tick = 1; tick <= 30; ++tick) {
        logo.Timer_WorkTimer();
        EXPECT_EQ(logo.Img_Done->isVisible(), tick >= 20) << tick;
        EXPECT_EQ(logo.Img_Load->isVisible(), tick < 20) << tick;
    }
    EXPECT_TRUE(logo.isVisible()) << "still open after the 30th tick";
    EXPECT_EQ(logo.splashDone, 0);
    EXPECT_EQ(logo.Ind_Load->Progress(), 99);
    logo.Timer_WorkTimer();
    EXPECT_FALSE(logo.isVisible());
    EXPECT_EQ(logo.splashDone, 1);
    EXPECT_EQ(logo.SplashTicks, 31);
    EXPECT_EQ(logo.Ind_Load->Progress(), 99);
    EXPECT_FALSE(logo.Timer_Work->isActive());
}

TEST_F(LogoTest, AnyCloseReportsSplashDoneAndStopsTheTimer) {
    TestLogo logo;
    logo.show();
    logo.close();
    EXPECT_EQ(logo.splashDone, 1);
    EXPECT_FALSE(logo.Timer_Work->isActive());
}

TEST_F(LogoTest, EscapeDoesNotCutTheSplashShort) {
    TestLogo logo;
    logo.show();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&logo, &escape);
    EXPECT_TRUE(logo.isVisible());
    EXPECT_EQ(logo.splashDone, 0);
    logo.Timer_Work->stop();
}

TEST_F(LogoTest, OnlyTheLeftButtonOnThePictureOrWindowMovesIt) {
    TestLogo logo;
    logo.show();
    logo.Timer_Work->stop();
    Press(logo.Img_Logo, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(logo.moves, 1);
    Press(&logo, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(logo.moves, 2);
    Press(logo.Img_Logo, Qt::RightButton, Qt::RightButton);
    EXPECT_EQ(logo.moves, 2) << "a right-button press does not move";
    Press(logo.Img_Logo, Qt::RightButton, Qt::LeftButton | Qt::RightButton);
    EXPECT_EQ(logo.moves, 3) << "the left button is among the pressed ones";
    Press(logo.Img_Load, Qt::LeftButton, Qt::LeftButton);
    Press(logo.Ind_Load, Qt::LeftButton, Qt::LeftButton);
    logo.Img_Done->show();
    Press(logo.Img_Done, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(logo.moves, 3) << "the marks and the bar do not start a move";
}

TEST_F(LogoTest, ModalRunEndsByItself) {
    TestLogo logo;
    logo.Timer_Work->setInterval(1); // the sequence is under test; its 100 ms pace is checked above
    logo.exec();
    EXPECT_EQ(logo.SplashTicks, 31);
    EXPECT_EQ(logo.splashDone, 1);
    EXPECT_EQ(logo.Ind_Load->Progress(), 99);
}

} // namespace
