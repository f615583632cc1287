#include "common/RecordingScript.h"
#include "common/TempDir.h"
#include "display/DisplayLink.h"
#include "display/TcpTransport.h"
#include "platform/IniFile.h"
#include "protocol/DisplayTypeMessage.h"
#include "protocol/StatusMessage.h"
#include "server/DisplayServer.h"
#include "server/TestClient.h"

#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace {

class TCollectedEvents : public IDisplayLinkEvents {
public:
    void Status(const std::string& line) override {
        std::lock_guard lock(mutex_);
        lines_.push_back(line);
    }
    void LayoutReceived(int displayType, const std::string& configText) override {
        std::lock_guard lock(mutex_);
        layouts_.emplace_back(displayType, configText);
    }
    void MessageReceived(const std::string&) override {}
    void ShotRequested() override { ++ShotsAsked; }

    std::atomic<int> ShotsAsked{0};

    std::vector<std::pair<int, std::string>> Layouts() {
        std::lock_guard lock(mutex_);
        return layouts_;
    }
    std::vector<std::string> Lines() {
        std::lock_guard lock(mutex_);
        return lines_;
    }
    bool Logged(const std::string& line) {
        const auto lines = Lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

private:
    std::mutex mutex_;
    std::vector<std::string> lines_;
    std::vector<std::pair<int, std::string>> layouts_;
};

using namespace std::chrono_literals;

// The limits shortened, so that a silent server is given up in a fraction of a second.
constexpr TLinkLimits Short{200ms, 200ms};

TDisplayOptions OptionsFor(const TScriptedServer& server) {
    TDisplayOptions options;
    options.Host = "127.0.0.1";
    options.Port = server.Port();
    options.Name = "Client 3";
    return options;
}

// A server that never answers the registration, and one that stops in the middle of its
// answer: each is given up after its limit and tried again.
TEST(DisplayOverTcpTest, ASilentOrStalledServerIsLostWithinTheLimitsAndTriedAgain) {
    struct TCase {
        const char* Name;
        TScriptedServer::TScript Serve;
        std::string Lost;
    };
    const TExchangeBlock answer = DisplayTypeMessage::Make({4, "127.0.0.1", "[S]\r\n"});
    const TCase cases[] = {
        {"silent", [](TScriptedServer::TConnection&) { return true; },
         "server lost (no answer to the registration within 200 ms), next try in 1 s"},
        {"stalled", [&answer](TScriptedServer::TConnection& c) { return c.Send(&answer, 700); },
         "server lost (the rest of a block did not come within 200 ms), next try in 1 s"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TScriptedServer server(c.Serve);
        TTcpTransport transport;
        TCollectedEvents events;
        TDisplayLink link(OptionsFor(server), "kiosk", transport, events, Short);
        std::thread running([&] { link.Run(); });
        EXPECT_TRUE(WaitFor([&] { return events.Logged(c.Lost); }));
        EXPECT_TRUE(WaitFor([&] { return server.Accepted() >= 2; })) << "tried again";
        link.Stop();
        running.join();
        EXPECT_TRUE(events.Layouts().empty());
    }
}

// What the display hands to its link goes out at once while it is registered, even while the
// link waits without bound for the server's next block; before, it is refused. A picture asked
// for reaches the display.
TEST(DisplayOverTcpTest, BlocksHandedOverGoOutWhileRegistered) {
    TRecordingScript script(DisplayTypeMessage::Make({4, "127.0.0.1", "[S]\r\n"}));
    TScriptedServer server(script.Script());
    TTcpTransport transport;
    TCollectedEvents events;
    TDisplayLink link(OptionsFor(server), "kiosk", transport, events);
    const TExchangeBlock status = StatusMessage::Make({"Client 3", "type 4", "type=4\r\n"});
    EXPECT_FALSE(link.Send({status}));
    std::thread running([&] { link.Run(); });
    ASSERT_TRUE(WaitFor([&] { return events.Layouts().size() == 1; }));
    ASSERT_TRUE(link.Send({status, status}));
    EXPECT_TRUE(WaitFor([&] { return script.Received().size() == 2; }));
    script.Send(ShotMessage::MakeRequest("127.0.0.1"));
    EXPECT_TRUE(WaitFor([&] { return events.ShotsAsked == 1; }));
    link.Stop();
    running.join();
    EXPECT_EQ(StatusMessage::Read(script.Received().front())->Summary, "type 4");
}

// The display's link over real TCP against the real server: registration, the operator's
// refresh, a stop that ends a blocked read at once, and a refused connection reported.
TEST(DisplayOverTcpTest, RegistersTakesTheRefreshAndStopsAtOnce) {
    TTempDir dir;
    TIniFile ini(dir.File("velmora.ini"));
    ini.WriteInteger("ClientDisplay_Client3", "DisplayType", 7);
    ini.WriteString("DisplayParams_Client3_7", "Edits_0_Text", "Hello");
    TDisplayServer server(ini.FileName(), nullptr);
    server.StartListening(0);

    TDisplayOptions options;
    options.Host = "127.0.0.1";
    options.Port = server.Server.BoundPort();
    options.Name = "Client 3";
    TTcpTransport transport;
    TCollectedEvents events;
    TDisplayLink link(options, "kiosk", transport, events);
    std::thread running([&] { link.Run(); });

    ASSERT_TRUE(WaitFor([&] { return events.Layouts().size() == 1; }));
    EXPECT_EQ(events.Layouts()[0], (std::pair<int, std::string>{
                                       7, "[DisplayParams_Client3_7]\r\nEdits_0_Text=Hello\r\n"}));
    ini.WriteInteger("ClientDisplay_Client3", "DisplayType", 5);
    {
        auto clients = server.Clients()->LockList();
        const TClientEntry& entry = **clients.begin();
        const TExchangeBlock refresh = server.DisplayTypeBlockFor(entry);
        SendTo(entry, refresh);
    }
    ASSERT_TRUE(WaitFor([&] { return events.Layouts().size() == 2; }));
    EXPECT_EQ(events.Layouts()[1].first, 5);

    link.Stop();
    running.join();
    EXPECT_TRUE(WaitFor([&] { return server.Clients()->LockList().Count() == 0; }));

    const uint16_t port = server.Server.BoundPort();
    server.Shutdown();
    options.Port = port;
    TTcpTransport refused;
    std::string why;
    EXPECT_FALSE(refused.Open("127.0.0.1", port, "", why));
    EXPECT_EQ(why, "Connection refused");
}

} // namespace
