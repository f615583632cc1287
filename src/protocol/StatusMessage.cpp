#include "protocol/StatusMessage.h"

#include "platform/AsciiText.h"

#include <algorithm>

namespace StatusMessage {

namespace {

bool IsKeyChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.';
}

// Calls the visitor with each line's key and value until it returns true; false when a line is
// not a key=value line.
template <typename TVisit>
bool EachLine(std::string_view lines, TVisit visit) {
    while (!lines.empty()) {
        const size_t end = lines.find('\n');
        std::string_view line = lines.substr(0, end);
        lines.remove_prefix(end == std::string_view::npos ? lines.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            continue;
        const size_t equals = line.find('=');
        if (equals == 0 || equals == std::string_view::npos)
            return false;
        const std::string_view key = line.substr(0, equals);
        const std::string_view value = line.substr(equals + 1);
        if (!std::all_of(key.begin(), key.end(), IsKeyChar) || AsciiText::HasControl(value))
            return false;
        if (visit(key, value))
            return true;
    }
    return true;
}

} // namespace

TExchangeBlock Make(const TStatusMessage& message) {
    TExchangeBlock block = ExchangeBlock::Empty();
    ExchangeBlock::SetField(block.Command, Command);
    ExchangeBlock::SetField(block.Sender, message.Sender);
    ExchangeBlock::SetField(block.Text, message.Summary);
    ExchangeBlock::SetData(block, message.Lines);
    return block;
}

bool Is(const TExchangeBlock& block) {
    return ExchangeBlock::IsCommand(block, Command);
}

std::optional<TStatusMessage> Read(const TExchangeBlock& block) {
    if (!Is(block))
        return std::nullopt;
    return TStatusMessage{ExchangeBlock::KeptText(block.Sender),
                          ExchangeBlock::KeptText(block.Text), ExchangeBlock::DataText(block)};
}

std::string Line(std::string_view key, std::string_view value) {
    return std::string(key) + "=" + std::string(value) + "\r\n";
}

bool AreKeyValueLines(std::string_view lines) {
    return EachLine(lines, [](std::string_view, std::string_view) { return false; });
}

std::string Value(std::string_view lines, std::string_view key) {
    std::string value;
    EachLine(lines, [&](std::string_view k, std::string_view v) {
        if (k != key)
            return false;
        value = v;
        return true;
    });
    return value;
}

} // namespace StatusMessage
