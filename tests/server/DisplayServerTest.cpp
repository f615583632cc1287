#include "server/DisplayServer.h"

#include "TestClient.h"
#include "common/FixedClock.h"
#include "common/TempDir.h"
#include "console/ActivityLog.h"
#include "platform/IniFile.h"
#include "platform/ScopeGuard.h"
#include "protocol/DisplayTypeMessage.h"
#include "protocol/KickMessage.h"
#include "protocol/ShotMessage.h"
#include "protocol/StatusMessage.h"

#include <gtest/gtest.h>
#include <regex>
#include <sys/resource.h>

namespace {

// The whole display server over real loopback TCP, with its log collected.
class DisplayServerTest : public ::testing::Test {
protected:
    void SetUp() override { Start(); }

    void Start(int stallTimeout = 10000) {
        server = std::make_unique<TDisplayServer>(
            ini.FileName(), [this](std::string line) { log.AddLog(std::move(line)); });
        server->Server.StallTimeout = stallTimeout;
        server->StartListening(0);
        port = server->Server.BoundPort();
    }

    size_t ClientCount() { return server->Clients()->LockList().Count(); }

    // Returns once the server has listed the connection and logged it: the entry is added just
    // before the line is written.
    std::unique_ptr<TTestClient> Connect(const std::string& source = "127.0.0.1") {
        const size_t before = ClientCount();
        const size_t logged = ConnectionLines();
        auto client = std::make_unique<TTestClient>(port, source);
        EXPECT_TRUE(WaitFor(
            [&] { return ClientCount() == before + 1 && ConnectionLines() == logged + 1; }));
        return client;
    }
    size_t ConnectionLines() {
        const auto lines = LogLines();
        return static_cast<size_t>(std::count_if(lines.begin(), lines.end(), [](const auto& l) {
            return l.find(" Connection from \"") != std::string::npos;
        }));
    }

    // The log lines; the clock gives "{time}" as the time of day.
    std::vector<std::string> LogLines() { return log.Lines(); }
    bool Logged(const std::string& line) {
        return WaitFor([&] {
            const auto lines = LogLines();
            return std::find(lines.begin(), lines.end(), line) != lines.end();
        });
    }

    TFixedClock clock;
    TTempDir dir;
    TIniFile ini{dir.File("velmora.ini")};
    TActivityLog log;
    std::unique_ptr<TDisplayServer> server;
    uint16_t port = 0;
};

TEST_F(DisplayServerTest, RegistrationIsAnsweredWithTypeAndLayout) {
    ini.WriteInteger("ClientDisplay_Client3", "DisplayType", 3);
    ini.WriteString("DisplayParams_Client3_3", "MediaPlayers_0_FileName", "/media/a.avi");
    ini.WriteString("DisplayParams_Client3_3", "Edits_0_Text", "Sale");
    auto client = Connect();
    client->Send(ClientBlock("REGISTER", "display-7", "", "", "Client 3"));
    const auto reply = client->Receive();
    ASSERT_TRUE(reply.has_value());
    const std::string config = "[DisplayParams_Client3_3]\r\nMediaPlayers_0_FileName=/media/"
                               "a.avi\r\nEdits_0_Text=Sale\r\n";
    EXPECT_EQ(Bytes(*reply), Bytes(DisplayTypeMessage::Make({3, "127.0.0.1", config})));
    EXPECT_EQ(LogLines(),
              (std::vector<std::string>{"{time} Connection from \"127.0.0.1\"", "Command=REGISTER",
                                        "{time} Register \"display-7\" as Client 3"}));
    auto list = server->Clients()->LockList();
    EXPECT_EQ((*list.begin())->ClientName, "Client 3");
}

TEST_F(DisplayServerTest, LinesCarryTheTimeOfDayAndEntriesTheirDateTimes) {
    clock.SetTimeText("09:05:01");
    clock.SetDateTime(45000.25);
    auto client = Connect();
    EXPECT_EQ(log.Lines().front(), "09:05:01 Connection from \"127.0.0.1\"");
    const auto times = [this] {
        auto list = server->Clients()->LockList();
        const TClientEntry& entry = **list.begin();
        return std::pair(entry.Connected, entry.LastAction.load());
    };
    EXPECT_EQ(times(), std::pair(45000.25, 45000.25)) << "no block yet";
    clock.SetDateTime(45000.5);
    client->Send(ClientBlock("NOOP", "d", "", "", ""));
    ASSERT_TRUE(WaitFor([&] { return times().second == 45000.5; }));
    EXPECT_EQ(times().first, 45000.25);
}

TEST_F(DisplayServerTest, RegistrationRenamesEveryConnectionFromTheSameAddress) {
    auto a = Connect("127.0.0.2");
    auto b = Connect("127.0.0.2");
    auto other = Connect("127.0.0.3");
    b->Send(ClientBlock("REGISTER", "b", "", "", "Client 2"));
    ASSERT_TRUE(a->Receive().has_value());
    ASSERT_TRUE(b->Receive().has_value());
    EXPECT_FALSE(other->Receive(300).has_value());
    const auto lines = LogLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "{time} Register \"b\" as Client 2"), 2);
    auto list = server->Clients()->LockList();
    std::vector<std::string> names;
    for (const auto& e : list)
        names.push_back(e->ClientName);
    EXPECT_EQ(names, (std::vector<std::string>{"Client 2", "Client 2", ""}));
}

TEST_F(DisplayServerTest, BroadcastGoesByteForByteToEveryoneIncludingTheSender) {
    auto a = Connect("127.0.0.4");
    auto b = Connect("127.0.0.5");
    TExchangeBlock message = ClientBlock("MESSAGE", "a", "hello all", "", "x");
    message.Receiver.Chars[5] = 'z'; // padding behind a zero length is not a receiver
    std::memset(message.Data, 0x7F, sizeof message.Data);
    a->Send(message);
    for (auto* c : {a.get(), b.get()}) {
        const auto got = c->Receive();
        ASSERT_TRUE(got.has_value());
        EXPECT_EQ(Bytes(*got), Bytes(message));
    }
    EXPECT_TRUE(Logged("{time} Broadcasting MESSAGE: \"hello all\""));
}

TEST_F(DisplayServerTest, TargetedMessageGoesToTheAddressOrTheNameInAnyCase) {
    auto a = Connect("127.0.0.6");
    auto b = Connect("127.0.0.7");
    auto c = Connect("127.0.0.8");
    b->Send(ClientBlock("REGISTER", "b", "", "", "Client 2"));
    ASSERT_TRUE(b->Receive().has_value());

    const TExchangeBlock byName = ClientBlock("MESSAGE", "a", "to two", "client 2");
    a->Send(byName);
    const auto got = b->Receive();
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(Bytes(*got), Bytes(byName));
    EXPECT_TRUE(Logged("{time} Sending MESSAGE to \"client 2\": \"to two\""));

    a->Send(ClientBlock("MESSAGE", "a", "to eight", "127.0.0.8"));
    ASSERT_TRUE(c->Receive().has_value());

    a->Send(ClientBlock("MESSAGE", "a", "to nobody", "Client 16"));
    EXPECT_TRUE(Logged("{time} Sending MESSAGE to \"Client 16\": \"to nobody\""));
    EXPECT_FALSE(a->Receive(200).has_value());
    EXPECT_FALSE(b->Receive(200).has_value());
    EXPECT_EQ(ClientCount(), 3u) << "a receiver that matches nobody raises no error";
}

TEST_F(DisplayServerTest, UnknownAndEmptyCommandsAreLoggedAndIgnored) {
    auto client = Connect();
    client->Send(ClientBlock("register", "s1"));
    client->Send(ClientBlock("", "s2"));
    EXPECT_TRUE(Logged("{time} Unknown command from \"s1\": register"));
    EXPECT_TRUE(Logged("{time} Unknown command from \"s2\": "));
    EXPECT_TRUE(Logged("Command="));
    EXPECT_FALSE(client->Receive(200).has_value());
}

TEST_F(DisplayServerTest, OverlongNameIsLoggedRunningOnAndKeptAt100) {
    auto client = Connect();
    TExchangeBlock block = ClientBlock("REGISTER", "s", "", "", std::string(100, 'N'));
    block.Name.Length = 255;
    std::memset(block.Data, 'D', sizeof block.Data);
    client->Send(block);
    ASSERT_TRUE(client->Receive().has_value());
    EXPECT_TRUE(
        Logged("{time} Register \"s\" as " + std::string(100, 'N') + std::string(155, 'D')));
    auto list = server->Clients()->LockList();
    EXPECT_EQ((*list.begin())->ClientName, std::string(100, 'N'));
}

TEST_F(DisplayServerTest, DisconnectRemovesTheEntryAndLogsIt) {
    auto client = Connect("127.0.0.9");
    client->Close();
    ASSERT_TRUE(WaitFor([&] { return ClientCount() == 0; }));
    EXPECT_TRUE(Logged("{time} Disconnect from \"127.0.0.9\""));
}

TEST_F(DisplayServerTest, FailedConnectEventLeavesNoEntryBehind) {
    server.reset();
    // A log that fails on the connection line makes the connect event fail after the entry
    // was added; the worker then ends without a disconnect event.
    server = std::make_unique<TDisplayServer>(ini.FileName(), [this](std::string line) {
        if (line.find("Connection from") != std::string::npos)
            throw std::runtime_error("log failed");
        log.AddLog(std::move(line));
    });
    server->StartListening(0);
    TTestClient client(server->Server.BoundPort());
    EXPECT_TRUE(client.ClosedByServer());
    ASSERT_TRUE(WaitFor([&] { return server->ThreadMgr.LiveCount() == 0; }));
    EXPECT_EQ(ClientCount(), 0u);
    EXPECT_TRUE(log.Lines().empty()) << "no disconnect line either";
}

TEST_F(DisplayServerTest, StopIsRefusedWhileClientsAreConnected) {
    auto client = Connect();
    EXPECT_FALSE(server->StopListening());
    EXPECT_TRUE(server->Listening());
    client->Close();
    ASSERT_TRUE(WaitFor([&] { return ClientCount() == 0; }));
    EXPECT_TRUE(server->StopListening());
    EXPECT_FALSE(server->Listening());
}

TEST_F(DisplayServerTest, WritesToADepartedClientAreSkipped) {
    auto client = Connect();
    const TClientEntry* entry = nullptr;
    {
        auto list = server->Clients()->LockList();
        entry = list.begin()->get();
    }
    EXPECT_TRUE(server->WriteToClient(entry, KickMessage::Make({"127.0.0.1"})));
    const auto kick = client->Receive();
    ASSERT_TRUE(kick.has_value());
    EXPECT_TRUE(ExchangeBlock::IsCommand(*kick, "KICK"));
    client->Close();
    ASSERT_TRUE(WaitFor([&] { return ClientCount() == 0; }));
    EXPECT_FALSE(server->WriteToClient(entry, KickMessage::Make({"127.0.0.1"})));
}

TEST_F(DisplayServerTest, ShutdownEndsEveryWorkerAndReleasesTheTable) {
    std::vector<std::unique_ptr<TTestClient>> clients;
    for (int i = 0; i < 4; ++i)
        clients.push_back(Connect());
    server->Shutdown();
    EXPECT_EQ(server->ThreadMgr.LiveCount(), 0u);
    EXPECT_EQ(server->Clients(), nullptr);
    EXPECT_FALSE(server->Listening());
    for (auto& c : clients)
        EXPECT_TRUE(c->ClosedByServer());
}

TEST_F(DisplayServerTest, ShutdownDoesNotHangOnClientsConnectingDuringIt) {
    std::atomic<bool> stop{false};
    std::atomic<int> connections{0};
    std::thread connector([&] {
        while (!stop) {
            try {
                TTestClient c(port);
                ++connections;
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            } catch (const std::exception&) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
    });
    EXPECT_TRUE(WaitFor([&] { return connections >= 5; }));
    server->Shutdown();
    stop = true;
    connector.join();
    EXPECT_EQ(server->ThreadMgr.LiveCount(), 0u);
}

// A worker stuck in an event handler (a hung file system, say) cannot hold the program's end:
// the shutdown keeps its bound, and what the worker does once it moves on reaches neither the
// log nor freed memory.
TEST_F(DisplayServerTest, ShutdownKeepsItsBoundWithAWorkerStuckInItsConnectEvent) {
    std::mutex gate;
    std::unique_lock held(gate);
    std::atomic<int> entered{0};
    server->Server.OnConnect = [&](TIdPeerThread& thread) {
        if (thread.PeerAddress() == "127.0.0.2") {
            ++entered;
            std::lock_guard wait(gate);
        }
        server->SvrConnect(thread);
    };
    auto idle = Connect();
    TTestClient stuck(port, "127.0.0.2");
    ASSERT_TRUE(WaitFor([&] { return entered == 1; }));
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(server->Shutdown()) << "the stuck worker outlives the bound";
    const auto took = std::chrono::steady_clock::now() - started;
    RecordProperty(
        "shutdown_ms",
        std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));
    EXPECT_EQ(server->Clients(), nullptr);
    EXPECT_TRUE(idle->ClosedByServer());
    const size_t linesAtEnd = LogLines().size();
    held.unlock();
    ASSERT_TRUE(WaitFor([&] { return server->ThreadMgr.LiveCount() == 0; }));
    EXPECT_EQ(LogLines().size(), linesAtEnd) << "nothing is logged after the shutdown";
    // Its owner's deleter frees it once nothing runs inside any more.
    TDisplayServer::TRelease()(server.release());
}

TEST_F(DisplayServerTest, SimultaneousConnectionsGiveWholeLogLines) {
    std::vector<std::unique_ptr<TTestClient>> clients;
    std::vector<std::thread> threads;
    std::mutex m;
    for (int i = 0; i < 16; ++i) {
        threads.emplace_back([&, i] {
            auto c = std::make_unique<TTestClient>(port, "127.0.1." + std::to_string(i + 1));
            std::lock_guard lock(m);
            clients.push_back(std::move(c));
        });
    }
    for (auto& t : threads)
        t.join();
    ASSERT_TRUE(WaitFor([&] { return ClientCount() == 16; }));
    const std::regex whole(R"(^\{time\} Connection from "127\.0\.1\.\d+"$)");
    for (const auto& line : LogLines())
        EXPECT_TRUE(std::regex_match(line, whole)) << line;
}

// A display that stops reading must not hold up everybody else for longer than the send limit.
TEST_F(DisplayServerTest, ClientThatNeverReadsIsDroppedAndOthersCarryOn) {
    server.reset();
    Start(500);
    auto stuck = std::make_unique<TTestClient>(port, "127.0.0.20", 4096);
    // Listed and logged, so that the next connection counts its own line only.
    ASSERT_TRUE(WaitFor([&] { return ClientCount() == 1 && ConnectionLines() == 1; }));
    auto talker = Connect("127.0.0.21");
    const TExchangeBlock message = ClientBlock("MESSAGE", "t", "fill", "", "");
    // Broadcasts reach the stuck client first (it connected first) until its buffers are full.
    bool dropped = false;
    for (int i = 0; i < 5000 && !dropped; ++i) {
        talker->Send(message);
        talker->Receive(50);
        dropped = ClientCount() == 1;
    }
    ASSERT_TRUE(WaitFor([&] { return ClientCount() == 1; }, 15000))
        << "the stuck client's connection is dropped after the stall limit";
    EXPECT_TRUE(Logged("{time} Dropped \"127.0.0.20\": not reading"));
    EXPECT_TRUE(Logged("{time} Disconnect from \"127.0.0.20\""));
    // The others go on: a new client registers and gets its answer.
    auto late = Connect("127.0.0.22");
    late->Send(ClientBlock("REGISTER", "late", "", "", "Client 4"));
    EXPECT_TRUE(late->Receive().has_value());
    while (talker->Receive(50)) {
    }
    talker->Send(ClientBlock("MESSAGE", "t", "still here", "127.0.0.21"));
    const auto echo = talker->Receive();
    ASSERT_TRUE(echo.has_value());
    EXPECT_EQ(ExchangeBlock::KeptText(echo->Text), "still here");
}

// With no stall limit at all, displays that never read still hold up nobody: blocks for them
// wait in their own queues, and the server answers everybody else at once.
TEST_F(DisplayServerTest, DisplaysThatNeverReadHoldUpNobody) {
    server.reset();
    Start(0);
    std::vector<std::unique_ptr<TTestClient>> stuck;
    for (int i = 0; i < 4; ++i)
        stuck.push_back(std::make_unique<TTestClient>(port, "127.0.0.3" + std::to_string(i), 4096));
    ASSERT_TRUE(WaitFor([&] { return ClientCount() == 4 && ConnectionLines() == 4; }));
    auto talker = Connect("127.0.0.40");
    const TExchangeBlock message = ClientBlock("MESSAGE", "t", "fill", "", "");
    // Far more than the stuck peers' socket buffers hold, far less than their queue limit.
    for (int i = 0; i < 300; ++i) {
        talker->Send(message);
        ASSERT_TRUE(talker->Receive().has_value()) << "the talker's own copy, block " << i;
    }
    auto late = Connect("127.0.0.41");
    late->Send(ClientBlock("REGISTER", "late", "", "", "Client 4"));
    EXPECT_TRUE(late->Receive().has_value());
    EXPECT_EQ(ClientCount(), 6u);
}

// A peer that lets more than the queue limit pile up is dropped, whatever the stall limit.
TEST_F(DisplayServerTest, AQueueBeyondItsLimitDropsThePeer) {
    server.reset();
    Start(0);
    auto stuck = std::make_unique<TTestClient>(port, "127.0.0.50", 4096);
    ASSERT_TRUE(WaitFor([&] { return ClientCount() == 1 && ConnectionLines() == 1; }));
    auto talker = Connect("127.0.0.51");
    const TExchangeBlock message = ClientBlock("MESSAGE", "t", "flood", "", "");
    // The kernel's buffers of both ends take some megabytes before the queue grows.
    const size_t blocks = 16 * TIdTCPServerConnection::MaxQueuedBytes / sizeof message;
    for (size_t i = 0; i < blocks && ClientCount() == 2; ++i) {
        talker->Send(message);
        ASSERT_TRUE(talker->Receive().has_value()) << "block " << i;
    }
    EXPECT_TRUE(Logged("{time} Dropped \"127.0.0.50\": not reading"));
    EXPECT_TRUE(WaitFor([&] { return ClientCount() == 1; }));
}

// A flood of idle connections takes at most what keeps the process inside its limits: the
// descriptors the files need stay free, and a display registers once the flood is gone.
TEST_F(DisplayServerTest, AFloodOfIdleConnectionsLeavesRoomForFilesAndDisplays) {
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit low = saved;
    low.rlim_cur = 200;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    const TScopeGuard restore([&] { ::setrlimit(RLIMIT_NOFILE, &saved); });
    std::vector<std::unique_ptr<TTestClient>> flood;
    // Each connection costs the test one descriptor and the server one (and its wake-up one).
    for (int i = 0; i < 60; ++i)
        flood.push_back(std::make_unique<TTestClient>(port, "127.0.2." + std::to_string(i + 1)));
    ASSERT_TRUE(flood.back()->ClosedByServer()) << "connections beyond the reserve are closed";
    EXPECT_LT(ClientCount(), flood.size());
    // The reserve is there for the files.
    ini.WriteString("ClientDisplay_Client1", "DisplayType", "2");
    flood.clear();
    ASSERT_TRUE(WaitFor([&] { return ClientCount() == 0; }));
    auto display = Connect("127.0.0.60");
    display->Send(ClientBlock("REGISTER", "d", "", "", "Client 1"));
    const auto reply = display->Receive();
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(ExchangeBlock::KeptText(reply->Text), "2");
}

// A display reports every few seconds: its status and picture blocks make one line a minute,
// a bad one a line of its own that cannot forge another line.
TEST_F(DisplayServerTest, StatusAndPictureBlocksAreLoggedOnceAMinuteAndBadOnesEachOnce) {
    auto client = Connect();
    const size_t before = LogLines().size();
    uint64_t kept = 0;
    const auto statusesKept = [&] {
        auto list = server->Clients()->LockList();
        return (*list.begin())->Report.StatusCount() == kept;
    };
    const TStatusMessage status{"Client\r\n3", "on", "shown=a.mp4\r\n"};
    for (int i = 0; i < 3; ++i) {
        client->Send(StatusMessage::Make(status));
        ++kept;
        ASSERT_TRUE(WaitFor(statusesKept));
    }
    client->Send(ShotMessage::MakePart({"Client\r\n3", 2, 2, "x"}));
    const std::string dropped = "{time} Dropped SHOT from \"Client\\r\\n3\": part 2/2 out of order";
    ASSERT_TRUE(Logged(dropped));
    clock.SetNow(clock.Now() + std::chrono::seconds(61));
    client->Send(StatusMessage::Make(status));
    ASSERT_TRUE(WaitFor([&] { return LogLines().size() == before + 3; }));
    const auto lines = LogLines();
    EXPECT_EQ(
        std::vector<std::string>(lines.begin() + static_cast<long>(before), lines.end()),
        (std::vector<std::string>{"Command=STATUS from \"Client\\r\\n3\" (once a minute)", dropped,
                                  "Command=STATUS from \"Client\\r\\n3\" (once a minute)"}));
}

} // namespace
