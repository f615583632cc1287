#pragma once

#include "common/LoopbackSockets.h"
#include "platform/Descriptor.h"
#include "platform/Wakeup.h"
#include "protocol/ExchangeBlock.h"
#include "protocol/RegisterMessage.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <vector>

// A display server of a test's or benchmark's own on loopback that behaves as it is told: each
// connection's REGISTER is read, then the connection is handed to the script on the server's
// thread. It may answer, stall, kick or feed layouts; what it keeps open stays open, untouched,
// until the server ends. Port 0 takes a free port; a given port is taken again after a restart.
class TScriptedServer {
public:
    // One registered connection, as the script sees it.
    class TConnection {
    public:
        TConnection(int fd, TWakeup& stop) : fd_(fd), stop_(stop) {}
        int Fd() const { return fd_; }
        // The whole of it, or false when the display is gone or the server stops.
        bool Send(const void* data, size_t size) {
            return LoopbackSockets::SendAll(fd_, stop_.Fd(), data, size);
        }
        bool Send(const TExchangeBlock& block) { return Send(&block, sizeof block); }
        // Waits; false at once when the display closed its end or the server stops. What the
        // display sends meanwhile is read and dropped.
        bool Pause(std::chrono::milliseconds time) {
            const auto until = std::chrono::steady_clock::now() + time;
            for (;;) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    until - std::chrono::steady_clock::now());
                if (left.count() <= 0)
                    return true;
                pollfd fds[2] = {{stop_.Fd(), POLLIN, 0}, {fd_, POLLIN, 0}};
                if (::poll(fds, 2, static_cast<int>(left.count())) < 0 || fds[0].revents != 0)
                    return false;
                char bytes[ExchangeBlock::Size];
                if (fds[1].revents != 0 && ::recv(fd_, bytes, sizeof bytes, MSG_DONTWAIT) <= 0)
                    return false;
            }
        }

        // The display's next whole block within the wait for its first byte; nothing when none
        // began, and then ended tells whether the display closed its end or the server stops.
        std::optional<TExchangeBlock> Receive(std::chrono::milliseconds wait, bool& ended) {
            ended = false;
            TExchangeBlock block;
            auto* bytes = reinterpret_cast<char*>(&block);
            size_t taken = 0;
            while (taken < sizeof block) {
                pollfd fds[2] = {{stop_.Fd(), POLLIN, 0}, {fd_, POLLIN, 0}};
                const int n = ::poll(fds, 2, taken == 0 ? static_cast<int>(wait.count()) : 5000);
                if (n == 0 && taken == 0)
                    return std::nullopt;
                const ssize_t got = n > 0 && fds[0].revents == 0
                                        ? ::recv(fd_, bytes + taken, sizeof block - taken, 0)
                                        : -1;
                if (got <= 0) {
                    ended = true;
                    return std::nullopt;
                }
                taken += static_cast<size_t>(got);
            }
            return block;
        }

    private:
        int fd_;
        TWakeup& stop_;
    };
    // Returns whether the connection stays open (until the server ends) or is closed now.
    using TScript = std::function<bool(TConnection&)>;

    explicit TScriptedServer(TScript script, uint16_t port = 0)
        : script_(std::move(script)), port_(port) {
        listener_ = LoopbackSockets::Listen(port_, 4);
        thread_ = std::thread([this] { Accept(); });
    }
    TScriptedServer(const TScriptedServer&) = delete;
    TScriptedServer& operator=(const TScriptedServer&) = delete;
    ~TScriptedServer() {
        stop_.Signal();
        thread_.join();
    }

    uint16_t Port() const { return port_; }
    // Connections accepted so far.
    int Accepted() const { return accepted_; }

private:
    void Accept() {
        LoopbackSockets::AcceptUntilStopped(
            listener_.Get(), stop_.Fd(), [this](TDescriptor connection) {
                ++accepted_;
                TConnection scripted(connection.Get(), stop_);
                if (ReceiveRegistration(connection.Get()) && script_(scripted))
                    kept_.push_back(std::move(connection));
            });
    }

    static bool ReceiveRegistration(int fd) {
        TExchangeBlock block;
        auto* bytes = reinterpret_cast<char*>(&block);
        size_t taken = 0;
        while (taken < sizeof block) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 5000) <= 0)
                return false;
            const ssize_t n = ::recv(fd, bytes + taken, sizeof block - taken, 0);
            if (n <= 0)
                return false;
            taken += static_cast<size_t>(n);
        }
        return RegisterMessage::Is(block);
    }

    TScript script_;
    TDescriptor listener_;
    uint16_t port_ = 0;
    TWakeup stop_;
    std::atomic<int> accepted_{0};
    std::vector<TDescriptor> kept_;
    std::thread thread_;
};
