#include "protocol/KickMessage.h"

namespace KickMessage {

TExchangeBlock Make(const TKickMessage& message) {
    TExchangeBlock block = ExchangeBlock::Empty();
    ExchangeBlock::SetField(block.Command, Command);
    ExchangeBlock::SetField(block.Sender, ExchangeBlock::ServerSender);
    ExchangeBlock::SetField(block.Text, Command);
    ExchangeBlock::SetField(block.Receiver, message.PeerIP);
    return block;
}

bool Is(const TExchangeBlock& block) {
    return ExchangeBlock::IsCommand(block, Command);
}

std::optional<TKickMessage> Read(const TExchangeBlock& block) {
    if (!Is(block))
        return std::nullopt;
    return TKickMessage{ExchangeBlock::KeptText(block.Receiver)};
}

} // namespace KickMessage
