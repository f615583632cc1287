#include "server/ServerControl.h"

#include "TestClient.h"
#include "common/FixedClock.h"
#include "common/TempDir.h"
#include "console/ActivityLog.h"
#include "platform/CodePage1251.h"
#include "platform/IniFile.h"
#include "platform/ScopeGuard.h"
#include "platform/SettingsTable.h"
#include "protocol/KickMessage.h"
#include "server/net/IdExceptions.h"

#include <algorithm>
#include <future>
#include <gtest/gtest.h>

namespace {

// The check list of the window, as plain rows.
class TFakeListView : public IClientListView {
public:
    struct TRow {
        std::string text;
        bool checked = false;
        uint64_t serial = 0;
        bool selected = false;
    };
    int RowCount() const override { return static_cast<int>(rows.size()); }
    std::string RowText(int row) const override { return At(row).text; }
    bool RowChecked(int row) const override { return At(row).checked; }
    void SetRowChecked(int row, bool checked) override { At(row).checked = checked; }
    uint64_t RowSerial(int row) const override { return At(row).serial; }
    void SetRowSerial(int row, uint64_t serial) override { At(row).serial = serial; }
    bool RowSelected(int row) const override { return At(row).selected; }
    void Clear() override {
        rows.clear();
        ++rebuilds;
    }
    void AddRow(const std::string& text) override { rows.push_back({text}); }

    std::vector<int> CheckedRows() const {
        std::vector<int> checked;
        for (int i = 0; i < RowCount(); ++i) {
            if (At(i).checked)
                checked.push_back(i + 1);
        }
        return checked;
    }

    TRow& At(int row) { return rows.at(static_cast<size_t>(row)); }
    const TRow& At(int row) const { return rows.at(static_cast<size_t>(row)); }

    std::vector<TRow> rows;
    int rebuilds = 0;
};

class ServerControlTest : public ::testing::Test {
protected:
    ServerControlTest()
        : server(ini.FileName(), [this](std::string l) { log.AddLog(std::move(l)); }),
          control(server, list, [this](std::string l) { log.AddLog(std::move(l)); }) {}

    uint16_t Start() {
        EXPECT_TRUE(control.StartServer("0"));
        return server.Server.BoundPort();
    }
    size_t ClientCount() { return server.Clients()->LockList().Count(); }
    std::unique_ptr<TTestClient> Register(uint16_t port, const std::string& name,
                                          const std::string& source = "127.0.0.1") {
        auto client = std::make_unique<TTestClient>(port, source);
        client->Send(ClientBlock("REGISTER", "d", "", "", name));
        EXPECT_TRUE(client->Receive().has_value());
        return client;
    }
    std::vector<std::string> Lines() {
        std::vector<std::string> lines;
        for (const auto& l : log.Lines())
            lines.push_back(CodePage1251::ToUtf8(l));
        return lines;
    }

    TFixedClock clock;
    TTempDir dir;
    TIniFile ini{dir.File("velmora.ini")};
    TActivityLog log;
    TDisplayServer server;
    TFakeListView list;
    TServerControl control;
};

TEST_F(ServerControlTest, FirstTickListsTheSixteenSlotsAndSendsNothing) {
    control.RefreshClients();
    ASSERT_EQ(list.RowCount(), 16);
    EXPECT_EQ(list.RowText(0), "Client 1");
    EXPECT_EQ(list.RowText(15), "Client 16");
    EXPECT_TRUE(list.CheckedRows().empty());
    control.RefreshClients();
    EXPECT_EQ(list.rebuilds, 1) << "nothing changed, nothing rebuilt";
}

TEST_F(ServerControlTest, StartLogsThePortAndAPortThatIsNoNumberGives5678) {
    EXPECT_EQ(SettingsTable::PortFromText("abc"), 5678);
    EXPECT_EQ(SettingsTable::PortFromText("0x162E"), 5678);
    EXPECT_EQ(SettingsTable::PortFromText("5679"), 5679);
    const uint16_t port = Start();
    EXPECT_FALSE(control.StartServer("0")) << "a start while listening does nothing";
    EXPECT_EQ(Lines(), std::vector<std::string>{"Сервер запущен на порту " + std::to_string(port)});
    ASSERT_TRUE(control.StopServer());
    EXPECT_THROW(control.StartServer("70000"), EInvalidPort);
    EXPECT_FALSE(server.Listening());
}

TEST_F(ServerControlTest, PortInUseLeavesTheServerStoppedAndLogsNothing) {
    const uint16_t port = Start();
    TDisplayServer other(ini.FileName(), nullptr);
    TFakeListView otherList;
    TServerControl otherControl(other, otherList,
                                [this](std::string l) { log.AddLog(std::move(l)); });
    EXPECT_THROW(otherControl.StartServer(std::to_string(port)), EIdCouldNotBindSocket);
    EXPECT_FALSE(other.Listening());
    EXPECT_EQ(log.Lines().size(), 1u);
}

TEST_F(ServerControlTest, StopIsRefusedWhileAClientIsConnected) {
    const uint16_t port = Start();
    auto client = std::make_unique<TTestClient>(port);
    // Listed, and its connection logged just after.
    ASSERT_TRUE(WaitFor([&] { return ClientCount() == 1 && log.Lines().size() == 2; }));
    EXPECT_FALSE(control.StopServer());
    EXPECT_TRUE(server.Listening());
    EXPECT_EQ(log.Lines().size(), 2u) << "the refusal logs nothing";
    client.reset();
    ASSERT_TRUE(WaitFor([&] { return ClientCount() == 0; }));
    EXPECT_TRUE(control.StopServer());
    EXPECT_EQ(Lines().back(), "Сервер остановлен ");
    EXPECT_FALSE(control.StopServer());
}

TEST_F(ServerControlTest, RegisteredClientChecksItsRowAndLeavingClearsIt) {
    const uint16_t port = Start();
    control.RefreshClients();
    auto client = Register(port, "client 5");
    control.RefreshClients();
    EXPECT_EQ(list.CheckedRows(), std::vector<int>{5});
    EXPECT_EQ(control.ListedClientName(4), "client 5") << "the name as the client spelled it";
    EXPECT_EQ(control.ListedClientName(0), std::nullopt);
    client.reset();
    ASSERT_TRUE(WaitFor([&] { return ClientCount() == 0; }));
    control.RefreshClients();
    EXPECT_TRUE(list.CheckedRows().empty());
}

TEST_F(ServerControlTest, ClientUnderAnotherNameIsKickedAtEveryRebuild) {
    const uint16_t port = Start();
    auto stranger = Register(port, "Lobby", "127.0.0.2");
    control.RefreshClients(); // first tick: empty list is rebuilt
    auto kick = stranger->Receive();
    ASSERT_TRUE(kick.has_value());
    EXPECT_EQ(Bytes(*kick), Bytes(KickMessage::Make({"127.0.0.2"})));
    control.RefreshClients(); // no change: no rebuild, nothing sent
    EXPECT_FALSE(stranger->Receive(200).has_value());
    auto known = Register(port, "Client 1", "127.0.0.3");
    control.RefreshClients(); // the counts differ: rebuilt, the stranger is kicked again
    EXPECT_TRUE(stranger->Receive().has_value());
    EXPECT_EQ(list.CheckedRows(), std::vector<int>{1});
}

TEST_F(ServerControlTest, TwoClientsUnderOneNameRebuildEveryTickWithTheLaterOnTheRow) {
    const uint16_t port = Start();
    auto first = Register(port, "Client 2", "127.0.0.4");
    auto second = Register(port, "Client 2", "127.0.0.5");
    control.RefreshClients();
    control.RefreshClients();
    control.RefreshClients();
    EXPECT_EQ(list.rebuilds, 3);
    EXPECT_EQ(control.ListedClientName(1), "Client 2");
    auto clients = server.Clients()->LockList();
    EXPECT_EQ(list.RowSerial(1), (*std::next(clients.begin()))->Serial);
}

// Equal numbers of marks and named clients must not hide a change of slot.
TEST_F(ServerControlTest, ListFollowsAClientThatChangesItsSlotBetweenTicks) {
    const uint16_t port = Start();
    auto client = Register(port, "Client 5");
    control.RefreshClients();
    EXPECT_EQ(list.CheckedRows(), std::vector<int>{5});
    client->Send(ClientBlock("REGISTER", "d", "", "", "Client 6"));
    ASSERT_TRUE(client->Receive().has_value());
    control.RefreshClients();
    EXPECT_EQ(list.CheckedRows(), std::vector<int>{6});
    EXPECT_EQ(control.ListedClientName(5), "Client 6");
    EXPECT_EQ(control.ListedClientName(4), std::nullopt);
}

TEST_F(ServerControlTest, ListFollowsADepartureHiddenByTwoClientsOfOneName) {
    const uint16_t port = Start();
    auto five = Register(port, "Client 5", "127.0.0.2");
    auto twoA = Register(port, "Client 2", "127.0.0.3");
    auto twoB = Register(port, "Client 2", "127.0.0.4");
    control.RefreshClients();
    EXPECT_EQ(list.CheckedRows(), (std::vector<int>{2, 5}));
    five.reset();
    ASSERT_TRUE(WaitFor([&] { return ClientCount() == 2; }));
    control.RefreshClients(); // two marks and two named clients, yet row 5 is empty now
    EXPECT_EQ(list.CheckedRows(), std::vector<int>{2});
}

TEST_F(ServerControlTest, OperatorsCheckMarkIsUndoneAtTheNextTick) {
    Start();
    control.RefreshClients();
    list.SetRowChecked(3, true);
    control.RefreshClients();
    EXPECT_TRUE(list.CheckedRows().empty());
}

TEST_F(ServerControlTest, KickAllKicksListedClientsOnlyAndLogsEach) {
    const uint16_t port = Start();
    auto a = Register(port, "Client 1", "127.0.0.6");
    auto b = Register(port, "Client 9", "127.0.0.7");
    control.RefreshClients();
    control.KickAll();
    EXPECT_TRUE(ExchangeBlock::IsCommand(*a->Receive(), "KICK"));
    EXPECT_TRUE(ExchangeBlock::IsCommand(*b->Receive(), "KICK"));
    const auto lines = Lines();
    EXPECT_EQ(lines[lines.size() - 2], "{time} KICK \"127.0.0.6\"");
    EXPECT_EQ(lines.back(), "{time} KICK \"127.0.0.7\"");
}

TEST_F(ServerControlTest, KickAllWithNoClientsSendsAndLogsNothing) {
    Start();
    control.RefreshClients();
    const size_t before = log.Lines().size();
    control.KickAll();
    EXPECT_EQ(log.Lines().size(), before);
}

TEST_F(ServerControlTest, SelectedRowsGetKickAndConfigurationRowsOfDepartedClientsAreSkipped) {
    ini.WriteInteger("ClientDisplay_Client3", "DisplayType", 7);
    const uint16_t port = Start();
    auto client = Register(port, "Client 3");
    control.RefreshClients();
    list.rows[2].selected = true;
    control.RefreshSelected();
    const auto again = client->Receive();
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(ExchangeBlock::KeptText(again->Text), "7");
    EXPECT_EQ(ExchangeBlock::DataText(*again), "[DisplayParams_Client3_7]\r\n");
    control.KickSelected();
    EXPECT_TRUE(ExchangeBlock::IsCommand(*client->Receive(), "KICK"));
    const size_t before = log.Lines().size();
    client.reset();
    ASSERT_TRUE(WaitFor([&] { return ClientCount() == 0; }));
    // The row still points at the departed entry until the next tick; nothing may use it.
    EXPECT_NE(list.RowSerial(2), 0u);
    control.KickSelected();
    control.RefreshSelected();
    control.KickAll();
    EXPECT_EQ(control.ListedClientName(2), std::nullopt);
    EXPECT_EQ(log.Lines().size(), before + 1) << "only the disconnect line";
}

TEST_F(ServerControlTest, FailedWriteDuringRefreshIsLogged) {
    // The released connection's worker notices at once and would take the entry out of the
    // table before the refresh reached it; its departure waits until the refresh has written.
    std::promise<void> refreshed;
    std::shared_future<void> mayLeave = refreshed.get_future().share();
    const auto leave = server.Server.OnDisconnect;
    server.Server.OnDisconnect = [leave, mayLeave](TIdPeerThread& thread) {
        mayLeave.wait();
        leave(thread);
    };
    const TScopeGuard release([&refreshed] { refreshed.set_value(); });
    const uint16_t port = Start();
    auto stranger = Register(port, "Nobody");
    {
        auto clients = server.Clients()->LockList();
        clients.begin()->get()->Thread->Connection()->ReleaseSocketLayer();
    }
    control.RefreshClients();
    const auto lines = Lines();
    EXPECT_NE(
        std::find(lines.begin(), lines.end(), "{time} error at RefreshClients: Not Connected"),
        lines.end());
}

} // namespace
