#include "protocol/ShotMessage.h"

#include <gtest/gtest.h>

namespace {

std::string Picture(size_t size) {
    std::string bytes(size, '\0');
    for (size_t n = 0; n < size; ++n)
        bytes[n] = static_cast<char>(n * 7 % 256); // zeros included: Data is no text here
    return bytes;
}

TEST(ShotMessageTest, APictureComesBackWholeFromItsPartsAndOnlyUpTo32Parts) {
    const std::string jpeg = Picture(2500);
    const auto blocks = ShotMessage::Split("Client 3", jpeg);
    ASSERT_EQ(blocks.size(), 3u);
    std::string joined;
    for (size_t n = 0; n < blocks.size(); ++n) {
        const auto part = ShotMessage::ReadPart(blocks[n]);
        ASSERT_TRUE(part);
        EXPECT_EQ(part->Part, static_cast<int>(n + 1));
        EXPECT_EQ(part->Count, 3);
        EXPECT_EQ(part->Sender, "Client 3");
        joined += part->Bytes;
    }
    EXPECT_EQ(joined, jpeg);
    EXPECT_EQ(ShotMessage::Split("Client 3", Picture(32000)).size(), 32u);
    EXPECT_TRUE(ShotMessage::Split("Client 3", Picture(32001)).empty());
    EXPECT_TRUE(ShotMessage::Split("Client 3", "").empty());
}

TEST(ShotMessageTest, ARequestIsNoPartAndPartsThatDoNotReadAreNone) {
    const TExchangeBlock request = ShotMessage::MakeRequest("10.0.0.7");
    EXPECT_TRUE(ShotMessage::IsRequest(request));
    EXPECT_EQ(ShotMessage::ReadPart(request), std::nullopt);
    EXPECT_FALSE(ShotMessage::IsRequest(ShotMessage::Split("Client 3", "x")[0]));
    TExchangeBlock block = ShotMessage::Split("Client 3", Picture(10))[0];
    for (const char* text : {"1/1", "0/1 10", "2/1 10", "1/33 10", "1/1 0", "1/1 1001", "1/1 10 ",
                             "-1/1 10", "+1/1 10", "1/1 00010", "a/1 10", "1//1 10"}) {
        ExchangeBlock::SetField(block.Text, text);
        EXPECT_EQ(ShotMessage::ReadPart(block), std::nullopt) << text;
    }
}

} // namespace
