// What a hostile host on the LAN costs the displays: 10,000 connection attempts, 2,000 idle
// connections held open and (run as root) the server's thread limit reached. Then: how long a
// display waits to register once the flood ends, beside the same registration on a quiet
// server, and whether the server comes back to its idle counts of clients, threads and
// descriptors. The server runs as a process of its own, so that its counts are its alone.
#include "common/ChildProcess.h"
#include "common/ProcessState.h"
#include "common/TempDir.h"
#include "platform/FileIo.h"
#include "server/TestClient.h"

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// A connection attempt as a flood makes it: non-blocking, given up after a moment.
int Attempt(uint16_t port, const std::string& source) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    ::inet_pton(AF_INET, source.c_str(), &local.sin_addr);
    ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(port);
    server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::connect(fd, reinterpret_cast<sockaddr*>(&server), sizeof server);
    pollfd p{fd, POLLOUT, 0};
    ::poll(&p, 1, 100);
    return fd;
}

// Connects and registers until the server answers; the time that took.
double RegistrationWait(uint16_t port) {
    const auto start = Clock::now();
    while (Clock::now() - start < std::chrono::seconds(30)) {
        try {
            TTestClient display(port, "127.0.0.200");
            display.Send(ClientBlock("REGISTER", "display", "", "", "Client 3"));
            if (display.Receive(1000))
                return Ms(Clock::now() - start);
        } catch (const std::runtime_error&) {
        }
    }
    return -1;
}

size_t TableCount(TChildProcess& server) {
    server.WriteLine("count");
    return std::stoul(server.ReadLine().value_or("0"));
}

void Row(const char* name, double flooded, double quiet, const char* unit) {
    std::printf("%-48s %12.1f %12.1f  %s\n", name, flooded, quiet, unit);
}

} // namespace

int main() {
    rlimit files{};
    ::getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = files.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &files);

    TTempDir dir;
    FileIo::WriteAtomically(dir.File("velmora.ini"),
                            "[ClientDisplay_Client3]\nDisplayType=4\n[DisplayParams_Client3_4]\n"
                            "MediaPlayers_0_FileName=/srv/media/a.avi\nEdits_0_Text=Sale\n");
    const bool root = ::geteuid() == 0;
    std::vector<std::string> arguments{VELMORA_SERVER_PROCESS, dir.File("velmora.ini")};
    if (root)
        arguments.push_back("64"); // the thread limit: 64 workers
    TChildProcess server(arguments);
    const uint16_t port = static_cast<uint16_t>(std::stoi(server.ReadLine().value_or("0")));
    const pid_t pid = server.Pid();

    const double quiet = RegistrationWait(port);
    WaitFor([&] { return TableCount(server) == 0; });
    const long idleThreads = ProcessState::Threads(pid);
    const long idleDescriptors = ProcessState::Descriptors(pid);

    const auto floodStart = Clock::now();
    std::atomic<int> attempts{0};
    std::vector<std::thread> flooders;
    for (int t = 0; t < 4; ++t) {
        flooders.emplace_back([&, t] {
            while (attempts++ < 10000)
                ::close(Attempt(port, "127.0.1." + std::to_string(t + 1)));
        });
    }
    for (auto& f : flooders)
        f.join();
    std::vector<int> held;
    for (int i = 0; i < 2000; ++i)
        held.push_back(Attempt(port, "127.0." + std::to_string(2 + i / 250) + "." +
                                         std::to_string(1 + i % 250)));
    const size_t atPeak = TableCount(server);
    const long peakThreads = ProcessState::Threads(pid);
    for (const int fd : held)
        ::close(fd);
    const double floodSeconds = Ms(Clock::now() - floodStart) / 1000;

    const double flooded = RegistrationWait(port);
    WaitFor([&] { return TableCount(server) == 0; }, 10000);
    WaitFor([&] { return ProcessState::Threads(pid) <= idleThreads; }, 10000);
    const size_t left = TableCount(server);
    const long threadsAfter = ProcessState::Threads(pid);
    const long descriptorsAfter = ProcessState::Descriptors(pid);
    server.WriteLine("stop");
    const auto stopped = server.Exit();

    std::printf("flood: 10,000 attempts and 2,000 idle connections in %.1f s; %s\n", floodSeconds,
                root ? "server held to 64 worker threads" : "no thread limit (not root)");
    std::printf("%-48s %12s %12s\n", "figure", "after flood", "quiet");
    Row("display's registration, connect to answer", flooded, quiet, "ms");
    Row("clients in the table", static_cast<double>(left), 0, "entries");
    Row("threads", static_cast<double>(threadsAfter), static_cast<double>(idleThreads), "threads");
    Row("descriptors", static_cast<double>(descriptorsAfter), static_cast<double>(idleDescriptors),
        "descriptors");
    Row("clients at the flood's peak (cap 256)", static_cast<double>(atPeak), 0, "entries");
    Row("threads at the flood's peak", static_cast<double>(peakThreads),
        static_cast<double>(idleThreads), "threads");
    std::printf("server stopped cleanly: %s\n", stopped == 0 ? "yes" : "no");
    return 0;
}
