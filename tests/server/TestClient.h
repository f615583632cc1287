#pragma once

#include "protocol/ExchangeBlock.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstring>
#include <functional>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

// A display client for tests: connects over loopback, from any 127.x.y.z source address, and
// sends and receives raw bytes or whole blocks.
class TTestClient {
public:
    // An empty source address lets the system choose (127.0.0.1).
    explicit TTestClient(uint16_t port, const std::string& sourceAddress = "127.0.0.1",
                         int receiveBuffer = 0) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd_ < 0)
            throw std::runtime_error("socket");
        if (receiveBuffer > 0)
            ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        if (!sourceAddress.empty()) {
            sockaddr_in local{};
            local.sin_family = AF_INET;
            ::inet_pton(AF_INET, sourceAddress.c_str(), &local.sin_addr);
            if (::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
                throw std::runtime_error("bind " + sourceAddress);
        }
        sockaddr_in server{};
        server.sin_family = AF_INET;
        server.sin_port = htons(port);
        server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&server), sizeof server) != 0)
            throw std::runtime_error("connect");
    }
    TTestClient(const TTestClient&) = delete;
    TTestClient& operator=(const TTestClient&) = delete;
    ~TTestClient() { Close(); }

    void Close() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

    // Closes with a reset instead of an orderly close.
    void Reset() {
        linger l{1, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &l, sizeof l);
        Close();
    }

    void SendBytes(const void* data, size_t size) {
        const auto* p = static_cast<const char*>(data);
        while (size > 0) {
            const ssize_t n = ::send(fd_, p, size, MSG_NOSIGNAL);
            if (n <= 0)
                throw std::runtime_error("send");
            p += n;
            size -= static_cast<size_t>(n);
        }
    }

    void Send(const TExchangeBlock& block) { SendBytes(&block, sizeof block); }

    // Exactly size bytes, or nothing when they do not arrive in time or the server closes.
    std::optional<std::string> ReceiveBytes(size_t size, int timeoutMs = 5000) {
        std::string data;
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (data.size() < size) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0)
                return std::nullopt;
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left)) <= 0)
                return std::nullopt;
            char buffer[4096];
            const ssize_t n = ::recv(fd_, buffer, std::min(sizeof buffer, size - data.size()), 0);
            if (n <= 0)
                return std::nullopt;
            data.append(buffer, static_cast<size_t>(n));
        }
        return data;
    }

    std::optional<TExchangeBlock> Receive(int timeoutMs = 5000) {
        const auto bytes = ReceiveBytes(sizeof(TExchangeBlock), timeoutMs);
        if (!bytes)
            return std::nullopt;
        TExchangeBlock block;
        std::memcpy(&block, bytes->data(), sizeof block);
        return block;
    }

    // Whether the server has closed the connection (reads end) within the time.
    bool ClosedByServer(int timeoutMs = 5000) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 50) > 0) {
                char buffer[4096];
                const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
                if (n <= 0)
                    return true;
            }
        }
        return false;
    }

    int Fd() const { return fd_; }

private:
    int fd_ = -1;
};

// Builds a block as a display client would.
inline TExchangeBlock ClientBlock(std::string_view command, std::string_view sender = "",
                                  std::string_view text = "", std::string_view receiver = "",
                                  std::string_view name = "") {
    TExchangeBlock block = ExchangeBlock::Empty();
    ExchangeBlock::SetField(block.Command, command);
    ExchangeBlock::SetField(block.Sender, sender);
    ExchangeBlock::SetField(block.Text, text);
    ExchangeBlock::SetField(block.Receiver, receiver);
    ExchangeBlock::SetField(block.Name, name);
    return block;
}

inline std::string Bytes(const TExchangeBlock& block) {
    return std::string(reinterpret_cast<const char*>(&block), sizeof block);
}

// Polls until the condition holds or the time is up; tests never depend on a fixed delay.
inline bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 5000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}
