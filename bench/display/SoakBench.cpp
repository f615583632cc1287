// A display left on the wall, in a few minutes of an operator's busiest day: a server of the
// bench's own pushes a layout every 100 ms (videos of two clips, a bitmap, a JPEG, two
// metafiles, texts, a message banner every fifth), kicks the display every 30 s and restarts
// every 2 min. The display runs in this process, offscreen, as velmora-display runs it.
// It prints the process's descriptors, threads and memory at the start, after the warm-up and
// at the end (each taken with a picture layout settled), the memory's slope per hour after the
// warm-up, the CPU, and the longest gap between two frames of a shown video (not counting the
// swap of layouts).
// Usage: display_soak_bench [minutes [cached|rotation]]   (default 30; the warm-up is a tenth of
// it, at most 3 min; "cached" shows every file through the media cache; "rotation" shows one
// rotation of six items, four videos of different formats and two pictures, its layout sent
// again every 10 s, and counts the gaps between video frames across its changes of item)
// It prints figures; it never fails on them.
#include "common/CheckoutPaths.h"
#include "common/ProcessState.h"
#include "common/ScriptedServer.h"
#include "common/TempDir.h"
#include "display/ui/DisplayProgram.h"
#include "display/ui/DisplayView.h"
#include "layouts/LayoutStore.h"
#include "layoutview/RotationPlayer.h"
#include "media/VideoEngine.h"
#include "media/ui/VideoSurface.h"
#include "protocol/DisplayTypeMessage.h"
#include "protocol/KickMessage.h"
#include "protocol/TextMessage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QThreadPool>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;
using TSteady = std::chrono::steady_clock;

constexpr auto LayoutEvery = 100ms;
constexpr auto RotationLayoutEvery = 10s;
constexpr auto KickEvery = 30s;
constexpr auto RestartEvery = 2min;

TExchangeBlock Layout(int displayType, const std::string& key, const std::string& file) {
    const std::string config = "[DisplayParams_Client1_" + std::to_string(displayType) + "]\r\n" +
                               key + "=" + file + "\r\nEdits_0_Text=Soak " +
                               std::to_string(displayType) + "\r\nEdits_5_Text=Bottom\r\n";
    return DisplayTypeMessage::Make({displayType, "127.0.0.1", config});
}

TExchangeBlock Banner() {
    return TextMessage::Make({"desk", "", "Closing in 10 minutes"});
}

// What the server sends, in turn, and the picture layout that stands while figures are taken.
struct TFeed {
    std::vector<TExchangeBlock> Blocks;
    TExchangeBlock Settle;
    std::atomic<size_t> Next{0};
    std::atomic<bool> Paused{false};
    std::atomic<long> Sent{0};
    std::atomic<long> Kicks{0};
    TSteady::time_point NextKick = TSteady::now() + KickEvery; // the server's thread only
    std::chrono::milliseconds Every = LayoutEvery;

    // One rotation, its layout sent again and again: the display keeps its place in it.
    explicit TFeed(const std::string& playlist) : Every(RotationLayoutEvery) {
        Blocks = {Layout(1, LayoutStore::MediaPlayerKey(0), playlist), Banner()};
        Settle = Blocks.front();
    }

    TFeed() {
        const std::string videoA = CheckoutPaths::SourceFile(VELMORA_DATA_FOLDER "1.avi");
        const std::string videoB = CheckoutPaths::SourceFile(VELMORA_FORMAT_CLIPS "h264.mp4");
        const std::string video = LayoutStore::MediaPlayerKey(0);
        const std::string picture = LayoutStore::ImageKey(0);
        Blocks = {
            Layout(1, video, videoA),
            Layout(5, picture, CheckoutPaths::SourceFile(VELMORA_DATA_FOLDER "1.bmp")),
            Layout(2, video, videoB),
            Layout(6, picture, CheckoutPaths::SourceFile(VELMORA_TEST_DATA_FOLDER "cmyk.jpg")),
            Banner(),
            Layout(3, video, videoA),
            Layout(7, picture,
                   CheckoutPaths::SourceFile(VELMORA_METAFILE_SAMPLES "sample_car.emf")),
            Layout(4, video, videoB),
            Layout(8, picture,
                   CheckoutPaths::SourceFile(VELMORA_METAFILE_SAMPLES "sample_car.wmf")),
            Banner()};
        Settle = Layout(5, picture, CheckoutPaths::SourceFile(VELMORA_DATA_FOLDER "1.bmp"));
    }

    // One connection: a layout every 100 ms until the next kick.
    bool Serve(TScriptedServer::TConnection& connection) {
        bool settled = false;
        for (;;) {
            if (TSteady::now() >= NextKick) {
                NextKick = TSteady::now() + KickEvery;
                ++Kicks;
                connection.Send(KickMessage::Make({"127.0.0.1"}));
                return false;
            }
            if (Paused) {
                if (!settled && !connection.Send(Settle))
                    return false;
                settled = true;
            } else {
                settled = false;
                if (!connection.Send(Blocks[Next++ % Blocks.size()]))
                    return false;
                ++Sent;
            }
            if (!connection.Pause(Every))
                return false;
        }
    }
};

// What the process holds at a time of the run.
struct TFigures : ProcessState::TUse {
    double AtS = 0;

    static TFigures Now(double atS) {
        TFigures figures;
        static_cast<ProcessState::TUse&>(figures) = ProcessState::Use(::getpid());
        figures.AtS = atS;
        return figures;
    }
    void Print(const char* when, long layouts) const {
        std::printf("%-9s %7.0f s  %6ld layouts  descriptors %4ld  threads %3ld  memory %7.1f MB\n",
                    when, AtS, layouts, Descriptors, Threads, ResidentMb);
        std::fflush(stdout);
    }
};

// Memory per hour: the least-squares slope of the samples.
double SlopePerHour(const std::vector<TFigures>& samples) {
    if (samples.size() < 2)
        return 0;
    double meanT = 0, meanM = 0;
    for (const TFigures& s : samples) {
        meanT += s.AtS;
        meanM += s.ResidentMb;
    }
    meanT /= static_cast<double>(samples.size());
    meanM /= static_cast<double>(samples.size());
    double covariance = 0, variance = 0;
    for (const TFigures& s : samples) {
        covariance += (s.AtS - meanT) * (s.ResidentMb - meanM);
        variance += (s.AtS - meanT) * (s.AtS - meanT);
    }
    return variance > 0 ? covariance / variance * 3600.0 : 0;
}

// A playlist of six items in the folder: four videos of different formats and two pictures of
// 3 s, each picture between two videos.
std::string WriteRotation(const TTempDir& dir) {
    const std::string picture = "#EXTINF:3,\n";
    const std::string playlist =
        CheckoutPaths::SourceFile(VELMORA_FORMAT_CLIPS "h264.mp4") + "\n" + picture +
        CheckoutPaths::SourceFile(VELMORA_DATA_FOLDER "1.bmp") + "\n" +
        CheckoutPaths::SourceFile(VELMORA_FORMAT_CLIPS "vp8.webm") + "\n" +
        CheckoutPaths::SourceFile(VELMORA_FORMAT_CLIPS "mpeg4.avi") + "\n" + picture +
        CheckoutPaths::SourceFile(VELMORA_TEST_DATA_FOLDER "cmyk.jpg") + "\n" +
        CheckoutPaths::SourceFile(VELMORA_FORMAT_CLIPS "theora.ogv") + "\n";
    const std::string path = dir.File("soak.m3u8");
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(playlist.data(), static_cast<qint64>(playlist.size())) !=
            static_cast<qint64>(playlist.size()))
        std::fprintf(stderr, "display_soak_bench: cannot write %s\n", path.c_str());
    return path;
}

// The gaps between two frames of the shown video, a swap of layouts not counted, nor the time a
// rotation's picture stands.
class TGapMeter {
public:
    void Follow(TDisplayWindow& window) {
        window_ = &window;
        QObject::connect(&window, &TDisplayWindow::LayoutShown, [this, &window] {
            QObject::disconnect(drawn_);
            last_.invalidate();
            const TDisplayView* view = window.ShownView();
            if (view == nullptr || view->VideoSurface() == nullptr)
                return;
            drawn_ = QObject::connect(view->VideoSurface(), &TVideoSurface::FramePresented,
                                      [this] { Drawn(); });
        });
    }
    double LongestMs() const { return longestMs_; }
    long Frames() const { return frames_; }
    long Over(double ms) const {
        return static_cast<long>(
            std::count_if(gapsMs_.begin(), gapsMs_.end(), [ms](double gap) { return gap > ms; }));
    }

private:
    void Drawn() {
        const TDisplayView* view = window_->ShownView();
        if (view == nullptr || view->Video() == nullptr) {
            last_.invalidate(); // a picture stands
            return;
        }
        ++frames_;
        if (last_.isValid()) {
            const double gap = static_cast<double>(last_.nsecsElapsed()) / 1e6;
            longestMs_ = std::max(longestMs_, gap);
            gapsMs_.push_back(gap);
        }
        last_.start();
    }

    TDisplayWindow* window_ = nullptr;
    QMetaObject::Connection drawn_;
    QElapsedTimer last_;
    double longestMs_ = 0;
    long frames_ = 0;
    std::vector<double> gapsMs_;
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double minutes = argc > 1 ? std::max(1.0, std::atof(argv[1])) : 30.0;
    const double runS = minutes * 60;
    const double warmS = std::min(180.0, runS / 10);

    TVideoEngine::Prepare();
    QThreadPool::globalInstance()->waitForDone();
    TTempDir dir;
    TConfigHomeGuard home(dir.Path());
    // The media cache, the kept layout's state: in the bench's folder too.
    const TVariableGuard cacheHome("XDG_CACHE_HOME", dir.File("cache").c_str());
    const TVariableGuard stateHome("XDG_STATE_HOME", dir.File("state").c_str());

    const std::string mode = argc > 2 ? argv[2] : "";
    const bool rotation = mode == "rotation";
    std::unique_ptr<TFeed> fed =
        rotation ? std::make_unique<TFeed>(WriteRotation(dir)) : std::make_unique<TFeed>();
    TFeed& feed = *fed;
    const auto serve = [&feed](TScriptedServer::TConnection& c) { return feed.Serve(c); };
    auto server = std::make_unique<TScriptedServer>(serve);
    const uint16_t port = server->Port();
    TDisplayOptions options;
    options.Host = "127.0.0.1";
    options.Port = port;
    options.Name = "Client 1";
    options.KickQuietSeconds = 1;
    options.WindowedWidth = 1280;
    options.WindowedHeight = 720;
    // "cached": every file comes through the media cache, the checkout mapped onto itself as a
    // folder source, so each layout also checks its files against their source.
    const bool cached = mode == "cached";
    if (cached)
        options.Maps = {{CheckoutPaths::SourceFile(""), CheckoutPaths::SourceFile("")}};
    TDisplayProgram program(options, dir.File("last-layout"));
    TGapMeter gaps;
    gaps.Follow(program.Window());
    program.Start();

    QElapsedTimer clock;
    clock.start();
    const auto now = [&] { return static_cast<double>(clock.elapsed()) / 1000.0; };
    // Figures with the feed held and a picture layout settled.
    // A rotation holds what its items take: its figures are taken at one place in it, while the
    // first picture stands and the video after it is prerolled.
    const auto atPlace = [&] {
        const TDisplayView* view = program.Window().ShownView();
        const TRotationPlayer* player = view != nullptr ? view->Rotation() : nullptr;
        return player != nullptr && player->ShownItem() == 1u;
    };
    const auto settled = [&] {
        feed.Paused = true;
        QTest::qWait(rotation ? 1000 : 4000);
        if (rotation) {
            if (!QTest::qWaitFor([&] { return !atPlace(); }, 30000) ||
                !QTest::qWaitFor(atPlace, 30000))
                std::printf("the rotation did not come back to its place within 30 s\n");
            QTest::qWait(1000);
        }
        const TFigures figures = TFigures::Now(now());
        feed.Paused = false;
        return figures;
    };
    std::printf("display_soak_bench: %.0f min, a layout every %lld ms, a kick every %lld s, a "
                "restart every %lld s%s\n",
                minutes, static_cast<long long>(feed.Every.count()),
                static_cast<long long>(KickEvery.count()),
                static_cast<long long>(std::chrono::seconds(RestartEvery).count()),
                cached     ? ", every file through the media cache"
                : rotation ? ", one rotation of four videos and two pictures"
                           : "");
    const TFigures start = settled();
    start.Print("start", feed.Sent);
    const double cpuAtStart = ProcessState::CpuSeconds();
    const double wallAtStart = now();

    TFigures warm;
    bool warmed = false;
    std::vector<TFigures> samples;
    double nextRestart = std::chrono::duration<double>(RestartEvery).count();
    int restarts = 0;
    while (now() < runS) {
        QTest::qWait(1000);
        if (!warmed && now() >= warmS) {
            warm = settled();
            warm.Print("warm", feed.Sent);
            warmed = true;
        }
        if (warmed && samples.size() < static_cast<size_t>((now() - warm.AtS) / 10))
            samples.push_back(TFigures::Now(now()));
        if (now() >= nextRestart) {
            server.reset();
            server = std::make_unique<TScriptedServer>(serve, port);
            ++restarts;
            nextRestart += std::chrono::duration<double>(RestartEvery).count();
        }
    }
    const double cpu = ProcessState::CpuSeconds() - cpuAtStart;
    const double wall = now() - wallAtStart;
    const TFigures end = settled();
    end.Print("end", feed.Sent);
    std::printf("after the warm-up: descriptors %+ld, threads %+ld, memory %+.1f MB; memory slope "
                "%+.1f MB per hour\n",
                end.Descriptors - warm.Descriptors, end.Threads - warm.Threads,
                end.ResidentMb - warm.ResidentMb, SlopePerHour(samples));
    std::printf("%ld layouts, %ld kicks, %d restarts; cpu %.1f %% of a core\n", feed.Sent.load(),
                feed.Kicks.load(), restarts, 100.0 * cpu / wall);
    std::printf("shown videos: %ld frames drawn, longest gap %.1f ms, gaps over 2 frame intervals "
                "(80 ms) %ld\n",
                gaps.Frames(), gaps.LongestMs(), gaps.Over(80));
    return 0;
}
