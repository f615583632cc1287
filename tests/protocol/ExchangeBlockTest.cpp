#include "protocol/ExchangeBlock.h"

#include "protocol/DisplayTypeMessage.h"
#include "protocol/KickMessage.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

const unsigned char* Raw(const TExchangeBlock& block) {
    return reinterpret_cast<const unsigned char*>(&block);
}

TEST(ExchangeBlockTest, DisplayTypeBlockHasTheExactBytes) {
    const TExchangeBlock block = DisplayTypeMessage::Make({1, "127.0.0.1", "[S]\r\n"});
    const unsigned char command[] = {0x0C, 'D', 'I', 'S', 'P', 'L', 'A',
                                     'Y',  '_', 'T', 'Y', 'P', 'E'};
    EXPECT_EQ(std::memcmp(Raw(block), command, sizeof command), 0);
    const unsigned char sender[] = {0x06, 'S', 'E', 'R', 'V', 'E', 'R'};
    EXPECT_EQ(std::memcmp(Raw(block) + 101, sender, sizeof sender), 0);
    EXPECT_EQ(Raw(block)[202], 1);
    EXPECT_EQ(Raw(block)[203], '1');
    for (int i = 204; i <= 302; ++i)
        ASSERT_EQ(Raw(block)[i], 0) << i;
    EXPECT_EQ(ExchangeBlock::KeptText(block.Receiver), "127.0.0.1");
    EXPECT_EQ(ExchangeBlock::KeptText(block.Name), "127.0.0.1");
    EXPECT_EQ(ExchangeBlock::DataText(block), "[S]\r\n");
    for (size_t i = 505 + 5; i < 1505; ++i)
        ASSERT_EQ(Raw(block)[i], 0) << i;
    EXPECT_EQ(ExchangeBlock::KeptText(DisplayTypeMessage::Make({-3, "", ""}).Text), "-3");
}

TEST(ExchangeBlockTest, KickBlockHasTheExactBytes) {
    const TExchangeBlock block = KickMessage::Make({"10.0.0.7"});
    TExchangeBlock expected = ExchangeBlock::Empty();
    const unsigned char kick[] = {0x04, 'K', 'I', 'C', 'K'};
    auto* raw = reinterpret_cast<unsigned char*>(&expected);
    std::memcpy(raw, kick, sizeof kick);
    std::memcpy(raw + 101, "\x06SERVER", 7);
    std::memcpy(raw + 202, kick, sizeof kick);
    std::memcpy(raw + 303,
                "\x08"
                "10.0.0.7",
                9);
    EXPECT_EQ(std::memcmp(&block, &expected, sizeof block), 0);
}

TEST(ExchangeBlockTest, CommandComparisonIsExact) {
    TExchangeBlock block = ExchangeBlock::Empty();
    ExchangeBlock::SetField(block.Command, "REGISTER");
    EXPECT_TRUE(ExchangeBlock::IsCommand(block, "REGISTER"));
    block.Command.Chars[20] = 'x'; // padding behind the length is not compared
    EXPECT_TRUE(ExchangeBlock::IsCommand(block, "REGISTER"));
    ExchangeBlock::SetField(block.Command, "register");
    EXPECT_FALSE(ExchangeBlock::IsCommand(block, "REGISTER"));
    ExchangeBlock::SetField(block.Command, "REGISTER ");
    EXPECT_FALSE(ExchangeBlock::IsCommand(block, "REGISTER"));
    ExchangeBlock::SetField(block.Command, "");
    EXPECT_FALSE(ExchangeBlock::IsCommand(block, "MESSAGE"));
}

TEST(ExchangeBlockTest, DataIsCutAt1000BytesAndNeverOverflows) {
    TExchangeBlock block = ExchangeBlock::Empty();
    std::memset(&block, 0x55, sizeof block);
    ExchangeBlock::SetData(block, std::string(1000, 'a'));
    EXPECT_EQ(ExchangeBlock::DataText(block), std::string(1000, 'a'));
    ExchangeBlock::SetData(block, std::string(1500, 'b'));
    EXPECT_EQ(ExchangeBlock::DataText(block), std::string(1000, 'b'));
    ExchangeBlock::SetData(block, "short");
    EXPECT_EQ(ExchangeBlock::DataText(block), "short");
    for (size_t i = 5; i < 1000; ++i)
        ASSERT_EQ(block.Data[i], 0);
    EXPECT_EQ(Raw(block)[504], 0x55) << "the field before Data is untouched";
}

TEST(ExchangeBlockTest, LengthBytesAbove100RunOnInsideTheBlockOnly) {
    TExchangeBlock block = ExchangeBlock::Empty();
    ExchangeBlock::SetField(block.Name, std::string(100, 'n'));
    block.Name.Length = 255;
    ExchangeBlock::SetData(block, std::string(1000, 'd'));
    EXPECT_EQ(ExchangeBlock::KeptText(block.Name), std::string(100, 'n'));
    EXPECT_EQ(ExchangeBlock::LogText(block, block.Name),
              std::string(100, 'n') + std::string(155, 'd'));
    block.Command.Length = 200;
    EXPECT_EQ(ExchangeBlock::KeptText(block.Command).size(), 100u);
    EXPECT_EQ(ExchangeBlock::LogText(block, block.Command).size(), 200u);
    ExchangeBlock::SetField(block.Text, std::string(150, 't'));
    EXPECT_EQ(block.Text.Length, 100) << "the server never writes more than the capacity";
}

TEST(ExchangeBlockTest, LineBreaksCannotForgeLogLines) {
    TExchangeBlock block = ExchangeBlock::Empty();
    ExchangeBlock::SetField(block.Sender, "x\r\n12:00:00 Disconnect from \"10.0.0.9\"");
    EXPECT_EQ(ExchangeBlock::LogText(block, block.Sender),
              "x\\r\\n12:00:00 Disconnect from \"10.0.0.9\"");
    EXPECT_EQ(ExchangeBlock::KeptText(block.Sender).substr(0, 3), "x\r\n") << "kept as sent";
    ExchangeBlock::SetField(block.Text, "a\\nb");
    EXPECT_EQ(ExchangeBlock::LogText(block, block.Text), "a\\nb") << "other bytes unchanged";
}

} // namespace
