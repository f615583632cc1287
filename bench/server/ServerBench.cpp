// Figures of the display server on loopback, each beside the same measure for a bare
// thread-per-connection TCP server moving 1505-byte blocks, and the ratio of the two.
#include "BareServer.h"
#include "console/ActivityLog.h"
#include "platform/IniFile.h"
#include "server/DisplayServer.h"
#include "server/TestClient.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// A program .ini as an operator's would be after a while: 16 clients with a layout for each of
// the eight display types.
std::string MakeRealisticIni() {
    char folder[] = "/tmp/velmora-bench-XXXXXX";
    const std::string dir = ::mkdtemp(folder);
    const std::string path = dir + "/velmora.ini";
    std::ofstream out(path);
    out << "[ServerParams]\nServerPort=5678\nServerAutoStart=1\n";
    for (int c = 1; c <= 16; ++c) {
        out << "[ClientDisplay_Client" << c << "]\nDisplayType=" << (c % 8) + 1 << "\n";
        for (int t = 1; t <= 8; ++t) {
            out << "[DisplayParams_Client" << c << "_" << t << "]\n";
            if (t >= 5)
                out << "Images_0_FileName=/srv/media/pictures/client" << c << "_" << t << ".jpg\n";
            const int texts = (t % 4 == 1) ? 0 : (t % 4 == 2) ? 1 : (t % 4 == 3) ? 5 : 6;
            for (int e = 0; e < texts; ++e)
                out << "Edits_" << e << "_Text=Today's offer number " << e << " for hall " << c
                    << "\n";
            if (t <= 4)
                out << "MediaPlayers_0_FileName=/srv/media/video/client" << c << "_" << t
                    << ".avi\n";
        }
    }
    return path;
}

struct TPercentiles {
    double median, p99;
};

TPercentiles Percentiles(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v[std::min(v.size() - 1, v.size() * 99 / 100)]};
}

TPercentiles RoundTrips(uint16_t port, const TExchangeBlock& request, int count) {
    std::vector<std::unique_ptr<TTestClient>> idle;
    for (int i = 0; i < 15; ++i)
        idle.push_back(std::make_unique<TTestClient>(port, "127.0.0." + std::to_string(i + 2)));
    TTestClient client(port, "127.0.0.100");
    std::vector<double> times;
    for (int i = 0; i < count; ++i) {
        const auto start = Clock::now();
        client.Send(request);
        if (!client.Receive())
            break;
        times.push_back(Ms(Clock::now() - start));
    }
    return Percentiles(times);
}

double FanOutPerSecond(uint16_t port, const TExchangeBlock& message, int receivers) {
    std::vector<std::unique_ptr<TTestClient>> clients;
    for (int i = 0; i < receivers; ++i)
        clients.push_back(std::make_unique<TTestClient>(port, "127.0.1." + std::to_string(i + 1)));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::atomic<long> delivered{0};
    std::atomic<bool> stop{false};
    std::vector<std::thread> readers;
    for (auto& c : clients) {
        readers.emplace_back([&, client = c.get()] {
            while (!stop) {
                if (client->Receive(100))
                    ++delivered;
            }
        });
    }
    const auto start = Clock::now();
    while (Clock::now() - start < std::chrono::seconds(2))
        clients[0]->Send(message);
    const long sentDelivered = delivered;
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    stop = true;
    for (auto& r : readers)
        r.join();
    return static_cast<double>(sentDelivered) / seconds;
}

// One display's visit: connect, register, take the answer, leave. A client that connects and
// leaves at once would only measure the listen backlog overflowing.
template <typename TSettled>
double ChurnPerSecond(uint16_t port, const TExchangeBlock& request, TSettled settled) {
    int count = 0;
    const auto start = Clock::now();
    while (Clock::now() - start < std::chrono::seconds(2)) {
        TTestClient client(port, "");
        client.Send(request);
        if (!client.Receive())
            break;
        ++count;
    }
    settled();
    return count / std::chrono::duration<double>(Clock::now() - start).count();
}

struct TProcessFigures {
    long rssKb = 0;
    long threads = 0;
};

TProcessFigures ReadProcess() {
    std::ifstream status("/proc/self/status");
    TProcessFigures f;
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:")
            status >> f.rssKb;
        else if (key == "Threads:")
            status >> f.threads;
    }
    return f;
}

template <typename TCount>
TProcessFigures IdleCost(uint16_t port, int connections, TCount accepted) {
    const TProcessFigures before = ReadProcess();
    std::vector<std::unique_ptr<TTestClient>> clients;
    for (int i = 0; i < connections; ++i)
        clients.push_back(
            std::make_unique<TTestClient>(port, "127.0.3." + std::to_string(i % 250 + 1)));
    WaitFor([&] { return accepted() >= static_cast<size_t>(connections); }, 10000);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const TProcessFigures after = ReadProcess();
    return {after.rssKb - before.rssKb, after.threads - before.threads};
}

void Row(const char* name, double ours, double bare, const char* unit) {
    std::printf("%-44s %12.3f %12.3f %8.2f  %s\n", name, ours, bare, bare != 0 ? ours / bare : 0.0,
                unit);
}

} // namespace

int main() {
    const std::string ini = MakeRealisticIni();
    TActivityLog log;
    std::printf("%-44s %12s %12s %8s\n", "figure", "velmora", "bare TCP", "ratio");

    const TExchangeBlock reg = ClientBlock("REGISTER", "bench", "", "", "Client 3");
    const TExchangeBlock message = ClientBlock("MESSAGE", "bench", "offer", "", "");
    {
        TDisplayServer server(ini, [&](std::string l) { log.AddLog(std::move(l)); });
        server.StartListening(0);
        TBareServer bare(TBareServer::TMode::Echo);
        // Right after a change the .ini is read and parsed at every registration.
        const auto fresh = RoundTrips(server.Server.BoundPort(), reg, 300);
        // An operator's .ini is mostly older than a moment: it is read through its parsed copy.
        std::this_thread::sleep_for(std::chrono::nanoseconds(TIniFile::SettleTimeNs));
        const auto ours = RoundTrips(server.Server.BoundPort(), reg, 3000);
        const auto theirs = RoundTrips(bare.Port(), reg, 3000);
        Row("registration round trip, median", ours.median, theirs.median, "ms");
        Row("registration round trip, 99th percentile", ours.p99, theirs.p99, "ms");
        Row("registration round trip, .ini just changed", fresh.median, theirs.median, "ms");
    }
    {
        TDisplayServer server(ini, [&](std::string l) { log.AddLog(std::move(l)); });
        server.StartListening(0);
        const double ours = FanOutPerSecond(server.Server.BoundPort(), message, 16);
        TBareServer bare(TBareServer::TMode::FanOut);
        const double theirs = FanOutPerSecond(bare.Port(), message, 16);
        Row("broadcast fan-out to 16 clients", ours, theirs, "blocks delivered/s");
    }
    {
        TDisplayServer server(ini, [&](std::string l) { log.AddLog(std::move(l)); });
        server.StartListening(0);
        const double ours = ChurnPerSecond(server.Server.BoundPort(), reg, [&] {
            WaitFor([&] { return server.Clients()->LockList().Count() == 0; }, 10000);
        });
        TBareServer bare(TBareServer::TMode::Echo);
        const double theirs = ChurnPerSecond(bare.Port(), reg, [] {});
        Row("connect, register, disconnect churn", ours, theirs, "connections/s");
    }
    {
        TProcessFigures ours, theirs;
        {
            TDisplayServer server(ini, [&](std::string l) { log.AddLog(std::move(l)); });
            server.StartListening(0);
            ours = IdleCost(server.Server.BoundPort(), 200,
                            [&] { return server.Clients()->LockList().Count(); });
        }
        {
            TBareServer bare(TBareServer::TMode::Echo);
            theirs = IdleCost(bare.Port(), 200, [] { return size_t{200}; });
        }
        Row("resident memory added by 200 idle clients", static_cast<double>(ours.rssKb),
            static_cast<double>(theirs.rssKb), "KiB (both ends in this process)");
        Row("threads added by 200 idle clients", static_cast<double>(ours.threads),
            static_cast<double>(theirs.threads), "threads");
    }
    return 0;
}
