// Today's twin of media_format_bench: the same clips and figures through Qt Multimedia's player
// (GStreamer backend), which drew the layout window's videos before the engine of our own. The
// player loops as the layout window made it: Play again from the start when the media ends.
// Usage: media_qt_multimedia_bench [loops]   (default 5). It prints figures; it never fails.

#include "BenchClips.h"

#include <QApplication>
#include <QAudioOutput>
#include <QEventLoop>
#include <QMediaPlayer>
#include <QPainter>
#include <QTimer>
#include <QVideoFrame>
#include <QVideoSink>
#include <QWidget>
#include <cstdio>
#include <functional>

namespace {

// Draws the newest frame, as the layout window's player did.
class TFrameWidget : public QWidget {
public:
    std::function<void(qint64 startTime)> OnDrawn;
    void SetFrame(const QVideoFrame& frame) {
        frame_ = frame;
        fresh_ = true;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (!frame_.isValid())
            return;
        QPainter painter(this);
        QVideoFrame::PaintOptions options;
        options.aspectRatioMode = Qt::IgnoreAspectRatio;
        frame_.paint(&painter, QRectF(rect()), options);
        if (fresh_ && OnDrawn) {
            fresh_ = false;
            OnDrawn(frame_.startTime());
        }
    }

private:
    QVideoFrame frame_;
    bool fresh_ = false;
};

TSeamMeter Measure(const QString& path, QSize drawnSize, int loops) {
    QVideoSink sink;
    QAudioOutput audio;
    audio.setVolume(0);
    QMediaPlayer player;
    player.setAudioOutput(&audio);
    player.setVideoOutput(&sink);
    TFrameWidget widget;
    widget.resize(drawnSize);
    widget.show();
    TSeamMeter meter;
    QEventLoop loop;
    qint64 lastStart = -1;
    QObject::connect(&sink, &QVideoSink::videoFrameChanged, [&](const QVideoFrame& frame) {
        if (frame.isValid())
            widget.SetFrame(frame);
    });
    widget.OnDrawn = [&](qint64 start) {
        meter.Drawn(lastStart >= 0 && start < lastStart);
        lastStart = start;
        if (meter.Loops() >= loops)
            loop.quit();
    };
    QObject::connect(&player, &QMediaPlayer::mediaStatusChanged, [&] {
        if (player.mediaStatus() == QMediaPlayer::EndOfMedia) {
            player.setPosition(0);
            player.play();
        } else if (player.mediaStatus() == QMediaPlayer::InvalidMedia) {
            loop.quit();
        }
    });
    QObject::connect(&player, &QMediaPlayer::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(loops * 20000, &loop, &QEventLoop::quit);
    meter.Start();
    player.setSource(QUrl::fromLocalFile(path));
    player.play();
    loop.exec();
    player.stop();
    return meter;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "gstreamer");
    QApplication app(argc, argv);
    const int loops = argc > 1 ? std::max(1, atoi(argv[1])) : 5;

    std::printf("Each clip through Qt Multimedia's player, %d loops\n\n", loops);
    MeasureEveryClip(
        [loops](const QString& path, QSize drawnSize) { return Measure(path, drawnSize, loops); });
    return 0;
}
