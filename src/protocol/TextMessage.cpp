#include "protocol/TextMessage.h"

namespace TextMessage {

TExchangeBlock Make(const TTextMessage& message) {
    TExchangeBlock block = ExchangeBlock::Empty();
    ExchangeBlock::SetField(block.Command, Command);
    ExchangeBlock::SetField(block.Sender, message.Sender);
    ExchangeBlock::SetField(block.Text, message.Text);
    ExchangeBlock::SetField(block.Receiver, message.Receiver);
    return block;
}

bool Is(const TExchangeBlock& block) {
    return ExchangeBlock::IsCommand(block, Command);
}

std::optional<TTextMessage> Read(const TExchangeBlock& block) {
    if (!Is(block))
        return std::nullopt;
    return TTextMessage{ExchangeBlock::KeptText(block.Sender),
                        ExchangeBlock::KeptText(block.Receiver),
                        ExchangeBlock::KeptText(block.Text)};
}

} // namespace TextMessage
