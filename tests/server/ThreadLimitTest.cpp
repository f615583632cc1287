#include "TestClient.h"
#include "common/CheckoutPaths.h"
#include "common/ChildProcess.h"
#include "common/TempDir.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace {

bool Registers(TTestClient& client) {
    try {
        client.Send(ClientBlock("REGISTER", "d", "", "", "Client 1"));
    } catch (const std::runtime_error&) {
        return false;
    }
    return client.Receive(2000).has_value();
}

// With the thread limit reached, a connection that gets no worker thread is closed and leaves
// nothing behind: the displays that fit go on, a later one registers once room is made, and the
// server still stops.
TEST(ThreadLimitTest, AConnectionWithoutAThreadIsClosedAndForgotten) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to run the server as a user held to a thread limit";
    TTempDir dir;
    std::vector<std::string> command = CheckoutPaths::ProgramCommand(VELMORA_SERVER_PROCESS);
    command.insert(command.end(), {dir.File("velmora.ini"), "3"});
    TChildProcess server(command);
    const auto portLine = server.ReadLine();
    ASSERT_TRUE(portLine.has_value()) << "the server did not start";
    const auto port = static_cast<uint16_t>(std::stoi(*portLine));

    std::vector<std::unique_ptr<TTestClient>> served;
    std::unique_ptr<TTestClient> refused;
    for (int i = 0; i < 8 && !refused; ++i) {
        auto client = std::make_unique<TTestClient>(port, "127.0.0." + std::to_string(i + 1));
        if (Registers(*client))
            served.push_back(std::move(client));
        else
            refused = std::move(client);
    }
    // A sanitizer's own threads count against the limit too: at least two displays must fit.
    ASSERT_GE(served.size(), 2u);
    ASSERT_TRUE(refused) << "the thread limit was never reached";
    EXPECT_TRUE(refused->ClosedByServer());
    refused.reset();

    served.front().reset();
    std::unique_ptr<TTestClient> late;
    EXPECT_TRUE(WaitFor([&] {
        late = std::make_unique<TTestClient>(port, "127.0.0.20");
        return Registers(*late);
    }));
    EXPECT_TRUE(Registers(*served.back())) << "a display that fitted is still served";

    served.clear();
    late.reset();
    ASSERT_TRUE(server.WriteLine("stop"));
    EXPECT_EQ(server.Exit(), 0) << "the stop succeeded with no worker left listed";
}

} // namespace
