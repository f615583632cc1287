#pragma once

#include <csignal>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/types.h>

// What the kernel says about a process or thread, so that a test waits for a state instead of
// sleeping and hoping it has been reached.
namespace ProcessState {

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

} // namespace ProcessState
