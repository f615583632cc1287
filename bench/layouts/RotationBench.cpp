// Plays rotations of the tests' format clips and a picture through the rotation player into one
// surface, as the video box shows them, and prints for each change of item the time from the
// last frame drawn of the one to the first frame drawn of the next (a picture's time on show
// taken off), beside the longer frame interval of the two; whether the panel or a black frame
// showed between; and the CPU time per wall time of the rotation beside the same clips each
// played as a single-file loop for as long.
// Usage: rotation_bench [all]   (default: the fifteen formats in one rotation with a picture
// after every fifth, then clips of other frame rates and sizes made at the start (RateClips.h)
// among a few formats and the picture; all: every pair of formats both ways with a picture,
// [a, b, a, picture], and every pair of a clip of another rate with another or with one of those
// few formats, some 14 minutes). Runs headless unless QT_QPA_PLATFORM says otherwise. It prints
// figures; it never fails on them.

#include "RateClips.h"
#include "common/CheckoutPaths.h"
#include "common/TempDir.h"
#include "layoutview/RotationPlayer.h"
#include "media/CountingPanel.h"
#include "media/FormatClips.h"
#include "media/VideoEngine.h"
#include "media/ui/VideoSurface.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThreadPool>
#include <QTimer>
#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

using namespace std::chrono_literals;
using TKind = TRotationItem::TKind;

constexpr QSize DrawnSize(320, 240);
constexpr double PictureMs = 1000;
// Between two pictures a change is measured against this interval.
constexpr double PictureIntervalMs = 40;
// The 25 fps formats the clips of other frame rates and sizes change to and from.
constexpr std::array MixedFormats{"h264.mp4", "mjpeg.avi", "vp9.webm", "mpeg2.mpg"};

double CpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Of a picture's (drawn once): 0, so that its neighbour video's interval counts.
double Median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct TDrawn {
    double AtMs;
    size_t Item;
};

struct TRun {
    double WallMs = 0;
    double CpuMs = 0;
    int Changes = 0;
    int OverGoal = 0;
    double WorstOverIntervalMs = -1e9;
    int PanelPaints = 0;
    int BlackFrames = 0;
};

std::string Name(const TRotationItem& item) {
    return item.Kind == TKind::Picture ? "picture" : item.Path.substr(item.Path.rfind('/') + 1);
}

// Plays the rotation once round, back to its first item, printing each change.
TRun PlayRound(const std::vector<TRotationItem>& items) {
    TCountingPanel panel;
    panel.resize(DrawnSize);
    auto* surface = new TVideoSurface(&panel);
    surface->setGeometry(QRect(QPoint(0, 0), DrawnSize));
    panel.SurfaceArea = surface->geometry();
    panel.show();
    TRotationPlayer player(surface);
    QObject::connect(&player, &TRotationPlayer::Problem,
                     [](const QString& line) { std::printf("  %s\n", qPrintable(line)); });
    std::vector<TDrawn> drawn;
    TRun run;
    int panelPaintsAtFirst = -1;
    double cpuAtFirst = 0;
    QElapsedTimer clock;
    QEventLoop loop;
    QObject::connect(surface, &TVideoSurface::FramePresented, [&] {
        const auto item = player.ShownItem();
        if (!item)
            return;
        if (drawn.empty()) {
            panelPaintsAtFirst = panel.PaintsUnderSurface;
            cpuAtFirst = CpuMs();
        }
        run.BlackFrames += IsBlack(player.ShownFrame()) ? 1 : 0;
        drawn.push_back({static_cast<double>(clock.nsecsElapsed()) / 1e6, *item});
        if (*item == 0 && drawn.front().Item == 0 && drawn.size() > 1 &&
            drawn[drawn.size() - 2].Item == items.size() - 1)
            loop.quit();
    });
    // A hang guard only.
    QTimer::singleShot(static_cast<int>(items.size()) * 10000, &loop, &QEventLoop::quit);
    clock.start();
    player.Play(items, 1s);
    loop.exec();
    if (drawn.size() < 2)
        return run;
    run.WallMs = drawn.back().AtMs - drawn.front().AtMs;
    run.CpuMs = CpuMs() - cpuAtFirst;
    run.PanelPaints = panel.PaintsUnderSurface - panelPaintsAtFirst;

    // Each item's frame interval, as drawn within it.
    std::vector<std::vector<double>> within(items.size());
    for (size_t i = 1; i < drawn.size(); ++i) {
        if (drawn[i].Item == drawn[i - 1].Item)
            within[drawn[i].Item].push_back(drawn[i].AtMs - drawn[i - 1].AtMs);
    }
    for (size_t i = 1; i < drawn.size(); ++i) {
        const TDrawn& last = drawn[i - 1];
        const TDrawn& first = drawn[i];
        if (first.Item == last.Item)
            continue;
        const bool fromPicture = items[last.Item].Kind == TKind::Picture;
        const double gap = first.AtMs - last.AtMs - (fromPicture ? PictureMs : 0);
        // A picture's interval is its neighbour video's; between two pictures, 40 ms.
        const double videos = std::max(Median(within[last.Item]), Median(within[first.Item]));
        const double interval = videos > 0 ? videos : PictureIntervalMs;
        const bool over = gap > interval + 2;
        ++run.Changes;
        run.OverGoal += over ? 1 : 0;
        run.WorstOverIntervalMs = std::max(run.WorstOverIntervalMs, gap - interval);
        std::printf("  %-13s -> %-13s %6.1f ms  interval %5.1f ms%s\n",
                    Name(items[last.Item]).c_str(), Name(items[first.Item]).c_str(), gap, interval,
                    over ? "  over the goal" : "");
    }
    std::fflush(stdout);
    return run;
}

// CPU per wall time of the clips each looped alone, each for the time given.
double LoopedCpuPercent(const std::vector<std::string>& clips, double msEach) {
    double cpu = 0;
    double wall = 0;
    for (const std::string& clip : clips) {
        TVideoEngine engine;
        TVideoSurface surface;
        surface.SetEngine(&engine);
        surface.resize(DrawnSize);
        surface.show();
        QEventLoop loop;
        QElapsedTimer clock;
        double cpuAtFirst = -1;
        QObject::connect(&engine, &TVideoEngine::PassEnded, &engine, &TVideoEngine::Play);
        QObject::connect(&surface, &TVideoSurface::FramePresented, [&] {
            if (cpuAtFirst < 0) {
                cpuAtFirst = CpuMs();
                clock.start();
                QTimer::singleShot(static_cast<int>(msEach), &loop, &QEventLoop::quit);
            }
        });
        QTimer::singleShot(30000, &loop, &QEventLoop::quit);
        engine.Open(QString::fromStdString(clip));
        engine.Play();
        loop.exec();
        if (cpuAtFirst >= 0) {
            cpu += CpuMs() - cpuAtFirst;
            wall += static_cast<double>(clock.nsecsElapsed()) / 1e6;
        }
    }
    return wall > 0 ? 100 * cpu / wall : 0;
}

std::string ClipPath(const char* file) {
    return CheckoutPaths::SourceFile(VELMORA_FORMAT_CLIPS) + file;
}

void Add(TRun& total, const TRun& run) {
    total.WallMs += run.WallMs;
    total.CpuMs += run.CpuMs;
    total.Changes += run.Changes;
    total.OverGoal += run.OverGoal;
    total.WorstOverIntervalMs = std::max(total.WorstOverIntervalMs, run.WorstOverIntervalMs);
    total.PanelPaints += run.PanelPaints;
    total.BlackFrames += run.BlackFrames;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bool all = argc > 1 && std::string(argv[1]) == "all";
    TVideoEngine::Prepare();
    QThreadPool::globalInstance()->waitForDone();
    const TRotationItem picture{CheckoutPaths::SourceFile(VELMORA_DATA_FOLDER "1.bmp"),
                                TKind::Picture, 1};
    const TTempDir rateFolder;
    const std::vector<std::string> rateClips = MakeRateClips(rateFolder.Path());

    std::vector<std::vector<TRotationItem>> rotations;
    if (all) {
        for (size_t a = 0; a < FormatClips.size(); ++a) {
            for (size_t b = a + 1; b < FormatClips.size(); ++b) {
                const TRotationItem first{ClipPath(FormatClips[a].File), TKind::Video, {}};
                const TRotationItem second{ClipPath(FormatClips[b].File), TKind::Video, {}};
                rotations.push_back({first, second, first, picture});
            }
        }
    } else {
        std::vector<TRotationItem> items;
        for (size_t i = 0; i < FormatClips.size(); ++i) {
            items.push_back({ClipPath(FormatClips[i].File), TKind::Video, {}});
            if (i % 5 == 4)
                items.push_back(picture);
        }
        items.push_back(picture); // two pictures in a row
        rotations.push_back(items);
    }
    // From here on, rotations with clips of other frame rates and sizes.
    const size_t firstAtRates = rotations.size();
    if (all) {
        for (size_t a = 0; a < rateClips.size(); ++a) {
            std::vector<std::string> others(rateClips.begin() + static_cast<long>(a) + 1,
                                            rateClips.end());
            for (const char* format : MixedFormats)
                others.push_back(ClipPath(format));
            const TRotationItem first{rateClips[a], TKind::Video, {}};
            for (const std::string& other : others)
                rotations.push_back({first, {other, TKind::Video, {}}, first, picture});
        }
    } else if (!rateClips.empty()) {
        // Each clip of another rate after a 25 fps clip or the picture, and before the other.
        std::vector<TRotationItem> items{{ClipPath(MixedFormats[0]), TKind::Video, {}}};
        for (size_t i = 0; i < rateClips.size(); ++i) {
            items.push_back({rateClips[i], TKind::Video, {}});
            const char* format = MixedFormats[(i / 2 + 1) % MixedFormats.size()];
            items.push_back(i % 2 == 0 ? picture
                                       : TRotationItem{ClipPath(format), TKind::Video, {}});
        }
        rotations.push_back(items);
    }

    std::printf("Rotations drawn at %dx%d; goal: every change <= the longer frame interval + 2 "
                "ms, no panel or black frame between, CPU <= 1.1 x the clips looped alone\n\n",
                DrawnSize.width(), DrawnSize.height());
    TRun total;
    TRun atRates;
    std::vector<std::string> clips;
    for (size_t r = 0; r < rotations.size(); ++r) {
        const auto& items = rotations[r];
        if (r == firstAtRates)
            std::printf("\nOther frame rates and sizes:\n");
        const TRun run = PlayRound(items);
        Add(total, run);
        if (r >= firstAtRates)
            Add(atRates, run);
        for (const TRotationItem& item : items) {
            if (item.Kind == TKind::Video)
                clips.push_back(item.Path);
        }
    }
    const double rotationCpu = total.WallMs > 0 ? 100 * total.CpuMs / total.WallMs : 0;
    // Each clip looped alone for its share of the rotation's time.
    const double loopedCpu = LoopedCpuPercent(
        clips, clips.empty() ? 0 : total.WallMs / static_cast<double>(clips.size()));
    std::printf("\n%d changes, %d over the goal, worst %.1f ms over the longer interval; panel "
                "painted %d times and %d black frames between the first frame and the last\n"
                "CPU: rotation %.1f %%, the clips looped alone %.1f %% (%.2f x)\n",
                total.Changes, total.OverGoal, total.WorstOverIntervalMs, total.PanelPaints,
                total.BlackFrames, rotationCpu, loopedCpu,
                loopedCpu > 0 ? rotationCpu / loopedCpu : 0);
    std::printf("Of those, in the rotations at other frame rates and sizes: %d changes, %d over "
                "the goal, worst %.1f ms over; panel painted %d times and %d black frames\n",
                atRates.Changes, atRates.OverGoal, atRates.WorstOverIntervalMs, atRates.PanelPaints,
                atRates.BlackFrames);
    return 0;
}
