#include "display/DisplayLink.h"

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
// the connection ends.
struct TScriptedConnection {
    bool Opens = true;
    std::vector<TExchangeBlock> Blocks;
    std::string Why = "Connection refused";
};

// A transport that plays a script, records what is sent and every pause, and stops the link
// once the script has run out.
class TScriptedTransport : public IDisplayTransport {
public:
    std::deque<TScriptedConnection> Script;
    std::vector<TExchangeBlock> Sent;
    std::vector<std::chrono::milliseconds> Pauses;
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
    std::optional<TExchangeBlock> Receive(std::string& why) override {
        if (next_ < current_.Blocks.size())
            return current_.Blocks[next_++];
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

} // namespace
