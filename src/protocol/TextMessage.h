#pragma once

#include "protocol/ExchangeBlock.h"

#include <optional>
#include <string>
#include <string_view>

// "MESSAGE": a text from one client to everybody or to one receiver. The server relays the
// block as it came, byte for byte; Name and Data travel along unread.
struct TTextMessage {
    std::string Sender;
    std::string Receiver; // a slot name or a peer address; empty: every connected client
    std::string Text;

    // A receiver whose length byte is 0 is nobody in particular, whatever its padding holds.
    bool ForEverybody() const { return Receiver.empty(); }

    bool operator==(const TTextMessage&) const = default;
};

namespace TextMessage {

inline constexpr std::string_view Command = "MESSAGE";

// Name and Data stay empty.
TExchangeBlock Make(const TTextMessage& message);

bool Is(const TExchangeBlock& block);

// The fields as kept (at most 100 characters each); nothing for another command.
std::optional<TTextMessage> Read(const TExchangeBlock& block);

} // namespace TextMessage
