#pragma once

#include "platform/Descriptor.h"
#include "platform/Wakeup.h"
#include "protocol/ExchangeBlock.h"
#include "protocol/RegisterMessage.h"

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <functional>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
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
            const auto* bytes = static_cast<const char*>(data);
            while (size > 0) {
                pollfd fds[2] = {{stop_.Fd(), POLLIN, 0}, {fd_, POLLOUT, 0}};
                if (::poll(fds, 2, -1) < 0 || fds[0].revents != 0)
                    return false;
                const ssize_t n = ::send(fd_, bytes, size, MSG_NOSIGNAL | MSG_DONTWAIT);
                if (n < 0 && errno != EAGAIN && errno != EINTR)
                    return false;
                if (n > 0) {
                    bytes += n;
                    size -= static_cast<size_t>(n);
                }
            }
            return true;
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

    private:
        int fd_;
        TWakeup& stop_;
    };
    // Returns whether the connection stays open (until the server ends) or is closed now.
    using TScript = std::function<bool(TConnection&)>;

    explicit TScriptedServer(TScript script, uint16_t port = 0) : script_(std::move(script)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        socklen_t length = sizeof address;
        const int reuse = 1;
        if (!listener_.Valid() ||
            ::setsockopt(listener_.Get(), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse) != 0 ||
            ::bind(listener_.Get(), reinterpret_cast<const sockaddr*>(&address), length) != 0 ||
            ::listen(listener_.Get(), 4) != 0 ||
            ::getsockname(listener_.Get(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::runtime_error("cannot listen on loopback");
        port_ = ntohs(address.sin_port);
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
        pollfd fds[2] = {{stop_.Fd(), POLLIN, 0}, {listener_.Get(), POLLIN, 0}};
        while (::poll(fds, 2, -1) >= 0 && fds[0].revents == 0) {
            if (fds[1].revents == 0)
                continue;
            TDescriptor connection(::accept4(listener_.Get(), nullptr, nullptr, SOCK_CLOEXEC));
            if (!connection.Valid())
                continue;
            ++accepted_;
            TConnection scripted(connection.Get(), stop_);
            if (ReceiveRegistration(connection.Get()) && script_(scripted))
                kept_.push_back(std::move(connection));
        }
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
    TDescriptor listener_{::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)};
    uint16_t port_ = 0;
    TWakeup stop_;
    std::atomic<int> accepted_{0};
    std::vector<TDescriptor> kept_;
    std::thread thread_;
};
