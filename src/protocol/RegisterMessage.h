#pragma once

#include "protocol/ExchangeBlock.h"

#include <optional>
#include <string>
#include <string_view>

// "REGISTER", from a display to the server: the slot name the display shows under. The server
// answers with "DISPLAY_TYPE".
struct TRegisterMessage {
    std::string Sender; // free text naming the display's machine, for the server's log only
    std::string Name;   // the slot name

    bool operator==(const TRegisterMessage&) const = default;
};

namespace RegisterMessage {

inline constexpr std::string_view Command = "REGISTER";

// Text, Receiver and Data stay empty.
TExchangeBlock Make(const TRegisterMessage& message);

bool Is(const TExchangeBlock& block);

// The fields as kept (at most 100 characters each); nothing for another command.
std::optional<TRegisterMessage> Read(const TExchangeBlock& block);

} // namespace RegisterMessage
