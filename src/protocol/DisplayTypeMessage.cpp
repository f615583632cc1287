#include "protocol/DisplayTypeMessage.h"

#include "platform/AsciiText.h"

#include <charconv>

namespace DisplayTypeMessage {

TExchangeBlock Make(const TDisplayTypeMessage& message) {
    TExchangeBlock block = ExchangeBlock::Empty();
    ExchangeBlock::SetField(block.Command, Command);
    ExchangeBlock::SetField(block.Sender, ExchangeBlock::ServerSender);
    ExchangeBlock::SetField(block.Text, std::to_string(message.DisplayType));
    ExchangeBlock::SetField(block.Receiver, message.PeerIP);
    ExchangeBlock::SetField(block.Name, message.PeerIP);
    ExchangeBlock::SetData(block, message.ConfigText);
    return block;
}

bool Is(const TExchangeBlock& block) {
    return ExchangeBlock::IsCommand(block, Command);
}

std::optional<TDisplayTypeMessage> Read(const TExchangeBlock& block) {
    if (!Is(block))
        return std::nullopt;
    return TDisplayTypeMessage{TypeOf(ExchangeBlock::KeptText(block.Text)),
                               ExchangeBlock::KeptText(block.Receiver),
                               ExchangeBlock::DataText(block)};
}

int TypeOf(std::string_view text) {
    int type = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), type);
    return error == std::errc() && end == text.data() + text.size() ? type : 0;
}

} // namespace DisplayTypeMessage

TLayoutConfig::TLayoutConfig(std::string section, TValues values)
    : section_(std::move(section)), values_(std::move(values)) {}

TLayoutConfig TLayoutConfig::Parse(std::string_view text) {
    TLayoutConfig config;
    const std::string_view whole = text;
    while (!text.empty()) {
        const auto end = text.find('\n');
        if (end == std::string_view::npos) {
            config.cut_ = whole.size() >= ExchangeBlock::DataCapacity;
            break;
        }
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const std::string_view trimmed = AsciiText::Trim(line);
        if (trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']') {
            if (config.section_.empty())
                config.section_ = std::string(trimmed.substr(1, trimmed.size() - 2));
            continue;
        }
        const auto eq = trimmed.find('=');
        if (eq == std::string_view::npos)
            continue;
        config.values_.emplace_back(std::string(AsciiText::Trim(trimmed.substr(0, eq))),
                                    std::string(AsciiText::Trim(trimmed.substr(eq + 1))));
    }
    return config;
}

std::string TLayoutConfig::Text() const {
    std::string text = "[" + section_ + "]\r\n";
    for (const auto& [key, value] : values_)
        text += key + "=" + value + "\r\n";
    return text;
}

const std::pair<std::string, std::string>* TLayoutConfig::Find(std::string_view key) const {
    for (const auto& line : values_) {
        if (AsciiText::SameName(line.first, key))
            return &line;
    }
    return nullptr;
}

std::string TLayoutConfig::Value(std::string_view key) const {
    const auto* line = Find(key);
    return line != nullptr ? line->second : std::string();
}

bool TLayoutConfig::Has(std::string_view key) const {
    return Find(key) != nullptr;
}
