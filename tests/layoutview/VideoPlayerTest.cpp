#include "layoutview/VideoPlayer.h"

#include "LayoutViewFixture.h"
#include "common/CheckoutPaths.h"
#include "layoutview/ExPanel.h"
#include "media/VideoEngine.h"

namespace {

class VideoPlayerTest : public LayoutViewTest {
protected:
    std::string Clip() const { return dir.File("data/1.avi"); }

    // Opens and waits until the first picture is decoded or the file turned out unplayable.
    static void OpenAndWait(TVideoPlayer& player) {
        player.Open();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return !player.NaturalSize().isEmpty() || player.Mode() == TMode::NotReady; },
            VideoWaitCeilingMs));
    }

    using TMode = TVideoPlayer::TMode;
};

TEST_F(VideoPlayerTest, FilesThatCannotBePlayedLeaveThePlayerNotReadyWithAnError) {
    TVideoPlayer player;
    EXPECT_THROW(player.Play(), EVideoPlayerError);
    EXPECT_EQ(player.Error(), TVideoPlayer::NotOpenError);

    QFile::copy(QString::fromStdString(dir.File("data/1.bmp")), TempFile("picture.avi"));
    for (const std::string& file : {dir.File("data/none.avi"), dir.File("picture.avi")}) {
        player.SetFileName(file);
        player.Open(); // returns at once; the failure follows
        EXPECT_EQ(player.Error(), TVideoPlayer::NoError);
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return player.Mode() == TMode::NotReady; }, VideoWaitCeilingMs));
        EXPECT_EQ(player.Error(), TVideoPlayer::CannotOpenError);
        EXPECT_TRUE(player.NaturalSize().isEmpty());
        EXPECT_THROW(player.Play(), EVideoPlayerError);
        EXPECT_EQ(player.Error(), TVideoPlayer::CannotOpenError);
    }
}

TEST_F(VideoPlayerTest, TheShippedDefaultVideoOpens) {
    TVideoPlayer player;
    int known = 0;
    QObject::connect(&player, &TVideoPlayer::NaturalSizeKnown, [&] { ++known; });
    player.SetFileName(CheckoutPaths::SourceFile(VELMORA_DATA_FOLDER "1.avi"));
    OpenAndWait(player);
    EXPECT_EQ(known, 1);
    EXPECT_EQ(player.Error(), TVideoPlayer::NoError);
    EXPECT_EQ(player.Mode(), TMode::Stopped);
    EXPECT_EQ(player.NaturalSize(), QSize(320, 240));
}

TEST_F(VideoPlayerTest, TheRectangleIsUntouchableUntilAVideoIsOpen) {
    TVideoPlayer player;
    player.SetFileName(Clip());
    player.ShowAtNaturalSize(QPoint(1, 1));
    EXPECT_EQ(player.DisplayRect(), QRect());
    EXPECT_EQ(player.NaturalSize(), QSize());

    OpenAndWait(player);
    EXPECT_EQ(player.NaturalSize(), QSize(320, 240));
    EXPECT_EQ(player.DisplayRect(), QRect(0, 0, 320, 240));
    player.ShowAtNaturalSize(QPoint(1, 1));
    EXPECT_EQ(player.DisplayRect(), QRect(1, 1, 320, 240));
    // Kept as given: no extent is no extent, never the natural size.
    player.SetDisplayRect(QRect(20, 20, 0, 0));
    EXPECT_EQ(player.DisplayRect(), QRect(20, 20, 0, 0));
    player.SetDisplayRect(QRect(20, 20, -10, -18));
    EXPECT_EQ(player.DisplayRect().width(), -10);

    player.Close();
    EXPECT_EQ(player.DisplayRect(), QRect());
    EXPECT_EQ(player.Mode(), TMode::NotReady);
    EXPECT_EQ(player.Error(), TVideoPlayer::NotOpenError);
}

TEST_F(VideoPlayerTest, PlayNotifiesAtTheEndAndStartsAgainFromTheBeginning) {
    TVideoPlayer player;
    player.SetFileName(Clip());
    int notifications = 0;
    TMode modeAtNotify = TMode::NotReady;
    player.OnNotify = [&](TVideoPlayer& p) {
        ++notifications;
        modeAtNotify = p.Mode();
    };
    player.Open();
    player.SetVolume(0);
    player.Play(); // while still opening: it plays as soon as it can
    EXPECT_EQ(player.Mode(), TMode::Playing);
    ASSERT_TRUE(QTest::qWaitFor([&] { return notifications == 1; }, VideoWaitCeilingMs));
    EXPECT_EQ(modeAtNotify, TMode::Stopped);
    const quint64 atEnd = player.Engine().FrameNumber();

    // Play at the end goes on from the beginning.
    player.Play();
    EXPECT_EQ(player.Mode(), TMode::Playing);
    ASSERT_TRUE(QTest::qWaitFor([&] { return player.Engine().FrameNumber() > atEnd + 2; },
                                VideoWaitCeilingMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return notifications == 2; }, VideoWaitCeilingMs));
    player.Close();
}

TEST_F(VideoPlayerTest, ANotificationThatALaterRequestOvertookIsDropped) {
    TVideoPlayer player;
    player.SetFileName(Clip());
    int notifications = 0;
    player.OnNotify = [&](TVideoPlayer&) { ++notifications; };
    OpenAndWait(player);
    player.Play();
    player.Stop();
    EXPECT_EQ(player.Mode(), TMode::Stopped);
    player.SetWait(true); // returns only when the video has played to its end
    player.Play();
    EXPECT_TRUE(player.Notify()); // the switches last for one request
    EXPECT_FALSE(player.Wait());
    ASSERT_TRUE(QTest::qWaitFor([&] { return notifications > 0; }, VideoWaitCeilingMs));
    QCoreApplication::processEvents();
    EXPECT_EQ(notifications, 1);

    player.SetNotify(false);
    player.Play();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return player.Engine().State() == TVideoEngine::TState::Ended; },
                        VideoWaitCeilingMs));
    QCoreApplication::processEvents();
    EXPECT_EQ(notifications, 1);
}

TEST_F(VideoPlayerTest, FramesAreDrawnIntoThePanelInsideTheRectangle) {
    TExPanel panel;
    panel.SetColor(Qt::white);
    panel.resize(500, 450);
    panel.show();
    TVideoPlayer player;
    player.SetFileName(Clip());
    int presented = 0;
    QObject::connect(&player, &TVideoPlayer::FramePresented, [&] { ++presented; });
    player.SetDisplay(&panel);
    OpenAndWait(player);
    player.SetDisplayRect(QRect(20, 20, 460, 335));
    player.SetVolume(0);
    player.Play();
    ASSERT_TRUE(QTest::qWaitFor([&] { return presented >= 3; }, VideoWaitCeilingMs));
    player.Stop();

    const QImage shot = panel.grab().toImage();
    const QColor inside = shot.pixelColor(30, 30); // the clip's dark blue background
    EXPECT_LT(inside.red(), 80);
    EXPECT_GT(inside.blue(), inside.red());
    EXPECT_EQ(shot.pixelColor(10, 10), QColor(Qt::white));
    EXPECT_EQ(shot.pixelColor(490, 400), QColor(Qt::white));
}

} // namespace
