#include "protocol/RegisterMessage.h"

namespace RegisterMessage {

TExchangeBlock Make(const TRegisterMessage& message) {
    TExchangeBlock block = ExchangeBlock::Empty();
    ExchangeBlock::SetField(block.Command, Command);
    ExchangeBlock::SetField(block.Sender, message.Sender);
    ExchangeBlock::SetField(block.Name, message.Name);
    return block;
}

bool Is(const TExchangeBlock& block) {
    return ExchangeBlock::IsCommand(block, Command);
}

std::optional<TRegisterMessage> Read(const TExchangeBlock& block) {
    if (!Is(block))
        return std::nullopt;
    return TRegisterMessage{ExchangeBlock::KeptText(block.Sender),
                            ExchangeBlock::KeptText(block.Name)};
}

} // namespace RegisterMessage
