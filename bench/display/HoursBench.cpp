// A display keeping its screen's hours, offscreen, with a 1080p video layout: the CPU while the
// screen is off beside the same layout playing, and the time from the start of the hours, as the
// display's clock sees it, to the first frame on the screen. The display's clock runs a few
// seconds ahead of the system's so that the hours begin soon after the start.
// Usage: display_hours_bench [ROUNDS]   (default 5). It prints figures; it never fails on them.
#include "common/FixedClock.h"
#include "common/ProcessState.h"
#include "common/TempDir.h"
#include "display/ui/DisplayProgram.h"
#include "display/ui/DisplayView.h"
#include "layouts/LayoutStore.h"
#include "media/BenchClips.h"
#include "media/VideoEngine.h"

#include <QApplication>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using namespace std::chrono;

// The system's clock moved by an offset the bench sets.
class TAheadClock : public TFixedClock {
public:
    system_clock::time_point Now() override { return system_clock::now() + ahead; }
    system_clock::duration ahead{};
};

constexpr auto Measured = 10s;

double CpuPercentOver(seconds span) {
    const double before = ProcessState::CpuSeconds();
    QTest::qWait(static_cast<int>(duration_cast<milliseconds>(span).count()));
    return 100 * (ProcessState::CpuSeconds() - before) / duration<double>(span).count();
}

// Hours that begin at the clock's next whole minute and last ten minutes.
std::string HoursFrom(system_clock::time_point now, system_clock::time_point* start) {
    const auto zone = Hours::LocalZone();
    const auto minute = ceil<minutes>(now + 1s);
    *start = minute;
    const auto local = floor<seconds>(minute) + zone(floor<seconds>(minute));
    const auto hm = hh_mm_ss(local - floor<days>(local));
    const int from = static_cast<int>(hm.hours().count() * 60 + hm.minutes().count());
    const int to = (from + 10) % 1440;
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d-%02d:%02d", from / 60, from % 60, to / 60, to % 60);
    return text;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    TTempDir dir;
    const std::string clip = dir.File("hd.mp4");
    if (!MakeHdClip(clip, 4))
        return 1;
    const std::string config =
        "[DisplayParams_Client1_2]\r\n" + LayoutStore::MediaPlayerKey(0) + "=" + clip + "\r\n";

    std::vector<double> offCpu, onCpu, firstFrameMs;
    for (int round = 0; round < rounds; ++round) {
        TAheadClock clock;
        system_clock::time_point start;
        const std::string hours = HoursFrom(system_clock::now(), &start);
        // The hours begin 12 s after the display starts, by its clock.
        clock.ahead = start - 12s - system_clock::now();
        TDisplayOptions options;
        options.WindowedWidth = 1280;
        options.WindowedHeight = 720;
        options.ScreenHours = Hours::THours::Parse(hours);
        options.Cec = "off";
        TDisplayProgram program(options, dir.File("kept"));
        program.Start();
        program.LayoutReceived(2, config);
        QTest::qWait(500);
        offCpu.push_back(CpuPercentOver(Measured));
        const TDisplayView* view = nullptr;
        const auto shown = [&] {
            view = program.Window().ShownView();
            return view != nullptr && view->Video() != nullptr && view->Video()->FrameNumber() > 0;
        };
        if (!QTest::qWaitFor(shown, 20000)) {
            std::printf("round %d: no frame after the hours began\n", round + 1);
            continue;
        }
        firstFrameMs.push_back(duration<double, std::milli>(clock.Now() - start).count());
        onCpu.push_back(CpuPercentOver(Measured));
        std::printf("round %d: off %.2f %% CPU, first frame %.0f ms after the start of hours, "
                    "playing %.1f %% CPU\n",
                    round + 1, offCpu.back(), firstFrameMs.back(), onCpu.back());
    }
    if (firstFrameMs.empty())
        return 1;
    std::sort(firstFrameMs.begin(), firstFrameMs.end());
    std::printf("screen off: CPU %.2f %% of a core at most (goal under 1 %%); the same layout "
                "playing: %.1f %%\n",
                *std::max_element(offCpu.begin(), offCpu.end()),
                *std::max_element(onCpu.begin(), onCpu.end()));
    std::printf("start of hours to first frame: median %.0f ms, worst %.0f ms (goal 1000 ms)\n",
                firstFrameMs[firstFrameMs.size() / 2], firstFrameMs.back());
    return 0;
}
