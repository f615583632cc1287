// What the display spends on a playing video beside GStreamer's own player, on the same X server
// (Xvfb, 1920x1080, no window manager) and the same clips. For H.264 loops of 720p, 1080p and 4K
// at 30 frames a second it prints, as medians of interleaved runs:
//   - the display program full screen, its layout's video box filled with the clip;
//   - the twin: gst-launch-1.0 decoding and showing the clip at the video box's size
//     (avdec_h264 ! videoconvert ! videoscale ! ximagesink);
//   - the decoding alone (avdec_h264 ! fakesink, in time);
// each as the share of a core its process used, with the X server's share beside it (both
// sides hand it every frame), and the display's share over the twin's, run by run.
// Usage: display_cpu_bench [runs] [seconds] [program]   (defaults: 5 runs of 6 s, the display
// program of this build; another build's, to compare). It prints figures; it never fails on them.
#include "BenchSeries.h"
#include "common/CheckoutPaths.h"
#include "common/DesktopSession.h"
#include "common/ProcessState.h"
#include "common/TempDir.h"
#include "display/DisplayArrangement.h"
#include "layouts/LayoutStore.h"
#include "layoutview/PanelColor.h"
#include "media/BenchClips.h"
#include "platform/IniFile.h"
#include "server/DisplayServer.h"

#include <QGuiApplication>
#include <cstdio>
#include <thread>

namespace {

using namespace std::chrono_literals;
using DesktopSession::WaitFor;

const QSize Screen(1920, 1080);
// The display type whose main area is the video alone.
constexpr int VideoType = 1;
// From the first frame on show to the start of a measurement: the pipeline's own start is not
// counted.
constexpr auto Settle = 1500ms;

struct TShare {
    double Process = 0; // percent of a core
    double Server = 0;
};

// Measures a running process and the X server over the given time.
TShare Measure(pid_t pid, pid_t server, std::chrono::seconds time) {
    const double process0 = ProcessState::CpuSeconds(pid);
    const double server0 = ProcessState::CpuSeconds(server);
    std::this_thread::sleep_for(time);
    const double seconds = static_cast<double>(time.count());
    return {100 * (ProcessState::CpuSeconds(pid) - process0) / seconds,
            100 * (ProcessState::CpuSeconds(server) - server0) / seconds};
}

class TBench {
public:
    TBench(TVirtualDisplay& display, std::chrono::seconds time, QString program)
        : display_(display), time_(time), program_(std::move(program)) {
        TIniFile ini(dir_.File("velmora.ini"));
        ini.WriteInteger("ClientDisplay_Client1", "DisplayType", VideoType);
        server_ = std::make_unique<TDisplayServer>(ini.FileName(), nullptr);
        server_->StartListening(0);
    }

    const TTempDir& Folder() const { return dir_; }

    // The display full screen with the clip in its video box, measured once its video shows.
    std::optional<TShare> Display(const std::string& clip, const QRect& videoBox) {
        TIniFile(dir_.File("velmora.ini"))
            .WriteString(LayoutStore::SectionName("Client 1", VideoType),
                         LayoutStore::MediaPlayerKey(0), clip);
        const TTempDir home;
        TDesktopProcess display;
        if (!display.Start(program_,
                           {"--server",
                            QStringLiteral("127.0.0.1:%1").arg(server_->Server.BoundPort()),
                            "--name", "Client 1"},
                           display_.ProgramEnvironment(home)))
            return std::nullopt;
        // The clips' background is black, the panel around the video is not.
        const bool shown = WaitFor(
            [&] {
                const QImage screen = display_.Screenshot();
                return !screen.isNull() && screen.pixelColor(videoBox.center()) != PanelColor;
            },
            30s);
        if (!shown)
            return std::nullopt;
        return Settled(display.ProcessId());
    }

    // gst-launch-1.0 running the pipeline, measured once its window shows (or at once, for one
    // without a window).
    std::optional<TShare> Twin(const std::string& clip, const QString& output,
                               std::optional<QSize> window) {
        const TTempDir home;
        TDesktopProcess twin;
        QStringList arguments{"-q"};
        arguments += QStringLiteral("filesrc location=\"%1\" ! qtdemux ! h264parse ! avdec_h264 ! ")
                         .arg(QString::fromStdString(clip))
                         .split(' ', Qt::SkipEmptyParts);
        arguments += output.split(' ', Qt::SkipEmptyParts);
        if (!twin.Start("gst-launch-1.0", arguments, display_.ProgramEnvironment(home)))
            return std::nullopt;
        if (window) {
            const QString geometry =
                QStringLiteral("%1x%2+").arg(window->width()).arg(window->height());
            if (!WaitFor(
                    [&] {
                        return display_.Tool("xwininfo", {"-root", "-children"}).contains(geometry);
                    },
                    30s))
                return std::nullopt;
        }
        return Settled(twin.ProcessId());
    }

private:
    std::optional<TShare> Settled(pid_t pid) {
        std::this_thread::sleep_for(Settle);
        return Measure(pid, display_.ServerProcessId(), time_);
    }

    TVirtualDisplay& display_;
    std::chrono::seconds time_;
    QString program_;
    TTempDir dir_;
    std::unique_ptr<TDisplayServer> server_;
};

struct TClip {
    const char* Name;
    QSize Size;
};

void Print(const char* name, const std::vector<TShare>& runs) {
    TSeries process(name, "%"), server("  X server beside it", "%");
    for (const TShare& run : runs) {
        process.Add(run.Process);
        server.Add(run.Server);
    }
    process.Print();
    server.Print();
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const auto time = std::chrono::seconds(argc > 2 ? std::max(1, std::atoi(argv[2])) : 6);
    if (const std::string why =
            DesktopSession::MissingProgramReason({"Xvfb", "import", "xwininfo", "gst-launch-1.0"});
        !why.empty()) {
        std::printf("cannot measure: %s\n", why.c_str());
        return 1;
    }
    TVirtualDisplay display(Screen);
    if (!display.Started()) {
        std::printf("cannot measure: Xvfb did not start\n");
        return 1;
    }
    TBench bench(display, time,
                 argc > 3
                     ? QString::fromLocal8Bit(argv[3])
                     : QString::fromStdString(CheckoutPaths::BuildFile(VELMORA_DISPLAY_PROGRAM)));
    const auto arrangement =
        LayoutArrangement::Arrange(VideoType, Screen.width(), Screen.height(),
                                   DisplayArrangement::ScaleFor(Screen.height(), 0));
    std::printf("Xvfb %dx%d, display type %d, %d runs of %lld s each, shares of one core\n",
                Screen.width(), Screen.height(), VideoType, runs,
                static_cast<long long>(time.count()));

    for (const TClip& clip : {TClip{"720p", QSize(1280, 720)}, TClip{"1080p", QSize(1920, 1080)},
                              TClip{"4K", QSize(3840, 2160)}}) {
        // Long enough that the twin, which does not loop, plays through every measurement.
        const std::string path = bench.Folder().File(std::string(clip.Name) + ".mp4");
        const int seconds = static_cast<int>(time.count()) + 6;
        if (!MakeH264Clip(path, clip.Size, seconds))
            return 1;
        const auto place =
            *LayoutArrangement::VideoRect(arrangement, clip.Size.width(), clip.Size.height());
        const QRect box(arrangement.Main.Left + place.Left, arrangement.Main.Top + place.Top,
                        place.Width, place.Height);
        const QString shown = QStringLiteral("videoconvert ! videoscale ! video/x-raw,width=%1,"
                                             "height=%2 ! ximagesink")
                                  .arg(box.width())
                                  .arg(box.height());

        std::vector<TShare> ours, twin, decode;
        TSeries ratio("display over twin", "%");
        for (int run = 0; run < runs; ++run) {
            const auto a = bench.Display(path, box);
            const auto b = bench.Twin(path, shown, box.size());
            const auto c = bench.Twin(path, "fakesink sync=true", std::nullopt);
            if (a)
                ours.push_back(*a);
            if (b)
                twin.push_back(*b);
            if (c)
                decode.push_back(*c);
            ratio.Add(a && b && b->Process > 0 ? std::optional(100 * a->Process / b->Process)
                                               : std::nullopt);
        }
        std::printf("%s H.264 30 fps (%dx%d) in a video box of %dx%d\n", clip.Name,
                    clip.Size.width(), clip.Size.height(), box.width(), box.height());
        Print("display", ours);
        Print("twin: decode and show", twin);
        Print("decode alone", decode);
        ratio.Print();
    }
    return 0;
}
