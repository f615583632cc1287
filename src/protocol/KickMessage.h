#pragma once

#include "protocol/ExchangeBlock.h"

#include <optional>
#include <string>
#include <string_view>

// "KICK", from the server to one display: leave. The display closes its connection and stays
// away for a while; the server neither waits for nor forces the close.
struct TKickMessage {
    std::string PeerIP; // the display's address as the server sees it (Receiver)

    bool operator==(const TKickMessage&) const = default;
};

namespace KickMessage {

inline constexpr std::string_view Command = "KICK";

// Sender "SERVER", the word "KICK" in Text as well, the address in Receiver; Name and Data
// empty.
TExchangeBlock Make(const TKickMessage& message);

bool Is(const TExchangeBlock& block);

// Nothing for another command.
std::optional<TKickMessage> Read(const TExchangeBlock& block);

} // namespace KickMessage
