#pragma once

#include "protocol/ExchangeBlock.h"

#include <optional>
#include <string>
#include <string_view>

// "STATUS", from a display to the server: what it shows. A server that does not know it logs an
// unknown command and is otherwise unaffected.
struct TStatusMessage {
    std::string Sender;  // the display's slot name
    std::string Summary; // one line (Text)
    // key=value lines ending in CR LF, in the code page (Data, at most 1000 bytes)
    std::string Lines;

    bool operator==(const TStatusMessage&) const = default;
};

namespace StatusMessage {

inline constexpr std::string_view Command = "STATUS";

// Receiver and Name stay empty; the lines are cut at the block's 1000 bytes.
TExchangeBlock Make(const TStatusMessage& message);

bool Is(const TExchangeBlock& block);

// The fields as kept, the lines up to their first zero; nothing for another command.
std::optional<TStatusMessage> Read(const TExchangeBlock& block);

// One line of the lines: "key=value" and CR LF.
std::string Line(std::string_view key, std::string_view value);
// Lines ending in CR LF (or LF), each empty or a key of letters, digits, '_', '-' and '.', then
// '=' and a value without control characters.
bool AreKeyValueLines(std::string_view lines);
// The value of the first line of the key; empty when there is none.
std::string Value(std::string_view lines, std::string_view key);

} // namespace StatusMessage
