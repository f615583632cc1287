// What a display meets in the field, each tried as an operator's network would do it, with the
// figures that tell whether the display lasts:
//   videos   600 layouts, one every 100 ms (types 1, 2 and 6 in turn, two clips): descriptors,
//            threads and memory before and after;
//   overwrite the playing video written over in place with another clip, then truncated: CPU
//            and memory over the next 25 s, lines said, and how long until it plays again once
//            a good file is renamed over it;
//   silent   a server that accepts and never answers the registration, and one that sends 700
//            bytes of a block and stalls: the time until "server lost", and whether it tries again;
//   kicks    --kick-quiet 0 against a server that kicks every registration: connections in 10 s;
//   pictures 40 layouts with a 4000 x 4000 JPEG, 10 ms apart, then one with a small picture: the
//            time until the small picture shows;
//   ipv6     --server ::1: what the display program does with it;
//   climb    a layout path C:\Media\..\secret.bmp under the map C:\Media=<folder>: whether the
//            file beside the map's folder is shown.
// Usage: display_field_bench [scenario...] [--program PATH]   (default: every scenario, the
// velmora-display built beside it). It prints figures; it never fails on them.
#include "common/CheckoutPaths.h"
#include "common/DisplayShown.h"
#include "common/ProcessState.h"
#include "common/ScriptedServer.h"
#include "common/StderrCapture.h"
#include "common/TempDir.h"
#include "display/DisplayLink.h"
#include "display/TcpTransport.h"
#include "display/ui/DisplayView.h"
#include "display/ui/DisplayWindow.h"
#include "layouts/LayoutStore.h"
#include "layoutview/PanelColor.h"
#include "media/VideoEngine.h"
#include "platform/FileIo.h"
#include "protocol/DisplayTypeMessage.h"
#include "protocol/KickMessage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <QThreadPool>
#include <cstdio>
#include <mutex>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

std::string Config(int displayType, const std::string& key, const std::string& file) {
    return "[DisplayParams_Client1_" + std::to_string(displayType) + "]\r\n" + key + "=" + file +
           "\r\nEdits_0_Text=Field test\r\n";
}

std::string VideoConfig(int displayType, const std::string& file) {
    return Config(displayType, LayoutStore::MediaPlayerKey(0), file);
}

std::string PictureConfig(int displayType, const std::string& file) {
    return Config(displayType, LayoutStore::ImageKey(0), file);
}

// A display's window at the Play mode window's size, offscreen.
class TBenchDisplay {
public:
    TBenchDisplay() {
        options_.WindowedWidth = 816;
        options_.WindowedHeight = 638;
        window_ = std::make_unique<TDisplayWindow>(options_);
        window_->Present();
    }
    TDisplayWindow& Window() { return *window_; }
    // Shows the layout and waits (up to the bound) until it stands whole; false when it did not.
    bool Show(int displayType, const std::string& config, int boundMs = 10000) {
        window_->ShowLayout(displayType, config);
        return ShownWithin(displayType, boundMs);
    }
    bool ShownWithin(int displayType, int boundMs) {
        return ShowsWhole(*window_, displayType, boundMs);
    }

private:
    TDisplayOptions options_;
    std::unique_ptr<TDisplayWindow> window_;
};

// The lines said.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty())
            lines.push_back(line);
    }
    return lines;
}

void Videos() {
    const std::string clipA = CheckoutPaths::SourceFile(VELMORA_DATA_FOLDER "1.avi");
    const std::string clipB = CheckoutPaths::SourceFile(VELMORA_FORMAT_CLIPS "h264.mp4");
    const std::string picture = CheckoutPaths::SourceFile(VELMORA_DATA_FOLDER "1.bmp");
    const std::pair<int, std::string> layouts[] = {
        {1, VideoConfig(1, clipA)}, {2, VideoConfig(2, clipB)}, {6, PictureConfig(6, picture)}};
    TBenchDisplay display;
    for (const auto& [type, config] : layouts)
        display.Show(type, config);
    QTest::qWait(2000);
    const ProcessState::TUse before = ProcessState::Use(::getpid());
    QElapsedTimer clock;
    clock.start();
    for (int n = 0; n < 600; ++n) {
        const auto& [type, config] = layouts[n % 3];
        display.Window().ShowLayout(type, config);
        QTest::qWait(static_cast<int>(std::max<qint64>(0, (n + 1) * 100 - clock.elapsed())));
    }
    display.ShownWithin(layouts[599 % 3].first, 10000);
    QTest::qWait(3000); // what the last layouts hold is given back
    const ProcessState::TUse after = ProcessState::Use(::getpid());
    std::printf("videos    600 layouts (types 1, 2, 6; two clips), one every 100 ms:\n"
                "          descriptors %ld -> %ld, threads %ld -> %ld, memory %.0f -> %.0f MB\n",
                before.Descriptors, after.Descriptors, before.Threads, after.Threads,
                before.ResidentMb, after.ResidentMb);
}

bool CopyInPlace(const std::string& from, const std::string& to) {
    QFile source(QString::fromStdString(from));
    QFile target(QString::fromStdString(to));
    if (!source.open(QIODevice::ReadOnly) || !target.open(QIODevice::WriteOnly))
        return false;
    return target.write(source.readAll()) >= 0;
}

void Overwrite(const TTempDir& dir) {
    const std::string live = dir.File("live.mp4");
    const std::string good = CheckoutPaths::SourceFile(VELMORA_FORMAT_CLIPS "h264.mp4");
    const std::string other = CheckoutPaths::SourceFile(VELMORA_DATA_FOLDER "1.avi");
    QFile::remove(QString::fromStdString(live));
    CopyInPlace(good, live);
    TBenchDisplay display;
    display.Show(1, VideoConfig(1, live));
    QTest::qWait(3000);
    TStderrCapture capture;
    TVideoEngine* engine = display.Window().ShownView()->Video();
    int failures = 0;
    QObject::connect(engine, &TVideoEngine::Failed, [&] { ++failures; });
    const ProcessState::TUse before = ProcessState::Use(::getpid());
    const double cpuBefore = ProcessState::CpuSeconds();
    QElapsedTimer clock;
    clock.start();
    // `cp other.avi live.mp4`, then truncated to half.
    CopyInPlace(other, live);
    QTest::qWait(1000);
    ::truncate(live.c_str(), static_cast<off_t>(QFile(QString::fromStdString(other)).size() / 2));
    const quint64 framesAtTruncation = engine->FrameNumber();
    QTest::qWait(24000);
    const double wall = static_cast<double>(clock.elapsed()) / 1000.0;
    const double cpu = ProcessState::CpuSeconds() - cpuBefore;
    const ProcessState::TUse after = ProcessState::Use(::getpid());
    const quint64 framesSince = engine->FrameNumber() - framesAtTruncation;

    // The safe way: a good file renamed over it.
    const std::string incoming = dir.File("incoming.mp4");
    CopyInPlace(good, incoming);
    const quint64 framesAtRename = engine->FrameNumber();
    clock.restart();
    std::rename(incoming.c_str(), live.c_str());
    const bool again = QTest::qWaitFor(
        [&] {
            return engine->State() == TVideoEngine::TState::Playing &&
                   engine->FrameNumber() > framesAtRename + 10;
        },
        90000);
    const double againS = static_cast<double>(clock.elapsed()) / 1000.0;
    const std::vector<std::string> said = Lines(capture.Text());
    std::printf("overwrite the playing video written over in place, then truncated, 25 s:\n"
                "          cpu %.0f %% of a core, memory %+.0f MB, frames after the truncation "
                "%llu, failures signalled %d\n",
                100.0 * cpu / wall, after.ResidentMb - before.ResidentMb,
                static_cast<unsigned long long>(framesSince), failures);
    std::printf("          lines on stderr %zu%s\n", said.size(), said.empty() ? "" : ":");
    for (const std::string& line : said)
        std::printf("            %s\n", line.c_str());
    if (again)
        std::printf("          a good file renamed over it plays again after %.1f s\n", againS);
    else
        std::printf("          a good file renamed over it: not playing after %.0f s\n", againS);
}

class TLinkLines : public IDisplayLinkEvents {
public:
    void Status(const std::string& line) override {
        const std::lock_guard lock(lock_);
        lines_.push_back(line);
    }
    void LayoutReceived(int, const std::string&) override {}
    void MessageReceived(const std::string&) override {}
    std::optional<std::string> Find(const std::string& part) {
        const std::lock_guard lock(lock_);
        for (const std::string& line : lines_) {
            if (line.find(part) != std::string::npos)
                return line;
        }
        return std::nullopt;
    }

private:
    std::mutex lock_;
    std::vector<std::string> lines_;
};

// Runs the display's link against the server until the condition holds or the bound passes.
template <typename TDone>
double RunLink(TDisplayOptions options, const TScriptedServer& server, TLinkLines& lines,
               TDone done, std::chrono::seconds bound) {
    options.Host = "127.0.0.1";
    options.Port = server.Port();
    options.Name = "Client 1";
    TTcpTransport transport;
    TDisplayLink link(options, "field", transport, lines);
    std::thread running([&] { link.Run(); });
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < std::chrono::milliseconds(bound).count())
        std::this_thread::sleep_for(20ms);
    const double seconds = static_cast<double>(clock.elapsed()) / 1000.0;
    link.Stop();
    running.join();
    return seconds;
}

void Silent() {
    const TExchangeBlock answer = DisplayTypeMessage::Make({1, "127.0.0.1", "[S]\r\n"});
    const struct {
        const char* Name;
        TScriptedServer::TScript Script;
    } servers[] = {
        {"never answers the registration", [](TScriptedServer::TConnection&) { return true; }},
        {"sends 700 bytes of a block and stalls",
         [&answer](TScriptedServer::TConnection& c) { return c.Send(&answer, 700); }},
    };
    for (const auto& server : servers) {
        TScriptedServer scripted(server.Script);
        TLinkLines lines;
        const double seconds = RunLink(
            TDisplayOptions{}, scripted, lines,
            [&] { return lines.Find("server lost").has_value() && scripted.Accepted() >= 2; }, 90s);
        const auto lost = lines.Find("server lost");
        std::printf("silent    a server that %s:\n          %s\n", server.Name,
                    lost ? ("\"" + *lost +
                            "\", tried again: " + (scripted.Accepted() >= 2 ? "yes" : "no") +
                            ", after " + std::to_string(static_cast<int>(seconds)) + " s")
                               .c_str()
                         : "no \"server lost\" within 90 s, never tried again");
    }
}

void Kicks() {
    TScriptedServer kicking([](TScriptedServer::TConnection& c) {
        c.Send(KickMessage::Make({"127.0.0.1"}));
        return false;
    });
    TDisplayOptions options;
    options.KickQuietSeconds = 0;
    TLinkLines lines;
    RunLink(
        options, kicking, lines, [] { return false; }, 10s);
    std::printf("kicks     --kick-quiet 0, a server that kicks every registration: %d connections "
                "in 10 s\n",
                kicking.Accepted());
}

void Pictures(const TTempDir& dir) {
    const std::string large = dir.File("large.jpg");
    const std::string small = dir.File("small.bmp");
    QImage noise(4000, 4000, QImage::Format_RGB32);
    for (int y = 0; y < noise.height(); ++y) {
        auto* row = reinterpret_cast<quint32*>(noise.scanLine(y));
        for (int x = 0; x < noise.width(); ++x)
            row[x] = QRandomGenerator::global()->generate();
    }
    noise.save(QString::fromStdString(large), "JPEG", 90);
    QImage(64, 64, QImage::Format_RGB32).save(QString::fromStdString(small), "BMP");

    TBenchDisplay display;
    display.Show(6, PictureConfig(6, small));
    QElapsedTimer clock;
    clock.start();
    // As the link hands them over: each in an event of its own, 10 ms apart.
    for (int n = 0; n < 40; ++n) {
        display.Window().ShowLayout(5, PictureConfig(5, large));
        QTest::qWait(10);
    }
    const double arrived = static_cast<double>(clock.elapsed()) / 1000.0;
    const bool shown = display.Show(7, PictureConfig(7, small), 120000);
    const double total = static_cast<double>(clock.elapsed()) / 1000.0;
    std::printf("pictures  40 layouts with a 4000 x 4000 JPEG, 10 ms apart, then a small picture:\n"
                "          shown %.2f s after the first layout, %.2f s after its own%s\n",
                total, total - arrived, shown ? "" : " (not within 120 s)");
    QThreadPool::globalInstance()->waitForDone();
}

void Ipv6(const QString& program, const TTempDir& dir) {
    QProcess display;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("HOME"), QString::fromStdString(dir.Path()));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(dir.File("cfg")));
    environment.insert(QStringLiteral("XDG_STATE_HOME"), QString::fromStdString(dir.File("st")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(dir.Path()));
    display.setProcessEnvironment(environment);
    display.start(program, {QStringLiteral("--server"), QStringLiteral("::1"),
                            QStringLiteral("--name"), QStringLiteral("Client 1"),
                            QStringLiteral("--windowed"), QStringLiteral("816x638")});
    const bool ended = display.waitForFinished(8000);
    if (!ended) {
        display.kill();
        display.waitForFinished();
    }
    // What it says of the server.
    QByteArray first;
    for (const QByteArray& line : display.readAllStandardError().split('\n')) {
        if (first.isEmpty() && (line.contains("reach") || line.contains("--server")))
            first = line;
    }
    std::printf("ipv6      --server ::1: %s\n          \"%s\"\n",
                ended ? ("ends with exit status " + std::to_string(display.exitCode())).c_str()
                      : "still running after 8 s",
                first.constData());
}

void Climb(const TTempDir& dir) {
    FileIo::MakeFolders(dir.File("media"));
    const std::string secret = dir.File("secret.bmp");
    QImage picture(64, 64, QImage::Format_RGB32);
    picture.fill(Qt::red);
    picture.save(QString::fromStdString(secret), "BMP");
    TDisplayOptions options;
    options.WindowedWidth = 816;
    options.WindowedHeight = 638;
    options.Maps.push_back({"C:\\Media", dir.File("media")});
    TDisplayWindow window(options);
    window.Present();
    window.ShowLayout(5, PictureConfig(5, "C:\\Media\\..\\secret.bmp"));
    if (!QTest::qWaitFor(
            [&] { return window.ShownView() != nullptr && window.ShownView()->IsReady(); }, 10000))
        std::printf("climb     the layout did not show within 10 s\n");
    const QImage screen = window.grab().toImage();
    const QColor middle = screen.pixelColor(screen.width() / 2, screen.height() / 2);
    std::printf("climb     C:\\Media\\..\\secret.bmp under the map C:\\Media=<folder>/media: the "
                "file beside the map's folder is %s\n",
                middle == QColor(Qt::red) ? "shown" : "not shown");
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QString program = QStringLiteral(VELMORA_DISPLAY_PROGRAM);
    QStringList scenarios;
    for (int i = 1; i < argc; ++i) {
        if (QString::fromLocal8Bit(argv[i]) == QLatin1String("--program") && i + 1 < argc)
            program = QString::fromLocal8Bit(argv[++i]);
        else
            scenarios << QString::fromLocal8Bit(argv[i]);
    }
    const auto wanted = [&](const char* name) {
        return scenarios.isEmpty() || scenarios.contains(QLatin1String(name));
    };
    TVideoEngine::Prepare();
    QThreadPool::globalInstance()->waitForDone();
    TTempDir dir;
    TConfigHomeGuard home(dir.Path());
    if (wanted("videos"))
        Videos();
    if (wanted("overwrite"))
        Overwrite(dir);
    if (wanted("silent"))
        Silent();
    if (wanted("kicks"))
        Kicks();
    if (wanted("pictures"))
        Pictures(dir);
    if (wanted("ipv6"))
        Ipv6(program, dir);
    if (wanted("climb"))
        Climb(dir);
    return 0;
}
