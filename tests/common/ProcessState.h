#pragma once

#include <csignal>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

// What the kernel says about a process or thread, so that a test waits for a state instead of
// sleeping and hoping it has been reached.
namespace ProcessState {

// A figure of the process's status ("Threads:", "VmRSS:" in kB), or -1.
inline long StatusFigure(pid_t pid, const std::string& key) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string word;
    while (status >> word) {
        if (word == key) {
            long value = -1;
            status >> value;
            return value;
        }
    }
    return -1;
}

inline long Threads(pid_t pid) {
    return StatusFigure(pid, "Threads:");
}

inline long ResidentKb(pid_t pid) {
    return StatusFigure(pid, "VmRSS:");
}

inline long Descriptors(pid_t pid) {
    long count = 0;
    std::error_code error;
    for ([[maybe_unused]] const auto& fd :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error))
        ++count;
    return count;
}

// What a process holds, as a benchmark reports it over time.
struct TUse {
    long Descriptors = 0;
    long Threads = 0;
    double ResidentMb = 0;
};

inline TUse Use(pid_t pid) {
    return {Descriptors(pid), Threads(pid), static_cast<double>(ResidentKb(pid)) / 1024.0};
}

// The CPU time this process has used, in seconds.
inline double CpuSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// The CPU time another process has used, user and system, in seconds; 0 when it is gone.
inline double CpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // The command's name may hold blanks: the fields are counted after its closing parenthesis,
    // the state being the third; user and system time are the 14th and 15th, in clock ticks.
    const size_t close = text.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    double ticks = 0;
    for (int number = 3; number <= 15 && fields >> field; ++number) {
        if (number >= 14)
            ticks += std::stod(field);
    }
    return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// Whether the process has a handler of its own for the signal (the SigCgt mask of its status).
inline bool CatchesSignal(pid_t pid, int signal) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("SigCgt:", 0) == 0) {
            const unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
            return ((mask >> (signal - 1)) & 1ULL) != 0;
        }
    }
    return false;
}

// Whether a thread of this process sleeps in the kernel (state S), as one blocked in a wait does.
inline bool ThreadSleeps(pid_t tid) {
    std::ifstream stat("/proc/self/task/" + std::to_string(tid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // The state follows the command name, which stands in parentheses and may hold blanks.
    const size_t close = text.rfind(')');
    return close != std::string::npos && close + 2 < text.size() && text[close + 2] == 'S';
}

// A TCP socket the process listens on (IPv4): its port, and how many connections wait in its
// accept queue (the kernel drops new ones while it is full).
struct TListener {
    uint16_t port = 0;
    unsigned long queued = 0;
};

// Found through the process's socket descriptors, so that a test learns which port a program it
// started listens on, and whether that program keeps up with accepting.
inline std::vector<TListener> Listeners(pid_t pid) {
    std::set<std::string> sockets;
    std::error_code error;
    const std::string fds = "/proc/" + std::to_string(pid) + "/fd";
    for (const auto& fd : std::filesystem::directory_iterator(fds, error)) {
        const std::string target = std::filesystem::read_symlink(fd.path(), error).string();
        if (target.rfind("socket:[", 0) == 0)
            sockets.insert(target.substr(8, target.size() - 9));
    }
    std::vector<TListener> listeners;
    std::ifstream table("/proc/" + std::to_string(pid) + "/net/tcp");
    std::string line;
    std::getline(table, line); // the heading
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout, inode;
        fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >>
            timeout >> inode;
        if (state != "0A" || sockets.count(inode) == 0)
            continue;
        TListener listener;
        listener.port =
            static_cast<uint16_t>(std::stoul(local.substr(local.find(':') + 1), nullptr, 16));
        listener.queued = std::stoul(queues.substr(queues.find(':') + 1), nullptr, 16);
        listeners.push_back(listener);
    }
    return listeners;
}

} // namespace ProcessState
