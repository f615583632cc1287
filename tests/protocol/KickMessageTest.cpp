#include "protocol/KickMessage.h"

#include "protocol/TextMessage.h"

#include <gtest/gtest.h>

namespace {

TEST(KickMessageTest, ReadGivesBackThePeerAndOnlyAKickIsOne) {
    EXPECT_EQ(KickMessage::Read(KickMessage::Make({"10.0.0.7"})), TKickMessage{"10.0.0.7"});
    EXPECT_EQ(KickMessage::Read(KickMessage::Make({std::string(150, '1')})),
              TKickMessage{std::string(100, '1')});
    EXPECT_TRUE(KickMessage::Is(KickMessage::Make({""})));
    EXPECT_FALSE(KickMessage::Is(TextMessage::Make({"a", "", "KICK"})));
    TExchangeBlock spaced = KickMessage::Make({"10.0.0.7"});
    ExchangeBlock::SetField(spaced.Command, "KICK ");
    EXPECT_EQ(KickMessage::Read(spaced), std::nullopt);
}

} // namespace
