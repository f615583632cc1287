#pragma once

#include "platform/Sockets.h"

#include <atomic>
#include <cstdint>
#include <thread>

class TIdTCPServer;

// Accepts connections on one listening socket until told to stop.
class TIdListenerThread {
public:
    TIdListenerThread(TIdTCPServer& server, TSocketHandle listening);
    TIdListenerThread(const TIdListenerThread&) = delete;
    TIdListenerThread& operator=(const TIdListenerThread&) = delete;
    ~TIdListenerThread();

    void Start();
    // Tells the listener to stop and waits for its thread to end (within one 100 ms slice).
    void Stop();
    uint16_t Port() const { return port_; }

private:
    void Run();
    void AcceptOne();

    TIdTCPServer& server_;
    TSocketHandle listening_;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};
