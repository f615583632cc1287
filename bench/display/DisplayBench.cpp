// The display program against the real server, both in this process, the display's window
// offscreen: for the shipped 25 fps AVI and a 1080p 30 fps H.264 MP4 made here, it prints
//   - the time from the operator's refresh (the block queued for the display) to the new
//     layout's first video frame drawn on the display's screen;
//   - the seam of every loop beside the clip's frame interval, and the CPU per wall time
//     (decoding, conversion and drawing included).
// Usage: display_bench [loops] [WIDTHxHEIGHT]   (defaults: 10 loops, 1280x720). It prints
// figures; it never fails on them. layouts_seam_bench measures the same clips in the
// operator's Play mode.
#include "common/CheckoutPaths.h"
#include "common/TempDir.h"
#include "display/ui/DisplayProgram.h"
#include "display/ui/DisplayView.h"
#include "layouts/LayoutStore.h"
#include "media/BenchClips.h"
#include "media/VideoEngine.h"
#include "media/ui/VideoSurface.h"
#include "platform/FileIo.h"
#include "platform/IniFile.h"
#include "platform/ProgramPaths.h"
#include "server/DisplayServer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QThreadPool>
#include <QTimer>
#include <cstdio>

namespace {

struct TRun {
    double refreshToFrameMs = -1;
    TSeamMeter meter;
};

TRun Measure(TDisplayServer& server, TDisplayProgram& program, int loops) {
    TRun run;
    QEventLoop loop;
    QElapsedTimer refresh;
    QMetaObject::Connection shown, ended, drawn;
    shown = QObject::connect(&program.Window(), &TDisplayWindow::LayoutShown, [&] {
        TDisplayView* view = program.Window().ShownView();
        if (view == nullptr || view->Video() == nullptr)
            return;
        TVideoEngine* engine = view->Video();
        ended = QObject::connect(engine, &TVideoEngine::PassEnded,
                                 [&run, engine] { run.meter.PassEnded(engine->FrameNumber()); });
        drawn = QObject::connect(view->VideoSurface(), &TVideoSurface::FramePresented, [&, engine] {
            if (run.refreshToFrameMs < 0) {
                run.refreshToFrameMs = static_cast<double>(refresh.nsecsElapsed()) / 1e6;
                run.meter.Start();
            }
            run.meter.DrawnFrame(engine->FrameNumber());
            if (run.meter.Loops() >= loops)
                loop.quit();
        });
    });
    refresh.start();
    {
        auto clients = server.Clients()->LockList();
        for (const auto& entry : clients) {
            const TExchangeBlock block = server.DisplayTypeBlockFor(*entry);
            SendTo(*entry, block);
        }
    }
    // A hang guard only.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    guard.start(loops * 60000 + 30000);
    loop.exec();
    QObject::disconnect(shown);
    QObject::disconnect(ended);
    QObject::disconnect(drawn);
    return run;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int loops = argc > 1 ? std::max(1, atoi(argv[1])) : 10;
    int width = 1280, height = 720;
    if (argc > 2)
        std::sscanf(argv[2], "%dx%d", &width, &height);

    TVideoEngine::Prepare();
    QThreadPool::globalInstance()->waitForDone(); // the decoders, as at a display's start

    TTempDir dir;
    TConfigHomeGuard home(dir.Path());
    ProgramPaths::SetExecutablePath(dir.File("velmora-display"));
    // The display's own default media beside it, as installed.
    FileIo::MakeFolders(dir.File("data"));
    QFile::copy(QString::fromStdString(CheckoutPaths::SourceFile(VELMORA_DATA_FOLDER "1.avi")),
                QString::fromStdString(dir.File("data/1.avi")));
    const std::string avi = dir.File("clip.avi");
    const std::string hd = dir.File("clip-1080p.mp4");
    if (!QFile::copy(QString::fromStdString(CheckoutPaths::SourceFile(VELMORA_DATA_FOLDER "1.avi")),
                     QString::fromStdString(avi)) ||
        !MakeHdClip(hd))
        return 1;

    TIniFile ini(dir.File("velmora.ini"));
    ini.WriteInteger("ClientDisplay_Client1", "DisplayType", 1);
    TDisplayServer server(ini.FileName(), nullptr);
    server.StartListening(0);
    TDisplayOptions options;
    options.Host = "127.0.0.1";
    options.Port = server.Server.BoundPort();
    options.Name = "Client 1";
    options.WindowedWidth = width;
    options.WindowedHeight = height;
    TDisplayProgram program(options, dir.File("last-layout"));
    program.Start();
    QElapsedTimer registered;
    registered.start();
    while (program.Window().ShownView() == nullptr && registered.elapsed() < 10000)
        app.processEvents(QEventLoop::WaitForMoreEvents, 50);

    std::printf("display window %dx%d, %d loops each\n", width, height, loops);
    for (const std::string& clip : {avi, hd}) {
        ini.WriteString(LayoutStore::SectionName("Client 1", 1), LayoutStore::MediaPlayerKey(0),
                        clip);
        const TRun run = Measure(server, program, loops);
        std::printf("%-16s refresh to first frame on screen %6.1f ms\n",
                    clip == avi ? "shipped AVI" : "1080p H.264 MP4", run.refreshToFrameMs);
        run.meter.Print(clip == avi ? "  display, shipped AVI" : "  display, 1080p MP4");
    }
    return 0;
}
