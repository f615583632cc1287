// Plays each format clip of the tests, and a 1080p 30 fps H.264 MP4 it makes, through the video
// engine into a surface, going on at the end of each pass as the layout window does, and prints
// per clip: the time from Open to the first frame drawn, the frame interval within a pass, the
// seam between passes (median, best, worst) and the CPU time per wall time from the first frame.
// Usage: media_format_bench [loops]   (default 5). Runs headless unless QT_QPA_PLATFORM says
// otherwise. It prints figures; it never fails on them.

#include "BenchClips.h"
#include "media/VideoEngine.h"
#include "media/ui/VideoSurface.h"

#include <QApplication>
#include <QEventLoop>
#include <QThreadPool>
#include <QTimer>
#include <cstdio>

namespace {

TSeamMeter Measure(const QString& path, QSize drawnSize, int loops) {
    TVideoEngine engine;
    TVideoSurface surface;
    surface.SetEngine(&engine);
    surface.resize(drawnSize);
    surface.show();
    TSeamMeter meter;
    QEventLoop loop;
    QObject::connect(&engine, &TVideoEngine::PassEnded, [&] {
        meter.PassEnded(engine.FrameNumber());
        engine.Play();
    });
    QObject::connect(&surface, &TVideoSurface::FramePresented, [&] {
        meter.DrawnFrame(engine.FrameNumber());
        if (meter.Loops() >= loops)
            loop.quit();
    });
    QObject::connect(&engine, &TVideoEngine::Failed, &loop, &QEventLoop::quit);
    // A hang guard only: a clip that never loops ends its run with what was measured.
    QTimer::singleShot(loops * 20000, &loop, &QEventLoop::quit);
    meter.Start();
    engine.Open(path);
    engine.Play();
    loop.exec();
    return meter;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int loops = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    TVideoEngine::Prepare();
    // As in the program, the decoders have loaded in the background before the first video.
    QThreadPool::globalInstance()->waitForDone();

    std::printf("Each clip through the engine, %d loops; the goal: first frame <= 300 ms, seam "
                "within the frame interval +- 5 ms\n\n",
                loops);
    MeasureEveryClip(
        [loops](const QString& path, QSize drawnSize) { return Measure(path, drawnSize, loops); });
    return 0;
}
