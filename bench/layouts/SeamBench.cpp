// Plays the shipped clip in the layout window's Play mode (display type 1) and prints:
//   - the time from showing the window to the first video frame drawn in it;
//   - the seam of every loop: the time between drawing the last frame of one pass and the first
//     frame of the next, with median and worst of the loops, beside the clip's frame interval.
// Usage: layouts_seam_bench [loops] [clip]   (defaults: 20 loops of data/1.avi)
// Runs headless unless QT_QPA_PLATFORM says otherwise. It prints figures; it never fails on them.

#include "common/TempDir.h"
#include "layouts/LayoutStore.h"
#include "layouts/ui/DisplaySetupForm.h"
#include "layouts/ui/VideoPlayer.h"
#include "media/VideoEngine.h"
#include "platform/IniFile.h"
#include "platform/ProgramPaths.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double Median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 != 0 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int loops = argc > 1 ? std::max(1, atoi(argv[1])) : 20;
    const QString clip =
        argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral(VELMORA_DATA_FOLDER "1.avi");

    TTempDir dir;
    TConfigHomeGuard home(dir.Path());
    ProgramPaths::SetExecutablePath(dir.File("velmora"));
    const std::string copy = dir.File("clip.avi");
    if (!QFile::copy(clip, QString::fromStdString(copy))) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(clip));
        return 1;
    }
    TIniFile(ProgramPaths::IniPath())
        .WriteString(LayoutStore::SectionName("Bench", 1), LayoutStore::MediaPlayerKey(0), copy);

    CurrentDisplayType = 1;
    TfmDisplaySetup window;
    window.Mode = TfmDisplaySetup::TMode::Play;
    window.LayoutClientName = "Bench";
    window.BuildLayout();
    window.LoadLayout();
    TVideoPlayer& player = *window.MediaPlayers.front();

    QElapsedTimer clock;
    // The frames of the next pass come after the engine says the pass has ended, so the frame
    // number at that moment divides the passes.
    quint64 boundary = 0;
    bool boundarySet = false;
    quint64 drawnNumber = 0;
    qint64 drawnAtNs = -1; // when the frame drawn last was drawn
    qint64 firstFrameNs = -1;
    std::vector<double> seamsMs;
    std::vector<double> intervalsMs;
    QObject::connect(&player.Engine(), &TVideoEngine::PassEnded, [&] {
        boundary = player.Engine().FrameNumber();
        boundarySet = true;
    });
    QObject::connect(&player, &TVideoPlayer::FramePresented, [&] {
        const qint64 now = clock.nsecsElapsed();
        const quint64 number = player.Engine().FrameNumber();
        if (firstFrameNs < 0)
            firstFrameNs = now;
        if (drawnAtNs >= 0) {
            const double gapMs = static_cast<double>(now - drawnAtNs) / 1e6;
            if (boundarySet && drawnNumber <= boundary && number > boundary) {
                boundarySet = false;
                seamsMs.push_back(gapMs);
                std::printf("loop %2zu: seam %6.1f ms\n", seamsMs.size(), gapMs);
                std::fflush(stdout);
                if (static_cast<int>(seamsMs.size()) >= loops)
                    app.quit();
            } else {
                intervalsMs.push_back(gapMs);
            }
        }
        drawnNumber = number;
        drawnAtNs = now;
    });

    clock.start();
    window.show();
    // A hang guard only: a clip that never loops ends the run with what was measured.
    QTimer::singleShot(loops * 60000, &app, &QApplication::quit);
    app.exec();

    std::printf("\nclip: %s\n", qPrintable(clip));
    std::printf("time to first frame: %.1f ms (from showing the window)\n",
                firstFrameNs < 0 ? -1.0 : static_cast<double>(firstFrameNs) / 1e6);
    std::printf("frame interval within a pass: median %.1f ms over %zu frames\n",
                Median(intervalsMs), intervalsMs.size());
    if (!seamsMs.empty()) {
        std::printf("seam over %zu loops: median %.1f ms, worst %.1f ms\n", seamsMs.size(),
                    Median(seamsMs), *std::max_element(seamsMs.begin(), seamsMs.end()));
    } else {
        std::printf("seam: no loop was seen\n");
    }
    window.FreeLayout();
    return 0;
}
