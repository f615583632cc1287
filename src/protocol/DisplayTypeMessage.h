#pragma once

#include "protocol/ExchangeBlock.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// "DISPLAY_TYPE", from the server to one display: the display type the operator gave its slot
// name, and the layout of that type as configuration text. It answers "REGISTER" and the
// operator's refresh.
struct TDisplayTypeMessage {
    int DisplayType = 0;
    std::string PeerIP;     // the display's address as the server sees it (Receiver and Name)
    std::string ConfigText; // a TLayoutConfig's text, at most the block's 1000 bytes

    bool operator==(const TDisplayTypeMessage&) const = default;
};

namespace DisplayTypeMessage {

inline constexpr std::string_view Command = "DISPLAY_TYPE";

// Sender "SERVER", the type as decimal text, the address in Receiver and Name, the text in Data.
TExchangeBlock Make(const TDisplayTypeMessage& message);

bool Is(const TExchangeBlock& block);

// The address as kept (at most 100 characters), the data text; nothing for another command.
std::optional<TDisplayTypeMessage> Read(const TExchangeBlock& block);

// The type text as a whole decimal number (an optional minus, digits, nothing else, within int);
// 0, which shows no layout, for any other text.
int TypeOf(std::string_view text);

} // namespace DisplayTypeMessage

// The configuration text of a "DISPLAY_TYPE": a "[section]" line, then key=value lines, each
// ending in CR LF. The text arrives cut at the block's 1000 bytes: a last line without its line
// end was cut, and is left out rather than shown half. What the keys mean is the layout store's.
class TLayoutConfig {
public:
    using TValues = std::vector<std::pair<std::string, std::string>>;

    TLayoutConfig() = default;
    TLayoutConfig(std::string section, TValues values);

    // Blanks around names and values are not part of them; the first section line names the
    // section; other lines without "=" are passed over.
    static TLayoutConfig Parse(std::string_view text);
    // The section line and one line per value, in order: how the server sends a layout's
    // section. Parse of this text gives back the section and values that a Parse read.
    std::string Text() const;

    const std::string& Section() const { return section_; }
    const TValues& Values() const { return values_; }
    // The value of the key (names without regard to ASCII letter case; the first line of a name
    // wins); empty when it is missing.
    std::string Value(std::string_view key) const;
    bool Has(std::string_view key) const;
    size_t Count() const { return values_.size(); }
    // Whether the text filled the block and its last line was cut: keys may be missing.
    bool Cut() const { return cut_; }

    bool operator==(const TLayoutConfig&) const = default;

private:
    const std::pair<std::string, std::string>* Find(std::string_view key) const;

    std::string section_;
    TValues values_;
    bool cut_ = false;
};
