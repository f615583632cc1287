#include "protocol/StatusMessage.h"

namespace StatusMessage {

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

} // namespace StatusMessage
