#pragma once

#include "server/TestClient.h"

#include <csignal>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// A program started as a process of its own, talked to through its standard input and output
// a line at a time; killed if still running when the object goes. Its standard error is the
// test's own, or appended to a file (a server's chatter kept out of the test's output).
class TChildProcess {
public:
    explicit TChildProcess(const std::vector<std::string>& arguments,
                           const std::string& errorFile = {}) {
        int in[2], out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        if (!errorFile.empty())
            posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorFile.c_str(),
                                             O_WRONLY | O_CREAT | O_APPEND, 0644);
        std::vector<char*> argv;
        for (const auto& a : arguments)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        const int error = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        toChild_ = in[1];
        fromChild_ = out[0];
        if (error != 0)
            throw std::runtime_error("spawn");
    }
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;
    ~TChildProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(toChild_);
        ::close(fromChild_);
    }

    std::optional<std::string> ReadLine(int timeoutMs = 10000) {
        std::string line;
        char c = 0;
        while (c != '\n') {
            pollfd p{fromChild_, POLLIN, 0};
            if (::poll(&p, 1, timeoutMs) <= 0 || ::read(fromChild_, &c, 1) != 1)
                return std::nullopt;
            if (c != '\n')
                line += c;
        }
        return line;
    }

    bool WriteLine(const std::string& line) {
        const std::string text = line + "\n";
        return ::write(toChild_, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    }

    pid_t Pid() const { return pid_; }

    // The exit code, or nothing when the process has not ended within the time.
    std::optional<int> Exit(int timeoutMs = 10000) {
        int status = 0;
        if (!WaitFor([&] { return ::waitpid(pid_, &status, WNOHANG) == pid_; }, timeoutMs))
            return std::nullopt;
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

private:
    pid_t pid_ = -1;
    int toChild_ = -1;
    int fromChild_ = -1;
};
