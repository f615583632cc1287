#include "protocol/RegisterMessage.h"

#include "protocol/TextMessage.h"

#include <gtest/gtest.h>

namespace {

TEST(RegisterMessageTest, ReadGivesBackSenderAndName) {
    const TRegisterMessage made{"kiosk-3", "Client 3"};
    const TExchangeBlock block = RegisterMessage::Make(made);
    EXPECT_EQ(RegisterMessage::Read(block), made);
    EXPECT_EQ(block.Text.Length, 0);
    EXPECT_EQ(block.Receiver.Length, 0);
    EXPECT_EQ(ExchangeBlock::DataText(block), "");
    EXPECT_EQ(RegisterMessage::Read(RegisterMessage::Make({"", std::string(150, 'n')}))->Name,
              std::string(100, 'n'));
    TExchangeBlock lower = block;
    ExchangeBlock::SetField(lower.Command, "register");
    EXPECT_FALSE(RegisterMessage::Is(lower));
    EXPECT_EQ(RegisterMessage::Read(TextMessage::Make({"kiosk-3", "", "Client 3"})), std::nullopt);
}

} // namespace
