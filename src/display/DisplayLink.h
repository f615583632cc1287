#pragma once

#include "display/DisplayOptions.h"
#include "protocol/ExchangeBlock.h"
#include "protocol/TextMessage.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// How long one Receive waits: for the block's first byte (nothing: without bound), and for the
// rest of the block once its first byte came.
struct TReceiveLimits {
    std::optional<std::chrono::milliseconds> FirstByte;
    std::chrono::milliseconds Rest{0};
};

// Why Receive gave no block.
enum class TReceiveEnd {
    Ended,       // the connection ended or failed (why says how), or Interrupt
    NoFirstByte, // the first byte did not come within its limit
    NoRest,      // the block began but its rest did not come within its limit
    Nudged,      // Nudge, before the block's first byte
};

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
    // The next whole block within the limits; nothing when it did not come (end says why, and
    // why how a connection ended) or on Interrupt.
    virtual std::optional<TExchangeBlock> Receive(const TReceiveLimits& limits, TReceiveEnd& end,
                                                  std::string& why) = 0;
    virtual void Close() = 0;
    // Any thread: a pending Open or Receive returns at once, and so does every later one.
    virtual void Interrupt() = 0;
    // Waits, or returns false at once when interrupted.
    virtual bool Pause(std::chrono::milliseconds time) = 0;
    // Any thread: a pending Receive that has no byte of its block yet returns (end Nudged), so
    // that the link sends what was handed to it; a transport without it sends that after the next
    // block received.
    virtual void Nudge() {}
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
    // A "SHOT" request: the server asks for a picture of the screen (Send answers it).
    virtual void ShotRequested() {}
};

// How long the link waits for bytes that a server owes it. A server that answered the
// registration may then stay silent as long as it likes (keep-alive notices one that vanished);
// a block it began is always bounded. Tests shorten the times.
struct TLinkLimits {
    // The answer to the registration ("DISPLAY_TYPE"), from sending it.
    std::chrono::milliseconds Answer = std::chrono::seconds(30);
    // The rest of a block, from its first byte.
    std::chrono::milliseconds Rest = std::chrono::seconds(30);
};

// A display's side of the wire: connects, registers under its slot name, passes on what the
// server sends, and comes back after every loss. A refused or lost connection is tried again
// after 1 s, doubling up to 30 s; a registration answered starts again at 1 s. A "KICK" closes
// the connection and keeps away for the quiet period, and at least the first retry's time, so that
// the operator can stop the server and a server that kicks every registration is not flooded.
// A server that leaves the registration unanswered, or a block half sent, counts as lost.
// Blocks of the display's own (its status, a picture) are handed over from any thread and sent
// from the link's, in order, while it is registered; the link's thread alone writes the socket.
class TDisplayLink {
public:
    static constexpr std::chrono::seconds FirstRetry{1};
    static constexpr std::chrono::seconds LongestRetry{30};
    // The most blocks handed over and not yet sent.
    static constexpr size_t MostWaiting = 40;

    TDisplayLink(const TDisplayOptions& options, std::string hostName, IDisplayTransport& transport,
                 IDisplayLinkEvents& events, TLinkLimits limits = {});

    // Runs until Stop; on a thread of its own.
    void Run();
    // Any thread.
    void Stop();
    // Any thread: the blocks are sent in order, and true, while the link is registered (answered
    // by the server); false, and dropped, otherwise.
    bool Send(std::vector<TExchangeBlock> blocks);

private:
    void Serve();
    // Sends what was handed over; false when the connection failed (why says how).
    bool SendHandedOver(std::string& why);
    // The status line of a lost connection.
    void Lost(const std::string& why);
    std::string WhyNoBlock(TReceiveEnd end, const std::string& why) const;
    std::chrono::milliseconds KickQuiet() const;
    bool ForThisDisplay(const TTextMessage& message) const;
    bool Wait(std::chrono::milliseconds time);
    std::string Where() const;

    const TDisplayOptions options_;
    const std::string hostName_;
    IDisplayTransport& transport_;
    IDisplayLinkEvents& events_;
    const TLinkLimits limits_;
    std::atomic<bool> stopping_{false};
    std::mutex outMutex_;
    bool registered_ = false;              // under outMutex_
    std::vector<TExchangeBlock> outgoing_; // under outMutex_
    std::chrono::milliseconds retry_ = FirstRetry;
    bool kicked_ = false;
    std::string localAddress_;
    std::string serverCallsUs_; // the address the server puts in its blocks to us
};
