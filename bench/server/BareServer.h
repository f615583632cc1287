#pragma once

#include "platform/Sockets.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// The least a thread-per-connection TCP server can do with 1505-byte blocks, as the yardstick
// for the display server's figures: echo each block back, or relay it to every connection.
class TBareServer {
public:
    enum class TMode { Echo, FanOut };

    explicit TBareServer(TMode mode);
    ~TBareServer();
    uint16_t Port() const { return port_; }

private:
    void AcceptLoop();
    void Serve(int fd);

    TMode mode_;
    TSocketHandle listening_;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread acceptor_;
    std::mutex mutex_;
    std::vector<std::unique_ptr<TSocketHandle>> connections_;
    std::vector<std::thread> workers_;
};
