// The display's media cache against nginx on loopback: the display program and the real server
// in this process, the display's window offscreen, a ~50 MB H.264 clip made here. Each figure is
// the median of several runs, the two sides interleaved, printed beside its bare twin and goal:
//   1. fetch to first frame: from the operator's refresh, the cache empty, to the video's first
//      frame on screen, beside curl writing the same file to disk;
//   2. cached and unchanged: the same refresh with the copy cached (one conditional GET, a 304),
//      beside the same file shown in place;
//   3. offline start: a new display program shows its kept layout, the video from the cache,
//      nginx and the server gone: from the first screen to the first frame, beside the same
//      with the file shown in place.
// Usage: display_media_bench [runs]   (default 5). It prints figures; it never fails on them.
#include "common/CheckoutPaths.h"
#include "common/DisplayShown.h"
#include "common/TempDir.h"
#include "common/WebServers.h"
#include "display/BenchSeries.h"
#include "display/KeptLayout.h"
#include "display/LayoutContent.h"
#include "display/ui/DisplayProgram.h"
#include "display/ui/DisplayView.h"
#include "layouts/LayoutStore.h"
#include "media/BenchClips.h"
#include "media/VideoEngine.h"
#include "media/ui/VideoSurface.h"
#include "platform/FileIo.h"
#include "platform/IniFile.h"
#include "platform/ProgramPaths.h"
#include "protocol/DisplayTypeMessage.h"
#include "server/DisplayAssignment.h"
#include "server/DisplayServer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QThreadPool>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* SlotName = "Client 1";
constexpr int VideoType = 1;   // the video fills the window
constexpr int PictureType = 5; // no video: what a display shows before each measured layout
constexpr const char* MappedFolder = "C:\\Media";
constexpr const char* ClipName = "clip.mp4";
// Bounds of the waits: a run that reaches one is reported as timed out, never measured.
constexpr int FetchLimitMs = 60000;
constexpr int ShowLimitMs = 20000;

// The home folder and every XDG folder are the bench's own, set before anything reads them.
class TBenchHome {
public:
    explicit TBenchHome(const std::string& folder)
        : home_("HOME", folder.c_str()), config_("XDG_CONFIG_HOME", (folder + "/config").c_str()),
          cache_("XDG_CACHE_HOME", (folder + "/cache").c_str()),
          state_("XDG_STATE_HOME", (folder + "/state").c_str()),
          data_("XDG_DATA_HOME", (folder + "/data-home").c_str()) {}

private:
    TVariableGuard home_, config_, cache_, state_, data_;
};

// Times a display's way to a video: from the watch's making to the first frame drawn by a layout
// swapped in whose video is the given file, and to the window's first screen.
class TFrameWatch {
public:
    TFrameWatch(TDisplayWindow& window, std::string videoFile)
        : window_(window), videoFile_(std::move(videoFile)) {
        clock_.start();
        QObject::connect(&window, &TDisplayWindow::LayoutShown, &loop_, [this] { WatchShown(); });
        QObject::connect(&window, &TDisplayWindow::FirstScreenShown, &loop_,
                         [this] { firstScreenMs_ = Now(); });
    }

    // The first frame's time, after running the event loop for it up to the limit.
    std::optional<double> WaitForFrame(int limitMs) {
        if (!frameMs_) {
            QTimer guard;
            guard.setSingleShot(true);
            QObject::connect(&guard, &QTimer::timeout, &loop_, &QEventLoop::quit);
            guard.start(limitMs);
            loop_.exec();
        }
        return frameMs_;
    }
    std::optional<double> FirstScreenMs() const { return firstScreenMs_; }

private:
    double Now() const { return static_cast<double>(clock_.nsecsElapsed()) / 1e6; }

    void WatchShown() {
        const TDisplayView* view = window_.ShownView();
        if (view == nullptr || view->VideoSurface() == nullptr ||
            view->Content().VideoFile != videoFile_)
            return;
        QObject::connect(view->VideoSurface(), &TVideoSurface::FramePresented, &loop_, [this] {
            if (!frameMs_) {
                frameMs_ = Now();
                loop_.quit();
            }
        });
    }

    TDisplayWindow& window_;
    const std::string videoFile_;
    QElapsedTimer clock_;
    QEventLoop loop_;
    std::optional<double> frameMs_;
    std::optional<double> firstScreenMs_;
};

// Each side starts with the disk quiet: the other side's writes are on it, not being written back
// while this one is timed.
void Settle() {
    ::sync();
}

// The bare twin of a fetch: curl writing the file to disk, the wall time of its process.
std::optional<double> CurlToDisk(const std::string& url, const std::string& file) {
    Settle();
    QProcess curl;
    QElapsedTimer clock;
    clock.start();
    curl.start(QStringLiteral("curl"), {QStringLiteral("-s"), QStringLiteral("-o"),
                                        QString::fromStdString(file), QString::fromStdString(url)});
    const bool finished = curl.waitForFinished(FetchLimitMs);
    const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    std::filesystem::remove(file);
    if (!finished || curl.exitStatus() != QProcess::NormalExit || curl.exitCode() != 0) {
        std::printf("  curl failed: %s\n", qPrintable(curl.errorString()));
        return std::nullopt;
    }
    return ms;
}

// The operator's server and one display program talking to it, the layouts' video either taken
// by the map to the web server or shown in place.
class TBench {
public:
    TBench(const TTempDir& dir, const TNginxServer& nginx)
        : ini_(dir.File("velmora.ini")), keptPath_(dir.File("state/last-layout")),
          mappedPath_(std::string(MappedFolder) + "\\" + ClipName),
          inPlacePath_(dir.File(std::string("www/") + ClipName)) {
        server_ = std::make_unique<TDisplayServer>(ini_.FileName(), nullptr);
        server_->StartListening(0);
        mapped_.Host = "127.0.0.1";
        mapped_.Port = server_->Server.BoundPort();
        mapped_.Name = SlotName;
        mapped_.WindowedWidth = 1280;
        mapped_.WindowedHeight = 720;
        inPlace_ = mapped_;
        mapped_.Maps = {{MappedFolder, nginx.Url()}};
        mappedConfig_ = ConfigWith(mappedPath_);
        inPlaceConfig_ = ConfigWith(inPlacePath_);
    }
    ~TBench() {
        program_.reset();
        server_.reset();
    }

    // A new display program with the maps and an empty cache, connected and showing a layout
    // without video; false when it did not come up within the bound.
    bool StartEmpty() {
        program_.reset();
        std::filesystem::remove_all(DisplayOptions::MediaCacheFolder());
        // Without a kept layout: the last run's video would be fetched at the start, in the
        // background of the run.
        std::filesystem::remove(keptPath_);
        DisplayAssignment::SetClientDisplayType(ini_, SlotName, PictureType);
        program_ = std::make_unique<TDisplayProgram>(mapped_, keptPath_);
        program_->Start();
        return ShowsWhole(program_->Window(), PictureType, ShowLimitMs);
    }
    // From the operator's refresh to the first frame of the layout's video.
    std::optional<double> RefreshToFrame(bool mapped, int limitMs) {
        AssignVideo(mapped ? mappedPath_ : inPlacePath_);
        Settle();
        TFrameWatch watch(program_->Window(), ShownFile(mapped));
        Refresh();
        return watch.WaitForFrame(limitMs);
    }
    // The server gone, and the display program with it: what an offline start meets.
    void StopServer() {
        program_.reset();
        server_.reset();
    }
    // A new display program, its cache opened anew, starting with the kept layout: from its
    // first screen to the first frame.
    std::optional<double> OfflineStart(bool mapped) {
        program_.reset();
        KeptLayout::Save(keptPath_, {SlotName, VideoType, mapped ? mappedConfig_ : inPlaceConfig_});
        program_ = std::make_unique<TDisplayProgram>(mapped ? mapped_ : inPlace_, keptPath_);
        TFrameWatch watch(program_->Window(), ShownFile(mapped));
        program_->Start();
        const auto frame = watch.WaitForFrame(ShowLimitMs);
        const auto firstScreen = watch.FirstScreenMs();
        program_.reset();
        if (!frame || !firstScreen)
            return std::nullopt;
        return *frame - *firstScreen;
    }

private:
    // The layout text the server sends for the video type with the file.
    std::string ConfigWith(const std::string& layoutPath) {
        AssignVideo(layoutPath);
        const auto message =
            DisplayTypeMessage::Read(server_->DisplayTypeBlockFor(SlotName, mapped_.Host));
        return message ? message->ConfigText : std::string();
    }
    // The operator gives the slot the video type, its video the file.
    void AssignVideo(const std::string& layoutPath) {
        DisplayAssignment::SetClientDisplayType(ini_, SlotName, VideoType);
        ini_.WriteString(LayoutStore::SectionName(SlotName, VideoType),
                         LayoutStore::MediaPlayerKey(0), layoutPath);
    }
    // The file the display plays for the layout: the cache's copy, or the file in place.
    std::string ShownFile(bool mapped) const {
        const TMediaPlace video =
            LayoutOf(VideoType, TLayoutConfig::Parse(mapped ? mappedConfig_ : inPlaceConfig_),
                     mapped_.Maps)
                .Video;
        return video.Source
                   ? MediaCopy::PathIn(DisplayOptions::MediaCacheFolder(), video.Source->CopyName())
                   : video.Path;
    }
    // What the operator's refresh button sends to every connected display.
    void Refresh() {
        auto clients = server_->Clients()->LockList();
        for (const auto& entry : clients)
            SendTo(*entry, server_->DisplayTypeBlockFor(*entry));
    }

    TIniFile ini_;
    const std::string keptPath_;
    const std::string mappedPath_;
    const std::string inPlacePath_;
    std::unique_ptr<TDisplayServer> server_;
    TDisplayOptions mapped_;
    TDisplayOptions inPlace_;
    std::string mappedConfig_;
    std::string inPlaceConfig_;
    std::unique_ptr<TDisplayProgram> program_;
};

size_t AnsweredWith(const TNginxServer& nginx, int status) {
    const auto log = nginx.AccessLog();
    return static_cast<size_t>(
        std::count_if(log.begin(), log.end(),
                      [status](const TAccessEntry& entry) { return entry.status == status; }));
}

// The two sides' medians set against each other, with the figure's goal.
void PrintComparison(const TSeries& ours, const TSeries& twin, const char* goal) {
    const auto a = ours.Median();
    const auto b = twin.Median();
    if (a && b)
        std::printf("  ratio %.2fx, difference %+.1f ms   goal: %s\n", *a / *b, *a - *b, goal);
    else
        std::printf("  not measured   goal: %s\n", goal);
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const TTempDir dir;
    const TBenchHome home(dir.Path());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (!TNginxServer::Available()) {
        std::printf("nginx is not installed: nothing to measure\n");
        return 1;
    }

    TVideoEngine::Prepare();
    QThreadPool::globalInstance()->waitForDone(); // the decoders, as at a display's start
    ProgramPaths::SetExecutablePath(dir.File("velmora-display"));
    // The display's own default picture beside it, as installed: the layout without video.
    FileIo::MakeFolders(dir.File("data"));
    QFile::copy(QString::fromStdString(CheckoutPaths::SourceFile(VELMORA_DATA_FOLDER "1.bmp")),
                QString::fromStdString(dir.File("data/1.bmp")));
    FileIo::MakeFolders(dir.File("www"));
    const std::string clip = dir.File(std::string("www/") + ClipName);
    // Noise does not compress: at 40 Mbit/s, 10 s are about 50 MB.
    if (!MakeClip(clip,
                  "videotestsrc pattern=snow num-buffers=300"
                  " ! video/x-raw,width=1280,height=720,framerate=30/1,format=I420"
                  " ! x264enc speed-preset=ultrafast key-int-max=30 bitrate=40000 ! mp4mux",
                  "the 50 MB clip"))
        return 1;
    TNginxServer nginx(dir.File("www"));
    std::printf("clip: 1280x720 H.264, 10 s, %.1f MB, from nginx on loopback; median of %d runs\n",
                static_cast<double>(std::filesystem::file_size(clip)) / 1e6, runs);

    TBench bench(dir, nginx);
    // Decoders and the server warmed once, unmeasured.
    if (!bench.StartEmpty() || !bench.RefreshToFrame(false, ShowLimitMs))
        std::printf("the warm-up did not show the video\n");

    std::printf("1. fetch to first frame, the cache empty\n");
    TSeries fetched("display, refresh to frame"), curl("curl -s -o FILE URL");
    for (int run = 0; run < runs; ++run) {
        curl.Add(CurlToDisk(nginx.Url() + ClipName, dir.File("curl.mp4")));
        if (bench.StartEmpty())
            fetched.Add(bench.RefreshToFrame(true, FetchLimitMs));
        else
            fetched.Add(std::nullopt);
    }
    fetched.Print();
    curl.Print();
    PrintComparison(fetched, curl, "ratio <= 1.2x");

    std::printf("2. cached and unchanged\n");
    const size_t notModified = AnsweredWith(nginx, 304);
    const size_t withBody = AnsweredWith(nginx, 200);
    TSeries cached("display, from the cache"), inPlace("display, file in place");
    for (int run = 0; run < runs; ++run) {
        cached.Add(bench.RefreshToFrame(true, ShowLimitMs));
        inPlace.Add(bench.RefreshToFrame(false, ShowLimitMs));
    }
    nginx.WaitForAccessLog(notModified + withBody + static_cast<size_t>(runs));
    cached.Print();
    inPlace.Print();
    PrintComparison(cached, inPlace, "difference <= 20 ms");
    std::printf("  conditional GETs answered 304: %zu, answered with the body: %zu\n",
                AnsweredWith(nginx, 304) - notModified, AnsweredWith(nginx, 200) - withBody);

    std::printf("3. offline start: kept layout, nginx and the server gone\n");
    bench.StopServer();
    nginx.Stop();
    TSeries offline("display, from the cache"), offlineInPlace("display, file in place");
    for (int run = 0; run < runs; ++run) {
        offline.Add(bench.OfflineStart(true));
        offlineInPlace.Add(bench.OfflineStart(false));
    }
    offline.Print();
    offlineInPlace.Print();
    PrintComparison(offline, offlineInPlace, "from the cache <= 300 ms");
    return 0;
}
