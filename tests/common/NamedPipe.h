#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

// A named pipe for code that must never wait on one. Nobody writes to it; but should the code
// under test block on it after all, a watchdog opens and closes its writing end after the
// patience, so the blocked open or read returns and the test ends, failing, instead of hanging.
class TNamedPipe {
public:
    explicit TNamedPipe(std::string path,
                        std::chrono::milliseconds patience = std::chrono::seconds(5))
        : path_(std::move(path)) {
        made_ = ::mkfifo(path_.c_str(), 0600) == 0;
        watchdog_ = std::thread([this, patience] {
            std::unique_lock lock(mutex_);
            if (finished_.wait_for(lock, patience, [this] { return done_; }))
                return;
            // Succeeds only while a reader waits on the pipe.
            const int fd = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) {
                released_ = true;
                ::close(fd);
            }
        });
    }
    TNamedPipe(const TNamedPipe&) = delete;
    TNamedPipe& operator=(const TNamedPipe&) = delete;
    ~TNamedPipe() {
        Finish();
        ::unlink(path_.c_str());
    }

    bool Made() const { return made_; }

    // Stops the watchdog; true when it had to free a reader that blocked on the pipe.
    bool Finish() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        finished_.notify_all();
        if (watchdog_.joinable())
            watchdog_.join();
        return released_;
    }

private:
    std::string path_;
    bool made_ = false;
    std::mutex mutex_;
    std::condition_variable finished_;
    bool done_ = false;
    std::atomic<bool> released_{false};
    std::thread watchdog_;
};
