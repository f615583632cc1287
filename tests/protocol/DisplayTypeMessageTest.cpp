#include "protocol/DisplayTypeMessage.h"

#include "protocol/KickMessage.h"

#include <climits>
#include <gtest/gtest.h>

namespace {

const std::string FullText = "[DisplayParams_Client3_4]\r\n"
                             "Edits_0_Text=Today only\r\n"
                             "Edits_1_Text=Bread\r\n"
                             "MediaPlayers_0_FileName=C:\\Media\\Ad.avi\r\n";

TEST(DisplayTypeMessageTest, ReadGivesBackWhatWasMade) {
    const std::string peer100(100, '7');
    const std::string fullBlock(ExchangeBlock::DataCapacity, 'd');
    for (const int type : {1, 8, 9, 0, -3, INT_MAX, INT_MIN}) {
        for (const std::string& config : {std::string(), FullText, fullBlock}) {
            const TDisplayTypeMessage made{type, "192.168.1.10", config};
            EXPECT_EQ(DisplayTypeMessage::Read(DisplayTypeMessage::Make(made)), made)
                << type << " " << config.size();
        }
    }
    const TDisplayTypeMessage longestPeer{2, peer100, FullText};
    EXPECT_EQ(DisplayTypeMessage::Read(DisplayTypeMessage::Make(longestPeer)), longestPeer);
    EXPECT_EQ(DisplayTypeMessage::Read(KickMessage::Make({"10.0.0.7"})), std::nullopt);
}

TEST(DisplayTypeMessageTest, WhatTheBlockCannotCarryIsCut) {
    const auto read = DisplayTypeMessage::Read(
        DisplayTypeMessage::Make({3, std::string(150, 'p'), std::string(1500, 'c')}));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->PeerIP, std::string(100, 'p'));
    EXPECT_EQ(read->ConfigText, std::string(1000, 'c'));
    const auto zero = DisplayTypeMessage::Read(
        DisplayTypeMessage::Make({3, "", std::string("[S]\r\n\0x=y\r\n", 11)}));
    EXPECT_EQ(zero->ConfigText, "[S]\r\n") << "the data ends at its first zero byte";
}

// The type text is read as the display reads it: anything but a whole decimal number within int
// is type 0, which shows no layout.
TEST(DisplayTypeMessageTest, TheTypeTextIsAWholeDecimalNumberOrNoType) {
    EXPECT_EQ(DisplayTypeMessage::TypeOf("4"), 4);
    EXPECT_EQ(DisplayTypeMessage::TypeOf("-2"), -2);
    EXPECT_EQ(DisplayTypeMessage::TypeOf("04"), 4);
    EXPECT_EQ(DisplayTypeMessage::TypeOf("2147483647"), INT_MAX);
    for (const char* none : {"", "+4", " 4", "4 ", "4x", "0x4", "2147483648", "-", "четыре"})
        EXPECT_EQ(DisplayTypeMessage::TypeOf(none), 0) << none;

    TExchangeBlock block = DisplayTypeMessage::Make({5, "10.0.0.7", ""});
    block.Text.Chars[5] = '9'; // behind the length byte: not part of the text
    EXPECT_EQ(DisplayTypeMessage::Read(block)->DisplayType, 5);
    block.Text.Length = 255;
    EXPECT_EQ(DisplayTypeMessage::Read(block)->DisplayType, 0) << "100 characters, no number";
}

// However the block's 1000 bytes cut the text, only whole lines are taken: a cut last line is
// left out, never shown half.
TEST(LayoutConfigTest, ACutLastLineIsLeftOutAtEveryByte) {
    const size_t lastLine = FullText.rfind("MediaPlayers");
    for (size_t cut = lastLine; cut < FullText.size(); ++cut) {
        const auto config = TLayoutConfig::Parse(FullText.substr(0, cut));
        EXPECT_EQ(config.Value("MediaPlayers_0_FileName"), "") << "cut at " << cut;
        EXPECT_EQ(config.Value("Edits_1_Text"), "Bread") << "cut at " << cut;
    }
    const auto whole = TLayoutConfig::Parse(FullText);
    EXPECT_EQ(whole.Section(), "DisplayParams_Client3_4");
    EXPECT_EQ(whole.Value("mediaplayers_0_filename"), "C:\\Media\\Ad.avi");
    EXPECT_EQ(whole.Count(), 3u);
}

TEST(LayoutConfigTest, TheServersTextComesBackThroughTheBlock) {
    const TLayoutConfig sent("DisplayParams_Client3_4",
                             {{"Edits_0_Text", "Today only"},
                              {"Edits_1_Text", "Bread"},
                              {"MediaPlayers_0_FileName", "C:\\Media\\Ad.avi"}});
    EXPECT_EQ(sent.Text(), FullText);
    const auto read =
        DisplayTypeMessage::Read(DisplayTypeMessage::Make({4, "10.0.0.7", sent.Text()}));
    ASSERT_TRUE(read);
    const auto parsed = TLayoutConfig::Parse(read->ConfigText);
    EXPECT_EQ(parsed, sent);
    EXPECT_FALSE(parsed.Cut());
    EXPECT_EQ(TLayoutConfig("DisplayParams_Client1_1", {}).Text(), "[DisplayParams_Client1_1]\r\n")
        << "a missing section sends its header alone";
    const TLayoutConfig emptyValues("S", {{"Edits_0_Text", ""}, {"=", "\xCC=\xE8"}});
    EXPECT_EQ(TLayoutConfig::Parse(emptyValues.Text()).Values(),
              (TLayoutConfig::TValues{{"Edits_0_Text", ""}, {"", "=\xCC=\xE8"}}))
        << "a value is everything after the first \"=\"";
}

// A layout longer than the block arrives as the lines that fit whole, and says it was cut.
TEST(LayoutConfigTest, ATextLongerThanTheBlockArrivesAsTheLinesThatFit) {
    TLayoutConfig::TValues values;
    for (int n = 0; n < 40; ++n)
        values.emplace_back("Edits_" + std::to_string(n) + "_Text", std::string(20, 'a'));
    const TLayoutConfig sent("DisplayParams_Client12_4", values);
    const std::string text = sent.Text();
    ASSERT_GT(text.size(), ExchangeBlock::DataCapacity);
    // The values whose lines end within the block's bytes.
    TLayoutConfig::TValues fit;
    size_t lineEnd = text.find("\r\n") + 2;
    for (const auto& value : values) {
        lineEnd = text.find("\r\n", lineEnd) + 2;
        if (lineEnd > ExchangeBlock::DataCapacity)
            break;
        fit.push_back(value);
    }
    const auto read = DisplayTypeMessage::Read(DisplayTypeMessage::Make({4, "", text}));
    const auto parsed = TLayoutConfig::Parse(read->ConfigText);
    EXPECT_TRUE(parsed.Cut());
    EXPECT_EQ(parsed.Section(), sent.Section());
    EXPECT_EQ(parsed.Values(), fit);
}

TEST(LayoutConfigTest, NamesCompareWithoutCaseAndTheFirstLineWins) {
    const auto config = TLayoutConfig::Parse("[S]\r\n"
                                             "Key=1\r\n"
                                             "KEY=2\r\n"
                                             " \tOther\t =  x y \r\n"
                                             "no value line\r\n"
                                             "[Second]\r\n"
                                             "late=3\n");
    EXPECT_EQ(config.Section(), "S") << "the first section line names it";
    EXPECT_EQ(config.Value("key"), "1");
    EXPECT_EQ(config.Value("OTHER"), "x y") << "blanks around names and values do not count";
    EXPECT_EQ(config.Value("late"), "3") << "a line may end in LF alone";
    EXPECT_EQ(config.Count(), 4u);
    EXPECT_FALSE(config.Has("missing"));
    EXPECT_EQ(config.Value("missing"), "");
    EXPECT_FALSE(config.Cut());
}

} // namespace
