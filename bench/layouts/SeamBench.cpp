// Plays a clip in the layout window's Play mode (display type 1) and prints:
//   - the time from showing the window to the first video frame drawn in it;
//   - the seam of every loop: the time between drawing the last frame of one pass and the first
//     frame of the next, with median and worst of the loops, beside the clip's frame interval;
//   - the CPU time per wall time from the first frame on, decoding and drawing included;
//   - the time from opening the window to its being shown, with the video on a FIFO and on a
//     missing file.
// Usage: layouts_seam_bench [loops] [clip|hd]   (defaults: 20 loops of data/1.avi; hd makes and
// plays a 1080p 30 fps H.264 MP4). Runs headless unless QT_QPA_PLATFORM says otherwise. It
// prints figures; it never fails on them. media_qt_multimedia_bench is its twin through the
// player the window used before.

#include "common/CheckoutPaths.h"
#include "common/TempDir.h"
#include "layouts/LayoutStore.h"
#include "layouts/ui/DisplaySetupForm.h"
#include "layoutview/VideoPlayer.h"
#include "media/BenchClips.h"
#include "media/VideoEngine.h"
#include "platform/IniFile.h"
#include "platform/ProgramPaths.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThreadPool>
#include <QTimer>
#include <cstdio>
#include <sys/stat.h>

namespace {

std::unique_ptr<TfmDisplaySetup> PlayWindow(const std::string& video) {
    TIniFile(ProgramPaths::IniPath())
        .WriteString(LayoutStore::SectionName("Bench", 1), LayoutStore::MediaPlayerKey(0), video);
    CurrentDisplayType = 1;
    auto window = std::make_unique<TfmDisplaySetup>();
    window->Mode = TfmDisplaySetup::TMode::Play;
    window->LayoutClientName = "Bench";
    window->BuildLayout();
    window->LoadLayout();
    return window;
}

// From the operator's "Play display" to the window shown and painted once.
double OpenToShownMs(const std::string& video) {
    QElapsedTimer clock;
    clock.start();
    const auto window = PlayWindow(video);
    window->show();
    window->repaint();
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int loops = argc > 1 ? std::max(1, atoi(argv[1])) : 20;
    const QString clip =
        argc > 2 ? QString::fromLocal8Bit(argv[2])
                 : QString::fromStdString(CheckoutPaths::SourceFile(VELMORA_DATA_FOLDER "1.avi"));

    // As the program does at start, before the operator can open a window.
    QElapsedTimer prepare;
    prepare.start();
    TVideoEngine::Prepare();
    const double prepareMs = static_cast<double>(prepare.nsecsElapsed()) / 1e6;
    // The decoders load in the background meanwhile, long before an operator opens a window.
    QThreadPool::globalInstance()->waitForDone();
    const double preloadMs = static_cast<double>(prepare.nsecsElapsed()) / 1e6;

    TTempDir dir;
    TConfigHomeGuard home(dir.Path());
    ProgramPaths::SetExecutablePath(dir.File("velmora"));
    // Named as the operator's files are: the extension spares the type finding a long search.
    const bool hd = clip == QLatin1String("hd");
    const std::string copy =
        dir.File("clip." + (hd ? std::string("mp4") : QFileInfo(clip).suffix().toStdString()));
    if (hd ? !MakeHdClip(copy) : !QFile::copy(clip, QString::fromStdString(copy))) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(clip));
        return 1;
    }

    const auto window = PlayWindow(copy);
    TVideoPlayer& player = *window->MediaPlayers.front();
    TSeamMeter meter;
    QObject::connect(&player.Engine(), &TVideoEngine::PassEnded,
                     [&] { meter.PassEnded(player.Engine().FrameNumber()); });
    QObject::connect(&player, &TVideoPlayer::FramePresented, [&] {
        meter.DrawnFrame(player.Engine().FrameNumber());
        if (meter.Loops() >= loops)
            app.quit();
    });
    meter.Start();
    window->show();
    // A hang guard only: a clip that never loops ends the run with what was measured.
    QTimer::singleShot(loops * 60000, &app, &QApplication::quit);
    app.exec();
    window->FreeLayout();

    std::printf("clip: %s\nvideo engine start (once, at program start): %.1f ms, decoders "
                "loaded in the background after %.1f ms\n",
                qPrintable(clip), prepareMs, preloadMs);
    meter.Print("layout window, Play mode");

    const std::string fifo = dir.File("fifo.avi");
    ::mkfifo(fifo.c_str(), 0600);
    std::printf("from opening the window to its being shown: video on a FIFO %.1f ms, on a "
                "missing file %.1f ms, on the clip %.1f ms\n",
                OpenToShownMs(fifo), OpenToShownMs(dir.File("none.avi")), OpenToShownMs(copy));
    return 0;
}
