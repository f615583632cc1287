// The display server as a process of its own, for tests and benchmarks that need limits set on
// the whole process or counts read from outside it. With a number of workers given, it first
// leaves root for a user of its own (root is never held to a thread limit) and limits that
// user's threads to what it has plus the listener plus that many workers.
//
// It prints its port, then answers lines on its input: "count" prints the number of clients in
// its table; "stop" (or the end of input) waits for the clients to leave and stops the server.
// Exit code 0: the stop succeeded and no worker was left listed.
#include "server/DisplayServer.h"

#include <chrono>
#include <filesystem>
#include <grp.h>
#include <iostream>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr uid_t LimitedUser = 61234;

bool LimitThreads(rlim_t workers) {
    if (::setgroups(0, nullptr) != 0 || ::setgid(LimitedUser) != 0 || ::setuid(LimitedUser) != 0)
        return false;
    rlim_t tasks = 0;
    for ([[maybe_unused]] const auto& task : std::filesystem::directory_iterator("/proc/self/task"))
        ++tasks;
    const rlimit limit{tasks + 1 + workers, tasks + 1 + workers};
    return ::setrlimit(RLIMIT_NPROC, &limit) == 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || (argc > 2 && !LimitThreads(std::stoul(argv[2]))))
        return 64;
    TDisplayServer server(argv[1], nullptr);
    server.StartListening(0);
    std::cout << server.Server.BoundPort() << std::endl;
    std::string line;
    while (std::getline(std::cin, line) && line != "stop") {
        if (line == "count")
            std::cout << server.Clients()->LockList().Count() << std::endl;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (server.Clients()->LockList().Count() > 0) {
        if (std::chrono::steady_clock::now() > deadline)
            return 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    try {
        server.Server.SetActive(false);
    } catch (const std::exception& e) {
        std::cerr << e.what() << std::endl;
        return 2;
    }
    return server.Server.WorkerCount() == 0 ? 0 : 3;
}
