#pragma once

#include "display/DisplayLink.h"
#include "platform/Descriptor.h"
#include "platform/Wakeup.h"

#include <atomic>

// The display link's connection over TCP (IPv4, as the server listens). Every wait also watches
// a wake-up, so that Interrupt ends it at once; keep-alive notices a server that vanished, and
// the receive limits one that stays silent where it owes bytes.
class TTcpTransport : public IDisplayTransport {
public:
    // How long a connection attempt may take before it counts as failed.
    static constexpr int ConnectTimeoutMs = 5000;

    bool Open(const std::string& host, uint16_t port, const std::string& source,
              std::string& why) override;
    std::string LocalAddress() override;
    bool Send(const TExchangeBlock& block, std::string& why) override;
    std::optional<TExchangeBlock> Receive(const TReceiveLimits& limits, TReceiveEnd& end,
                                          std::string& why) override;
    void Close() override;
    void Interrupt() override;
    bool Pause(std::chrono::milliseconds time) override;
    void Nudge() override;

private:
    enum class TWaited { Ready, TimedOut, Failed, Nudged };
    // Waits for the socket (or only the wake-up when fd < 0); timeoutMs < 0 waits without limit.
    // Failed when interrupted or on an error (why says which); Nudged, with nudgeable, on Nudge.
    TWaited WaitFor(int fd, short events, int timeoutMs, std::string& why, bool nudgeable = false);

    TDescriptor socket_;
    TWakeup wakeup_;
    TWakeup nudge_;
    std::atomic<bool> interrupted_{false};
};
