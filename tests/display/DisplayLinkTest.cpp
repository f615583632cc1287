#include "display/DisplayLink.h"

#include <algorithm>
#include <deque>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

TExchangeBlock Block(std::string_view command, std::string_view text = "",
                     std::string_view receiver = "", std::string_view data = "") {
    TExchangeBlock block = ExchangeBlock::Empty();
    ExchangeBlock::SetField(block.Command, command);
    ExchangeBlock::SetField(block.Sender, "SERVER");
    ExchangeBlock::SetField(block.Text, text);
    ExchangeBlock::SetField(block.Receiver, receiver);
    ExchangeBlock::SetData(block, data);
    return block;
}

// One scripted connection: refused (with why), or open with the blocks the server sends before
// the connection ends: closed by the server, or a limit of the receive ran out.
struct TScriptedConnection {
    bool Opens = true;
    std::vector<TExchangeBlock> Blocks;
    std::string Why = "Connection refused";
    TReceiveEnd Ends = TReceiveEnd::Ended;
};

// A transport that plays a script, records what is sent, every pause and the limits of every
// receive, and stops the link once the script has run out.
class TScriptedTransport : public IDisplayTransport {
public:
    std::deque<TScriptedConnection> Script;
    std::vector<TExchangeBlock> Sent;
    std::vector<std::chrono::milliseconds> Pauses;
    std::vector<TReceiveLimits> Limits;
    int Opens = 0;
    TDisplayLink* Link = nullptr;

    bool Open(const std::string&, uint16_t, const std::string&, std::string& why) override {
        if (Script.empty()) {
            Link->Stop();
            why = "stopped";
            return false;
        }
        current_ = Script.front();
        Script.pop_front();
        ++Opens;
        why = current_.Why;
        next_ = 0;
        return current_.Opens;
    }
    std::string LocalAddress() override { return "10.1.1.7"; }
    bool Send(const TExchangeBlock& block, std::string&) override {
        Sent.push_back(block);
        return true;
    }
    std::optional<TExchangeBlock> Receive(const TReceiveLimits& limits, TReceiveEnd& end,
                                          std::string& why) override {
        Limits.push_back(limits);
        if (next_ < current_.Blocks.size())
            return current_.Blocks[next_++];
        end = current_.Ends;
        why = "closed by the server";
        return std::nullopt;
    }
    void Close() override {}
    void Interrupt() override {}
    bool Pause(std::chrono::milliseconds time) override {
        Pauses.push_back(time);
        return true;
    }

private:
    TScriptedConnection current_;
    size_t next_ = 0;
};

class TRecordedEvents : public IDisplayLinkEvents {
public:
    std::vector<std::string> Lines;
    std::vector<std::pair<int, std::string>> Layouts;
    std::vector<std::string> Messages;

    void Status(const std::string& line) override { Lines.push_back(line); }
    void LayoutReceived(int displayType, const std::string& configText) override {
        Layouts.emplace_back(displayType, configText);
    }
    void MessageReceived(const std::string& text) override { Messages.push_back(text); }
};

class DisplayLinkTest : public ::testing::Test {
protected:
    void Run() {
        TDisplayLink link(options, "kiosk-3", transport, events);
        transport.Link = &link;
        link.Run();
    }

    TDisplayOptions options = [] {
        TDisplayOptions o;
        o.Host = "server";
        o.Name = "Client 3";
        o.KickQuietSeconds = 60;
        return o;
    }();
    TScriptedTransport transport;
    TRecordedEvents events;
};

TEST_F(DisplayLinkTest, RegistersAndPassesOnLayoutsRefreshesAndItsMessages) {
    transport.Script.push_back(
        {true,
         {Block("DISPLAY_TYPE", "4", "10.9.9.9", "[S]\r\nA=1\r\n"), Block("MESSAGE", "to all"),
          Block("MESSAGE", "by name", "client 3"), Block("MESSAGE", "not ours", "Client 9"),
          Block("MESSAGE", "by address", "10.1.1.7"),
          Block("MESSAGE", "as the server calls us", "10.9.9.9"), Block("NOISE", "x"),
          Block("DISPLAY_TYPE", "2", "10.9.9.9", "[T]\r\n")}});
    Run();
    ASSERT_EQ(transport.Sent.size(), 1u);
    const TExchangeBlock& registration = transport.Sent[0];
    EXPECT_TRUE(ExchangeBlock::IsCommand(registration, "REGISTER"));
    EXPECT_EQ(ExchangeBlock::KeptText(registration.Name), "Client 3");
    EXPECT_EQ(ExchangeBlock::KeptText(registration.Sender), "kiosk-3");
    EXPECT_EQ(ExchangeBlock::DataText(registration), "");
    EXPECT_EQ(events.Layouts,
              (std::vector<std::pair<int, std::string>>{{4, "[S]\r\nA=1\r\n"}, {2, "[T]\r\n"}}));
    EXPECT_EQ(events.Messages, (std::vector<std::string>{"to all", "by name", "by address",
                                                         "as the server calls us"}));
    EXPECT_EQ(events.Lines[0], "connected to server:5678");
    EXPECT_EQ(events.Lines[1], "registered as Client 3, type 4");
    EXPECT_EQ(events.Lines.back(), "server lost (closed by the server), next try in 1 s");
}

TEST_F(DisplayLinkTest, RetriesDoubleToThirtySecondsAndARegistrationStartsThemAgain) {
    for (int i = 0; i < 7; ++i)
        transport.Script.push_back({false, {}, "Connection refused"});
    transport.Script.push_back({true, {Block("DISPLAY_TYPE", "1")}});
    transport.Script.push_back({false, {}, "No route to host"});
    Run();
    using ms = std::chrono::milliseconds;
    EXPECT_EQ(transport.Pauses, (std::vector<ms>{1s, 2s, 4s, 8s, 16s, 30s, 30s, 1s, 2s}));
    EXPECT_EQ(events.Lines[0], "cannot reach server:5678 (Connection refused), next try in 1 s");
    EXPECT_EQ(events.Lines.back(), "cannot reach server:5678 (No route to host), next try in 2 s");
    EXPECT_EQ(transport.Sent.size(), 1u);
}

TEST_F(DisplayLinkTest, KickKeepsAwayForTheQuietPeriodThenRegistersAgain) {
    transport.Script.push_back({true, {Block("DISPLAY_TYPE", "3"), Block("KICK", "KICK")}});
    transport.Script.push_back({true, {Block("DISPLAY_TYPE", "3")}});
    Run();
    ASSERT_GE(transport.Pauses.size(), 1u);
    EXPECT_EQ(transport.Pauses[0], 60s) << "only the quiet period before the next connection";
    EXPECT_EQ(transport.Opens, 2);
    EXPECT_EQ(transport.Sent.size(), 2u) << "registered again on the new connection";
    EXPECT_NE(std::find(events.Lines.begin(), events.Lines.end(), "kicked, quiet for 60 s"),
              events.Lines.end());
    EXPECT_EQ(events.Layouts.size(), 2u);
}

bool Logged(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// Until the registration's answer every block is due by one time from the REGISTER, a broadcast
// before the answer included; after the answer the next block may take as long as it likes, but
// never its rest. Both faults count as a lost server, tried again as any loss.
TEST_F(DisplayLinkTest, UnansweredRegistrationAndHalfBlocksAreLostAndTriedAgain) {
    transport.Script.push_back({true, {}, "", TReceiveEnd::NoFirstByte});
    transport.Script.push_back(
        {true,
         {Block("MESSAGE", "early"), Block("DISPLAY_TYPE", "4"), Block("MESSAGE", "later")},
         "",
         TReceiveEnd::NoRest});
    Run();
    EXPECT_EQ(transport.Opens, 2);
    EXPECT_EQ(transport.Sent.size(), 2u) << "registered again on the new connection";
    EXPECT_TRUE(Logged(events.Lines,
                       "server lost (no answer to the registration within 30 s), next try in 1 s"));
    EXPECT_TRUE(
        Logged(events.Lines,
               "server lost (the rest of a block did not come within 30 s), next try in 1 s"));
    EXPECT_EQ(events.Messages, (std::vector<std::string>{"early", "later"}));

    ASSERT_EQ(transport.Limits.size(), 5u);
    for (const TReceiveLimits& limits : transport.Limits)
        EXPECT_EQ(limits.Rest, 30s) << "a block's rest is always bounded";
    for (size_t answerDue : {0u, 1u, 2u}) {
        ASSERT_TRUE(transport.Limits[answerDue].FirstByte) << answerDue;
        EXPECT_LE(*transport.Limits[answerDue].FirstByte, 30s) << answerDue;
    }
    EXPECT_LE(*transport.Limits[2].FirstByte, *transport.Limits[1].FirstByte)
        << "a broadcast before the answer does not move the registration's time";
    EXPECT_EQ(transport.Limits[3].FirstByte, std::nullopt) << "silence after the answer is normal";
    EXPECT_EQ(transport.Limits[4].FirstByte, std::nullopt);
}

// A server that kicks every registration must not be hammered, however short the quiet period.
TEST_F(DisplayLinkTest, AKickKeepsAwayAtLeastTheFirstRetryEvenWithoutAQuietPeriod) {
    options.KickQuietSeconds = 0;
    for (int i = 0; i < 3; ++i)
        transport.Script.push_back({true, {Block("KICK", "KICK")}});
    Run();
    EXPECT_EQ(transport.Opens, 3);
    EXPECT_EQ(transport.Pauses, (std::vector<std::chrono::milliseconds>{1s, 1s, 1s}));
    EXPECT_TRUE(Logged(events.Lines, "kicked, quiet for 1 s"));
}

} // namespace
