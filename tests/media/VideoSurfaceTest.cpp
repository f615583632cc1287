#include "media/ui/VideoSurface.h"

#include "CountingPanel.h"
#include "FormatClips.h"
#include "common/CheckoutPaths.h"
#include "media/VideoEngine.h"

#include <QPainter>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

namespace {

constexpr int WaitCeilingMs = 30000;

// What the window shows, as painted through its backing store.
QImage Shown(QWidget& window) {
    return window.screen()->grabWindow(window.winId()).toImage();
}

// A surface asks its engine for frames of its own size and draws each one over the whole surface,
// without the panel beneath being painted first for every frame; once the video is closed the
// panel shows again.
TEST(VideoSurfaceTest, DrawsFramesOfItsOwnSizeWithoutPaintingWhatIsBeneath) {
    TCountingPanel panel;
    panel.resize(400, 300);
    auto* surface = new TVideoSurface(&panel);
    surface->setGeometry(50, 40, 240, 180);
    panel.SurfaceArea = surface->geometry();
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));

    TVideoEngine engine;
    surface->SetEngine(&engine);
    int presented = 0;
    QObject::connect(surface, &TVideoSurface::FramePresented, [&] { ++presented; });
    engine.Open(QString::fromStdString(CheckoutPaths::SourceFile(VELMORA_FORMAT_CLIPS)) +
                "h264.mp4");
    engine.Play();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return engine.Frame().size() == QSize(240, 180); }, WaitCeilingMs));
    const int paintsBefore = panel.PaintsUnderSurface;
    const int presentedBefore = presented;
    ASSERT_TRUE(QTest::qWaitFor([&] { return presented >= presentedBefore + 10; }, WaitCeilingMs));
    EXPECT_EQ(panel.PaintsUnderSurface, paintsBefore);

    const QImage shown = Shown(panel);
    const QColor ground = shown.pixelColor(52, 40 + 170);
    EXPECT_GT(ground.blue(), ground.red() + 20) << "the clip's dark blue ground";
    EXPECT_EQ(shown.pixelColor(20, 20), QColor(Qt::darkGreen));

    surface->resize(120, 90);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return engine.Frame().size() == QSize(120, 90); }, WaitCeilingMs));

    engine.Close();
    surface->update();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return Shown(panel).pixelColor(100, 100) == QColor(Qt::darkGreen); }, WaitCeilingMs));
}

} // namespace
