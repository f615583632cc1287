#include "display/DisplayStatus.h"

#include <gtest/gtest.h>

namespace {

TDisplayFacts Rotating() {
    TDisplayFacts facts;
    facts.Shown = {2, "spring.mp4", 3, 6, true, "Fri 22:00", ""};
    facts.Media = TDisplayFacts::TMedia{5, 6, 1200000000, 4000000000};
    facts.Uptime = std::chrono::seconds(3 * 3600 + 12 * 60 + 5);
    facts.Version = "1.0-1";
    facts.TemperatureC = 48.5;
    return facts;
}

} // namespace

TEST(DisplayStatusTest, SaysWhatIsShownInTheOperatorsCodePage) {
    TDisplayFacts facts = Rotating();
    facts.Shown.Item = "весна.mp4";
    const TStatusMessage message = DisplayStatus::Make("Client 3", facts);
    EXPECT_EQ(message.Sender, "Client 3");
    EXPECT_EQ(message.Summary, "type 2: \xe2\xe5\xf1\xed\xe0.mp4 (3 of 6)");
    EXPECT_EQ(message.Lines, "shown=type 2, \xe2\xe5\xf1\xed\xe0.mp4\r\nplace=3/6\r\n"
                             "screen=on until Fri 22:00\r\nmedia=5/6 cached, 1.2 GB of 4.0 GB\r\n"
                             "uptime=3h 12m\r\nversion=1.0-1\r\ntemperature=48.5 C\r\n");

    facts.Shown.ScreenOn = false;
    facts.Shown.ScreenUntil = "Mon 07:00";
    EXPECT_EQ(DisplayStatus::Make("Client 3", facts).Summary, "screen off until Mon 07:00");
}

// The problem goes last and is the line cut; what stands is whole lines within 1000 bytes.
TEST(DisplayStatusTest, CutsWholeLinesAtTheBlocksData) {
    TDisplayFacts facts = Rotating();
    facts.Shown.Problem = "12:00:01 cannot show " + std::string(1200, 'x');
    const std::string lines = DisplayStatus::Make("Client 3", facts).Lines;
    EXPECT_EQ(lines.find("problem="), std::string::npos);
    EXPECT_TRUE(lines.ends_with("temperature=48.5 C\r\n"));

    facts.Shown.Problem = "12:00:01 cannot show " + std::string(700, 'x');
    const std::string cut = DisplayStatus::Make("Client 3", facts).Lines;
    EXPECT_LE(cut.size(), DisplayStatus::MostLineBytes);
    EXPECT_TRUE(cut.ends_with("x\r\n"));
}

TEST(DisplayStatusTest, GathersChangesForTenSecondsAndSendsAtLeastEachMinute) {
    using namespace std::chrono_literals;
    const TStatusPace::TClock::time_point start{};
    TDisplayFacts::TShown shown = Rotating().Shown;
    TStatusPace pace;
    ASSERT_TRUE(pace.Due(start, shown)); // registered
    pace.Sent(start, shown);
    EXPECT_FALSE(pace.Due(start + 59s, shown));
    shown.Place = 4;
    EXPECT_FALSE(pace.Due(start + 9s, shown));
    shown.Place = 5; // within the same ten seconds: one block for both
    ASSERT_TRUE(pace.Due(start + 10s, shown));
    pace.Sent(start + 10s, shown);
    EXPECT_FALSE(pace.Due(start + 69s, shown));
    EXPECT_TRUE(pace.Due(start + 70s, shown));
    pace.Restart();
    EXPECT_TRUE(pace.Due(start + 11s, shown));
}
