#include "layouts/ui/VideoPlayer.h"

#include "LayoutUiFixture.h"
#include "layouts/ui/ExPanel.h"

#include <QVideoSink>

namespace {

class VideoPlayerTest : public LayoutUiTest {
protected:
    std::string Clip() const { return dir.File("data/1.avi"); }

    static int ErrorOfOpen(TVideoPlayer& player) {
        try {
            player.Open();
        } catch (const EVideoPlayerError&) {
            return player.Error();
        }
        return TVideoPlayer::NoError;
    }
};

TEST_F(VideoPlayerTest, FilesThatCannotBeOpenedFailWithAnError) {
    TVideoPlayer player;
    player.SetFileName(dir.File("data/none.avi"));
    EXPECT_EQ(ErrorOfOpen(player), TVideoPlayer::CannotOpenError);
    EXPECT_EQ(player.Mode(), TVideoPlayer::TMode::NotReady);

    // Not a video at all, whatever its name says.
    QFile::copy(QString::fromStdString(dir.File("data/1.bmp")), TempFile("picture.avi"));
    player.SetFileName(dir.File("picture.avi"));
    EXPECT_EQ(ErrorOfOpen(player), TVideoPlayer::CannotOpenError);
    EXPECT_TRUE(player.NaturalSize().isEmpty());

    EXPECT_THROW(player.Play(), EVideoPlayerError);
    EXPECT_EQ(player.Error(), TVideoPlayer::NotOpenError);
}

TEST_F(VideoPlayerTest, TheShippedDefaultVideoOpens) {
    TVideoPlayer player;
    player.SetFileName(VELMORA_DATA_FOLDER "1.avi");
    player.Open();
    EXPECT_EQ(player.Error(), TVideoPlayer::NoError);
    EXPECT_EQ(player.NaturalSize(), QSize(320, 240));
}

TEST_F(VideoPlayerTest, TheRectangleIsUntouchableUntilAVideoIsOpen) {
    TVideoPlayer player;
    player.SetFileName(Clip());
    player.SetDisplayRect(QRect(1, 1, 0, 0));
    EXPECT_EQ(player.DisplayRect(), QRect());
    EXPECT_EQ(player.NaturalSize(), QSize());

    player.Open();
    EXPECT_EQ(player.Error(), TVideoPlayer::NoError);
    EXPECT_EQ(player.Mode(), TVideoPlayer::TMode::Stopped);
    EXPECT_EQ(player.NaturalSize(), QSize(320, 240));
    EXPECT_EQ(player.DisplayRect(), QRect(0, 0, 320, 240));
    player.SetDisplayRect(QRect(1, 1, 0, 0)); // zero extents ask for the natural size
    EXPECT_EQ(player.DisplayRect(), QRect(1, 1, 320, 240));
    player.SetDisplayRect(QRect(20, 20, -10, -18)); // kept as given
    EXPECT_EQ(player.DisplayRect().width(), -10);

    player.Close();
    EXPECT_EQ(player.DisplayRect(), QRect());
    EXPECT_EQ(player.Mode(), TVideoPlayer::TMode::NotReady);
}

TEST_F(VideoPlayerTest, PlayNotifiesAtTheEndAndStartsAgainFromTheBeginning) {
    TVideoPlayer player;
    player.SetFileName(Clip());
    int notifications = 0;
    TVideoPlayer::TMode modeAtNotify = TVideoPlayer::TMode::NotReady;
    player.OnNotify = [&](TVideoPlayer& p) {
        ++notifications;
        modeAtNotify = p.Mode();
    };
    qint64 lastStart = -1;
    int restarts = 0;
    QObject::connect(player.VideoSink(), &QVideoSink::videoFrameChanged,
                     [&](const QVideoFrame& frame) {
                         if (!frame.isValid())
                             return;
                         if (frame.startTime() < lastStart)
                             ++restarts;
                         lastStart = frame.startTime();
                     });
    player.Open();
    player.SetVolume(0);
    player.Play();
    EXPECT_EQ(player.Mode(), TVideoPlayer::TMode::Playing);
    ASSERT_TRUE(QTest::qWaitFor([&] { return notifications == 1; }, VideoWaitCeilingMs));
    EXPECT_EQ(modeAtNotify, TVideoPlayer::TMode::Stopped);
    EXPECT_EQ(restarts, 0);

    // Play at the end starts over.
    player.Play();
    ASSERT_TRUE(QTest::qWaitFor([&] { return restarts == 1; }, VideoWaitCeilingMs));
    EXPECT_LT(lastStart, 1000000); // within the first second of the clip
    player.Close();
}

TEST_F(VideoPlayerTest, ANotificationThatALaterRequestOvertookIsDropped) {
    TVideoPlayer player;
    player.SetFileName(Clip());
    int notifications = 0;
    player.OnNotify = [&](TVideoPlayer&) { ++notifications; };
    player.Open();
    player.Play();
    player.Stop();
    EXPECT_EQ(player.Mode(), TVideoPlayer::TMode::Stopped);
    player.SetWait(true); // returns only when the video has played to its end
    player.Play();
    EXPECT_TRUE(player.Notify()); // the switches last for one request
    EXPECT_FALSE(player.Wait());
    ASSERT_TRUE(QTest::qWaitFor([&] { return notifications > 0; }, VideoWaitCeilingMs));
    QCoreApplication::processEvents();
    EXPECT_EQ(notifications, 1);

    player.SetNotify(false);
    player.Play();
    ASSERT_TRUE(QTest::qWaitFor([&] { return player.Mode() == TVideoPlayer::TMode::Stopped; },
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
    player.Open();
    player.SetDisplay(&panel);
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
