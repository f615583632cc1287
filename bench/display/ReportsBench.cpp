// What a display's status and pictures cost, against a scripted server in this process, the
// display's window offscreen at full HD (or the size given):
//   - one picture (ScreenShot, on the window thread): wall and thread CPU, beside a bare
//     QWidget::grab of the window scaled to the same size and encoded as JPEG;
//   - a 1080p H.264 video playing: frame gaps and loop seams without pictures, then with a
//     picture asked every 10 s for the period, and whether any gap grew;
//   - a rotation of 10-second pictures: STATUS and SHOT blocks and bytes on the wire per minute,
//     without pictures asked and with one every 10 s.
// Usage: display_reports_bench [seconds] [WIDTHxHEIGHT]   (defaults: 60, 1920x1080). Goals: a
// picture under 30 ms, no frame of the video missed, under 10 KB a minute without pictures. It
// prints figures; it never fails on them.
#include "common/RecordingScript.h"
#include "common/TempDir.h"
#include "display/BenchSeries.h"
#include "display/ui/DisplayProgram.h"
#include "display/ui/DisplayView.h"
#include "display/ui/ScreenShot.h"
#include "layouts/LayoutStore.h"
#include "layoutview/RotationPlayer.h"
#include "media/BenchClips.h"
#include "media/SeamMeter.h"
#include "media/VideoEngine.h"
#include "media/ui/VideoSurface.h"
#include "platform/FileIo.h"
#include "platform/IniFile.h"
#include "platform/ProgramPaths.h"
#include "protocol/StatusMessage.h"
#include "server/DisplayServer.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QThreadPool>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

constexpr int ShotEveryMs = 10000;

double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Turns the event loop for that long, or until done says so.
void Turn(int ms, const std::function<bool()>& done = {}) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms && !(done && done()))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
}

// The cost of the display's picture beside a bare grab and encode of the same size.
void MeasurePicture(QWidget& window) {
    TSeries shotWall("display picture, wall"), shotCpu("display picture, thread CPU");
    TSeries bareWall("bare grab + JPEG, wall"), bareCpu("bare grab + JPEG, thread CPU");
    const QSize size = window.size().scaled(ScreenShot::MostSize, Qt::KeepAspectRatio);
    size_t bytes = 0;
    for (int run = 0; run < 10; ++run) {
        QElapsedTimer wall;
        double cpu = ThreadCpuMs();
        wall.start();
        bytes = ScreenShot::Jpeg(window, true).size();
        shotWall.Add(static_cast<double>(wall.nsecsElapsed()) / 1e6);
        shotCpu.Add(ThreadCpuMs() - cpu);

        cpu = ThreadCpuMs();
        wall.start();
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        window.grab()
            .toImage()
            .scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation)
            .save(&buffer, "JPEG", 80);
        bareWall.Add(static_cast<double>(wall.nsecsElapsed()) / 1e6);
        bareCpu.Add(ThreadCpuMs() - cpu);
        Turn(100);
    }
    std::printf("one picture of the %dx%d window, %dx%d, %zu bytes (goal: under 30 ms)\n",
                window.width(), window.height(), size.width(), size.height(), bytes);
    for (const TSeries* series : {&shotWall, &shotCpu, &bareWall, &bareCpu})
        series->Print();
}

struct TGaps {
    TSeamMeter Meter;
    std::vector<double> AcrossPictureMs; // the gap that holds each picture's taking
};

// Frame gaps of the playing video for the period; with asking, a picture asked every 10 s as the
// link asks for it (the answer goes out over the wire), and the frame gap it falls in.
TGaps MeasureGaps(TDisplayProgram& program, int ms, bool asking) {
    TGaps gaps;
    TDisplayView& view = *program.Window().ShownView();
    TVideoEngine* engine = view.Video();
    QElapsedTimer clock;
    clock.start();
    std::vector<qint64> frames, asked;
    gaps.Meter.Start();
    const auto ended = QObject::connect(engine, &TVideoEngine::PassEnded,
                                        [&] { gaps.Meter.PassEnded(engine->FrameNumber()); });
    const auto drawn = QObject::connect(view.VideoSurface(), &TVideoSurface::FramePresented, [&] {
        gaps.Meter.DrawnFrame(engine->FrameNumber());
        frames.push_back(clock.nsecsElapsed());
    });
    QTimer ask;
    const auto askNow = [&] {
        asked.push_back(clock.nsecsElapsed());
        program.ShotRequested();
    };
    QObject::connect(&ask, &QTimer::timeout, askNow);
    if (asking) {
        ask.start(ShotEveryMs);
        Turn(ShotEveryMs / 2); // the first picture amid the period
        askNow();
        ms -= ShotEveryMs / 2;
    }
    Turn(ms);
    QObject::disconnect(ended);
    QObject::disconnect(drawn);
    for (const qint64 at : asked) {
        const auto next = std::upper_bound(frames.begin(), frames.end(), at);
        if (next != frames.begin() && next != frames.end())
            gaps.AcrossPictureMs.push_back(static_cast<double>(*next - *(next - 1)) / 1e6);
    }
    return gaps;
}

// Pixels of the picture as light as the video's ball.
int Light(const std::string& jpeg) {
    const QImage image = QImage::fromData(QByteArray::fromStdString(jpeg), "JPEG");
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y).value() > 200 ? 1 : 0;
    return count;
}

// What the display sent in the period, per minute.
void PrintWire(const char* name, TRecordingScript& script, int ms) {
    int status = 0, shot = 0;
    for (const TExchangeBlock& block : script.Received())
        (StatusMessage::Is(block) ? status : shot) += 1;
    const double perMinute = 60000.0 / ms;
    std::printf("  %-30s %5.1f STATUS + %5.1f SHOT blocks, %7.1f KB a minute (%zu pictures)\n",
                name, status * perMinute, shot * perMinute,
                (status + shot) * perMinute * ExchangeBlock::Size / 1000.0, script.Shots().size());
}

void WritePicture(const std::string& path, const QColor& colour) {
    QImage image(640, 360, QImage::Format_RGB32);
    image.fill(colour);
    image.save(QString::fromStdString(path));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int periodMs = (argc > 1 ? std::max(10, atoi(argv[1])) : 60) * 1000;
    int width = 1920, height = 1080;
    if (argc > 2)
        std::sscanf(argv[2], "%dx%d", &width, &height);
    TVideoEngine::Prepare();
    QThreadPool::globalInstance()->waitForDone();

    TTempDir dir;
    TConfigHomeGuard home(dir.Path());
    ProgramPaths::SetExecutablePath(dir.File("velmora-display"));
    const std::string hd = dir.File("clip-1080p.mp4");
    if (!MakeHdClip(hd))
        return 1;
    FileIo::MakeFolders(dir.File("rotation"));
    const QColor colours[] = {Qt::red, Qt::green, Qt::blue, Qt::cyan, Qt::magenta, Qt::yellow};
    for (int n = 0; n < 6; ++n)
        WritePicture(dir.File("rotation/" + std::to_string(n + 1) + ".bmp"), colours[n]);

    TIniFile ini(dir.File("velmora.ini"));
    ini.WriteInteger("ClientDisplay_Client1", "DisplayType", 1);
    ini.WriteString(LayoutStore::SectionName("Client 1", 1), LayoutStore::MediaPlayerKey(0), hd);
    ini.WriteString(LayoutStore::SectionName("Client 1", 5), LayoutStore::ImageKey(0),
                    dir.File("rotation"));
    const TDisplayServer layouts(ini.FileName(), nullptr);
    TRecordingScript script(layouts.DisplayTypeBlockFor("Client 1", "127.0.0.1"));
    TScriptedServer server(script.Script());

    TDisplayOptions options;
    options.Host = "127.0.0.1";
    options.Port = server.Port();
    options.Name = "Client 1";
    options.WindowedWidth = width;
    options.WindowedHeight = height;
    TDisplayProgram program(options, dir.File("last-layout"));
    program.Start();
    const auto playing = [&] {
        const TDisplayView* view = program.Window().ShownView();
        return view != nullptr && view->Video() != nullptr &&
               view->Video()->State() == TVideoEngine::TState::Playing;
    };
    Turn(20000, playing);
    if (!playing()) {
        std::printf("the 1080p video did not play\n");
        return 1;
    }
    Turn(2000);
    MeasurePicture(program.Window());

    const int baselineMs = periodMs / 3;
    std::printf("1080p video, frame gaps for %d s without pictures, then %d s with one every "
                "%d s\n",
                baselineMs / 1000, periodMs / 1000, ShotEveryMs / 1000);
    const TGaps quiet = MeasureGaps(program, baselineMs, false);
    script.Forget();
    const TGaps asked = MeasureGaps(program, periodMs, true);
    quiet.Meter.Print("  without pictures");
    asked.Meter.Print("  a picture every 10 s");
    const double missed = 1.5 * quiet.Meter.MedianIntervalMs();
    const double worstAcross =
        asked.AcrossPictureMs.empty()
            ? 0
            : *std::max_element(asked.AcrossPictureMs.begin(), asked.AcrossPictureMs.end());
    std::printf("  frame gaps of %.1f ms or more (a frame missed): %d without, %d with; the gap "
                "each picture fell in:",
                missed, quiet.Meter.IntervalsOver(missed), asked.Meter.IntervalsOver(missed));
    for (const double gap : asked.AcrossPictureMs)
        std::printf(" %.1f", gap);
    std::printf(" ms: %s\n", worstAcross >= missed ? "a gap grew" : "no gap grew");
    const auto shots = script.Shots();
    if (!shots.empty())
        std::printf("  %zu pictures answered; the last one's video ball: %d light pixels (a black "
                    "video: none)\n",
                    shots.size(), Light(shots.back()));

    std::printf("on the wire, a rotation of 10-second pictures, per display\n");
    ini.WriteInteger("ClientDisplay_Client1", "DisplayType", 5);
    script.Send(layouts.DisplayTypeBlockFor("Client 1", "127.0.0.1"));
    Turn(20000, [&] {
        const TDisplayView* shown = program.Window().ShownView();
        return shown != nullptr && shown->Rotation() != nullptr &&
               shown->Rotation()->ShownItem().has_value();
    });
    Turn(TStatusPace::Gather.count() * 1000); // the change of layout's block
    script.Forget();
    Turn(periodMs);
    PrintWire("without pictures", script, periodMs);
    script.Forget();
    const auto askNow = [&] { script.Send(ShotMessage::MakeRequest("127.0.0.1")); };
    QTimer ask;
    QObject::connect(&ask, &QTimer::timeout, askNow);
    ask.start(ShotEveryMs);
    askNow();
    Turn(periodMs);
    PrintWire("a picture every 10 s", script, periodMs);
    return 0;
}
