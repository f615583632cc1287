// What displays that never read cost everybody else: with four of them and one client flooding
// broadcasts, a new display's registration round trip and the window thread's longest wait for
// the client table, each beside the same figure on a quiet server.
#include "console/ActivityLog.h"
#include "platform/IniFile.h"
#include "server/DisplayServer.h"
#include "server/TestClient.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

struct TFigures {
    double registerMedian, registerP99, lockMax;
};

TFigures Measure(bool stalled) {
    char folder[] = "/tmp/velmora-stall-XXXXXX";
    const std::string ini = std::string(::mkdtemp(folder)) + "/velmora.ini";
    TActivityLog log;
    TDisplayServer server(ini, [&log](std::string line) { log.AddLog(std::move(line)); });
    server.StartListening(0);
    const uint16_t port = server.Server.BoundPort();

    std::vector<std::unique_ptr<TTestClient>> stuck;
    std::atomic<bool> stop{false};
    std::thread flood;
    if (stalled) {
        for (int i = 0; i < 4; ++i)
            stuck.push_back(
                std::make_unique<TTestClient>(port, "127.0.0.2" + std::to_string(i), 4096));
        flood = std::thread([&] {
            TTestClient talker(port, "127.0.0.30");
            const TExchangeBlock message = ClientBlock("MESSAGE", "t", "flood", "", "");
            while (!stop) {
                talker.Send(message);
                talker.Receive(100);
            }
        });
    }

    // The window thread's side: the 100 ms tick takes the table lock for one pass.
    double lockMax = 0;
    std::vector<double> trips;
    for (int i = 0; i < 300; ++i) {
        const auto before = Clock::now();
        { auto list = server.Clients()->LockList(); }
        lockMax = std::max(lockMax, Ms(Clock::now() - before));
        TTestClient display(port, "127.0.0.40");
        const auto start = Clock::now();
        display.Send(ClientBlock("REGISTER", "d", "", "", "Client 5"));
        if (!display.Receive())
            std::fprintf(stderr, "registration %d unanswered\n", i);
        trips.push_back(Ms(Clock::now() - start));
    }
    stop = true;
    if (flood.joinable())
        flood.join();
    std::sort(trips.begin(), trips.end());
    return {trips[trips.size() / 2], trips[trips.size() * 99 / 100], lockMax};
}

} // namespace

int main() {
    const TFigures quiet = Measure(false);
    const TFigures stalled = Measure(true);
    std::printf("%-44s %10s %10s\n", "", "stalled", "quiet");
    std::printf("%-44s %8.3f ms %8.3f ms\n", "registration round trip, median",
                stalled.registerMedian, quiet.registerMedian);
    std::printf("%-44s %8.3f ms %8.3f ms\n", "registration round trip, 99th percentile",
                stalled.registerP99, quiet.registerP99);
    std::printf("%-44s %8.3f ms %8.3f ms\n", "window thread's longest wait for the table",
                stalled.lockMax, quiet.lockMax);
    return 0;
}
