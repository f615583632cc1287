#include "protocol/TextMessage.h"

#include "protocol/RegisterMessage.h"

#include <gtest/gtest.h>

namespace {

TEST(TextMessageTest, ReadGivesBackSenderReceiverAndText) {
    for (const TTextMessage& made :
         {TTextMessage{"desk", "", "Closing in 10 minutes"},
          TTextMessage{"desk", "Client 3", "\xC7\xE0\xEA\xF0\xFB\xF2\xEE"},
          TTextMessage{std::string(100, 's'), std::string(100, 'r'), std::string(100, 't')},
          TTextMessage{}}) {
        const TExchangeBlock block = TextMessage::Make(made);
        EXPECT_EQ(TextMessage::Read(block), made) << made.Text;
        EXPECT_EQ(block.Name.Length, 0);
        EXPECT_EQ(ExchangeBlock::DataText(block), "");
    }
    EXPECT_EQ(TextMessage::Read(RegisterMessage::Make({"desk", "Client 3"})), std::nullopt);
}

TEST(TextMessageTest, FieldsAreCutAtTheirCapacityAndAnEmptyReceiverIsEverybody) {
    const auto cut = TextMessage::Read(
        TextMessage::Make({std::string(150, 's'), std::string(150, 'r'), std::string(150, 't')}));
    EXPECT_EQ(*cut,
              (TTextMessage{std::string(100, 's'), std::string(100, 'r'), std::string(100, 't')}));
    EXPECT_FALSE(cut->ForEverybody());

    TExchangeBlock block = TextMessage::Make({"desk", "Client 3", "hello"});
    block.Receiver.Length = 0; // the name's bytes stay behind the length
    EXPECT_TRUE(TextMessage::Read(block)->ForEverybody());
    block.Receiver.Length = 255;
    EXPECT_EQ(TextMessage::Read(block)->Receiver.size(), 100u) << "never beyond the field";
}

} // namespace
