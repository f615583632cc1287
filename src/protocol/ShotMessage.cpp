#include "protocol/ShotMessage.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace ShotMessage {

namespace {

// A decimal number of at most four digits at the start of the text, which it leaves behind.
std::optional<int> Number(std::string_view& text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    const size_t length = static_cast<size_t>(end - text.data());
    if (error != std::errc() || length == 0 || length > 4 || text[0] == '-' || text[0] == '+')
        return std::nullopt;
    text.remove_prefix(length);
    return value;
}

bool Skip(std::string_view& text, char separator) {
    if (text.empty() || text.front() != separator)
        return false;
    text.remove_prefix(1);
    return true;
}

} // namespace

TExchangeBlock MakeRequest(const std::string& peerIP) {
    TExchangeBlock block = ExchangeBlock::Empty();
    ExchangeBlock::SetField(block.Command, Command);
    ExchangeBlock::SetField(block.Sender, ExchangeBlock::ServerSender);
    ExchangeBlock::SetField(block.Receiver, peerIP);
    return block;
}

bool Is(const TExchangeBlock& block) {
    return ExchangeBlock::IsCommand(block, Command);
}

bool IsRequest(const TExchangeBlock& block) {
    return Is(block) && block.Text.Length == 0;
}

TExchangeBlock MakePart(const TShotPart& part) {
    TExchangeBlock block = ExchangeBlock::Empty();
    ExchangeBlock::SetField(block.Command, Command);
    ExchangeBlock::SetField(block.Sender, part.Sender);
    const size_t length = std::min(part.Bytes.size(), PartBytes);
    ExchangeBlock::SetField(block.Text, std::to_string(part.Part) + "/" +
                                            std::to_string(part.Count) + " " +
                                            std::to_string(length));
    std::memcpy(block.Data, part.Bytes.data(), length);
    return block;
}

std::optional<TShotPart> ReadPart(const TExchangeBlock& block) {
    if (!Is(block) || block.Text.Length == 0)
        return std::nullopt;
    const std::string text = ExchangeBlock::KeptText(block.Text);
    std::string_view rest = text;
    const auto part = Number(rest);
    if (!part || !Skip(rest, '/'))
        return std::nullopt;
    const auto count = Number(rest);
    if (!count || !Skip(rest, ' '))
        return std::nullopt;
    const auto length = Number(rest);
    if (!length || !rest.empty())
        return std::nullopt;
    if (*part < 1 || *part > *count || *count > MostParts || *length < 1 ||
        static_cast<size_t>(*length) > PartBytes)
        return std::nullopt;
    return TShotPart{ExchangeBlock::KeptText(block.Sender), *part, *count,
                     std::string(block.Data, static_cast<size_t>(*length))};
}

std::vector<TExchangeBlock> Split(const std::string& sender, std::string_view jpeg) {
    const size_t count = (jpeg.size() + PartBytes - 1) / PartBytes;
    if (count == 0 || count > static_cast<size_t>(MostParts))
        return {};
    std::vector<TExchangeBlock> blocks;
    for (size_t n = 0; n < count; ++n)
        blocks.push_back(MakePart({sender, static_cast<int>(n + 1), static_cast<int>(count),
                                   std::string(jpeg.substr(n * PartBytes, PartBytes))}));
    return blocks;
}

} // namespace ShotMessage
