#pragma once

#include "display/DisplayOptions.h"
#include "protocol/ExchangeBlock.h"

#include <atomic>
#include <chrono>
#include <optional>
#include <string>

// The connection to the operator's server as the display link uses it: one at a time.
class IDisplayTransport {
public:
    virtual ~IDisplayTransport() = default;
    // Opens a connection; on failure false, and why.
    virtual bool Open(const std::string& host, uint16_t port, const std::string& source,
                      std::string& why) = 0;
    // This end's address as dotted text, for messages addressed to it.
    virtual std::string LocalAddress() = 0;
    virtual bool Send(const TExchangeBlock& block, std::string& why) = 0;
    // The next whole block; nothing when the connection ended (and why) or on Interrupt.
    virtual std::optional<TExchangeBlock> Receive(std::string& why) = 0;
    virtual void Close() = 0;
    // Any thread: a pending Open or Receive returns at once, and so does every later one.
    virtual void Interrupt() = 0;
    // Waits, or returns false at once when interrupted.
    virtual bool Pause(std::chrono::milliseconds time) = 0;
};

// What the link tells the display, from the link's own thread.
class IDisplayLinkEvents {
public:
    virtual ~IDisplayLinkEvents() = default;
    // One line for the log (stderr, the journal when run as a service).
    virtual void Status(const std::string& line) = 0;
    // A "DISPLAY_TYPE": the display type and the configuration text, as received.
    virtual void LayoutReceived(int displayType, const std::string& configText) = 0;
    // A "MESSAGE" for everybody or for this display; Windows-1251 text.
    virtual void MessageReceived(const std::string& text) = 0;
};

// A display's side of the wire: connects, registers under its slot name, passes on what the
// server sends, and comes back after every loss. A refused or lost connection is tried again
// after 1 s, doubling up to 30 s; a registration answered starts again at 1 s. A "KICK" closes
// the connection and keeps away for the quiet period, so that the operator can stop the server.
class TDisplayLink {
public:
    static constexpr std::chrono::seconds FirstRetry{1};
    static constexpr std::chrono::seconds LongestRetry{30};

    TDisplayLink(const TDisplayOptions& options, std::string hostName, IDisplayTransport& transport,
                 IDisplayLinkEvents& events);

    // Runs until Stop; on a thread of its own.
    void Run();
    // Any thread.
    void Stop();

private:
    void Serve();
    bool ForThisDisplay(const TExchangeBlock& message) const;
    bool Wait(std::chrono::milliseconds time);
    std::string Where() const;

    const TDisplayOptions options_;
    const std::string hostName_;
    IDisplayTransport& transport_;
    IDisplayLinkEvents& events_;
    std::atomic<bool> stopping_{false};
    std::chrono::milliseconds retry_ = FirstRetry;
    bool kicked_ = false;
    std::string localAddress_;
    std::string serverCallsUs_; // the address the server puts in its blocks to us
};
