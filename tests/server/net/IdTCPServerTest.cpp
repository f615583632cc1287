#include "server/net/IdTCPServer.h"

#include "common/ProcessState.h"
#include "server/TestClient.h"
#include "server/net/IdExceptions.h"

#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/socket.h>
#include <vector>

namespace {

// A connection server whose events record what happens, for tests of the connection layer alone.
class IdTCPServerTest : public ::testing::Test {
protected:
    IdTCPServerTest() {
        server.DefaultPort = 0;
        server.OnConnect = [this](TIdPeerThread&) { ++connects; };
        server.OnExecute = [this](TIdPeerThread& t) {
            char block[1505];
            t.Connection()->ReadExact(block, sizeof block);
            std::lock_guard lock(mutex);
            blocks.emplace_back(block, sizeof block);
        };
        server.OnDisconnect = [this](TIdPeerThread&) { ++disconnects; };
        server.OnException = [this](TIdPeerThread&, const std::exception& e) {
            std::lock_guard lock(mutex);
            errors.emplace_back(e.what());
        };
    }
    ~IdTCPServerTest() override {
        try {
            server.SetActive(false);
        } catch (...) {
        }
    }

    uint16_t Start() {
        server.SetActive(true);
        return server.BoundPort();
    }
    size_t BlockCount() {
        std::lock_guard lock(mutex);
        return blocks.size();
    }
    std::vector<std::string> Errors() {
        std::lock_guard lock(mutex);
        return errors;
    }

    TIdThreadMgrDefault manager;
    TIdTCPServer server{manager};
    std::atomic<int> connects{0}, disconnects{0};
    std::mutex mutex;
    std::vector<std::string> blocks, errors;
};

std::string Pattern(size_t size, char seed) {
    std::string s(size, '\0');
    for (size_t i = 0; i < size; ++i)
        s[i] = static_cast<char>(static_cast<size_t>(seed) + i * 7);
    return s;
}

TEST_F(IdTCPServerTest, BlockSentInFragmentsArrivesAsOnePass) {
    TTestClient client(Start());
    const std::string block = Pattern(1505, 1);
    client.SendBytes(block.data(), 500);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    client.SendBytes(block.data() + 500, 500);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(BlockCount(), 0u);
    client.SendBytes(block.data() + 1000, 505);
    ASSERT_TRUE(WaitFor([&] { return BlockCount() == 1; }));
    EXPECT_EQ(blocks[0], block);
}

TEST_F(IdTCPServerTest, TwoBlocksInOneBurstAreServedByTwoPasses) {
    TTestClient client(Start());
    const std::string two = Pattern(1505, 3) + Pattern(1505, 9);
    client.SendBytes(two.data(), two.size());
    ASSERT_TRUE(WaitFor([&] { return BlockCount() == 2; }));
    EXPECT_EQ(blocks[0], Pattern(1505, 3));
    EXPECT_EQ(blocks[1], Pattern(1505, 9));
}

TEST_F(IdTCPServerTest, CloseMidBlockDiscardsThePartAndDisconnectsOnce) {
    TTestClient client(Start());
    ASSERT_TRUE(WaitFor([&] { return connects == 1; }));
    const std::string part = Pattern(1000, 5);
    client.SendBytes(part.data(), part.size());
    client.Close();
    ASSERT_TRUE(WaitFor([&] { return disconnects == 1; }));
    EXPECT_EQ(BlockCount(), 0u);
    EXPECT_EQ(Errors(), std::vector<std::string>{"Connection Closed Gracefully."});
    ASSERT_TRUE(WaitFor([&] { return server.WorkerCount() == 0; }));
    EXPECT_EQ(disconnects, 1);
}

TEST_F(IdTCPServerTest, ResetEndsTheWorkerWithSocketError10054) {
    TTestClient client(Start());
    ASSERT_TRUE(WaitFor([&] { return connects == 1; }));
    client.Reset();
    ASSERT_TRUE(WaitFor([&] { return disconnects == 1; }));
    const auto errs = Errors();
    ASSERT_EQ(errs.size(), 1u);
    EXPECT_EQ(errs[0], "Socket Error # 10054\r\nConnection reset by peer.");
}

TEST_F(IdTCPServerTest, StopClosesBlockedWorkersAndWaitsForThem) {
    const uint16_t port = Start();
    std::vector<std::unique_ptr<TTestClient>> clients;
    for (int i = 0; i < 5; ++i)
        clients.push_back(std::make_unique<TTestClient>(port));
    ASSERT_TRUE(WaitFor([&] { return server.WorkerCount() == 5; }));
    server.SetActive(false);
    EXPECT_FALSE(server.Active());
    EXPECT_EQ(disconnects, 5);
    EXPECT_EQ(server.WorkerCount(), 0u);
    for (auto& c : clients)
        EXPECT_TRUE(c->ClosedByServer());
}

TEST_F(IdTCPServerTest, BindFailureLeavesTheServerInactiveAndALaterStartWorks) {
    TSocketHandle other;
    ASSERT_EQ(Sockets::CreateTcpSocket(other), 0);
    ASSERT_EQ(Sockets::Bind(other.Get(), "", 0), 0);
    ASSERT_EQ(Sockets::Listen(other.Get(), 1), 0);
    uint16_t busy = 0;
    Sockets::LocalPort(other.Get(), busy);
    server.DefaultPort = busy;
    try {
        server.SetActive(true);
        FAIL() << "a port in use must fail";
    } catch (const EIdCouldNotBindSocket& e) {
        EXPECT_STREQ(e.what(), "Could not bind socket. Address and port are already in use.");
    }
    EXPECT_FALSE(server.Active());
    other.Close();
    server.SetActive(true);
    EXPECT_TRUE(server.Active());
    EXPECT_EQ(server.BoundPort(), busy);
}

TEST_F(IdTCPServerTest, RestartOnAnotherPortFreesTheOldOne) {
    const uint16_t first = Start();
    server.SetActive(true); // a second start does nothing
    EXPECT_EQ(server.BoundPort(), first);
    { TTestClient client(first); } // leaves a connection of the old port behind
    server.SetActive(false);
    server.SetActive(false); // stopping a stopped server does nothing
    server.DefaultPort = 0;
    server.SetActive(true);
    EXPECT_NE(server.BoundPort(), first);
    TSocketHandle probe;
    ASSERT_EQ(Sockets::CreateTcpSocket(probe), 0);
    ASSERT_EQ(Sockets::SetReuseAddress(probe.Get()), 0);
    EXPECT_EQ(Sockets::Bind(probe.Get(), "", first), 0) << "nothing listens on the old port";
    EXPECT_THROW(TTestClient{first}, std::runtime_error);
}

TEST_F(IdTCPServerTest, WorkerThatOutlivesThePollsGivesTerminateThreadTimeout) {
    std::atomic<bool> release{false};
    server.OnDisconnect = [&](TIdPeerThread&) {
        while (!release)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    };
    server.TerminateWaitTime = 500;
    TTestClient client(Start());
    ASSERT_TRUE(WaitFor([&] { return server.WorkerCount() == 1; }));
    try {
        server.SetActive(false);
        FAIL();
    } catch (const EIdTerminateThreadTimeout& e) {
        EXPECT_STREQ(e.what(), "Terminate Thread Timeout");
    }
    EXPECT_TRUE(server.Active());
    release = true;
    server.SetActive(false);
    EXPECT_FALSE(server.Active());
}

TEST_F(IdTCPServerTest, WaitBelowOnePollAlwaysTimesOut) {
    server.TerminateWaitTime = 100;
    Start();
    EXPECT_THROW(server.SetActive(false), EIdTerminateThreadTimeout);
    EXPECT_TRUE(server.Active());
    server.TerminateWaitTime = 250;
    server.SetActive(false);
    EXPECT_FALSE(server.Active());
}

TEST_F(IdTCPServerTest, FailedConnectEventEndsTheWorkerWithoutDisconnect) {
    server.OnConnect = [](TIdPeerThread&) { throw std::runtime_error("connect failed"); };
    TTestClient client(Start());
    EXPECT_TRUE(client.ClosedByServer());
    ASSERT_TRUE(WaitFor([&] { return manager.LiveCount() == 0; }));
    EXPECT_EQ(disconnects, 0);
    EXPECT_EQ(server.WorkerCount(), 0u);
}

TEST_F(IdTCPServerTest, MissingExecuteHandlerEndsTheWorker) {
    server.OnExecute = nullptr;
    TTestClient client(Start());
    EXPECT_TRUE(client.ClosedByServer());
    ASSERT_TRUE(WaitFor([&] { return disconnects == 1; }));
}

TEST_F(IdTCPServerTest, ShutdownNeverLeavesAWorkerRunning) {
    const uint16_t port = Start();
    std::vector<std::unique_ptr<TTestClient>> clients;
    for (int i = 0; i < 3; ++i)
        clients.push_back(std::make_unique<TTestClient>(port));
    ASSERT_TRUE(WaitFor([&] { return server.WorkerCount() == 3; }));
    server.ClearWorkers(); // detached, still running
    server.SetActive(false);
    EXPECT_EQ(manager.LiveCount(), 3u);
    EXPECT_TRUE(manager.TerminateAll(2000));
    EXPECT_EQ(manager.LiveCount(), 0u);
    EXPECT_EQ(disconnects, 3);
}

// The connection alone, over a local socket pair.
class ConnectionTest : public ::testing::Test {
protected:
    ConnectionTest() {
        int pair[2];
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair);
        connection = std::make_unique<TIdTCPServerConnection>(TSocketHandle(pair[0]), "1.2.3.4", 1);
        peer = TSocketHandle(pair[1]);
    }
    void PeerSend(const std::string& bytes) {
        ASSERT_EQ(::send(peer.Get(), bytes.data(), bytes.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(bytes.size()));
    }

    std::unique_ptr<TIdTCPServerConnection> connection;
    TSocketHandle peer;
};

TEST_F(ConnectionTest, ReadsExactCountsAcrossManySmallTakes) {
    const std::string data = Pattern(40000, 2);
    std::thread sender([&] { PeerSend(data); });
    std::string got;
    char buffer[7];
    while (got.size() + sizeof buffer <= data.size()) {
        connection->ReadExact(buffer, sizeof buffer);
        got.append(buffer, sizeof buffer);
    }
    sender.join();
    EXPECT_EQ(got, data.substr(0, got.size()));
    connection->ReadExact(nullptr, 5); // nothing to do
    connection->ReadExact(buffer, 0);
}

TEST_F(ConnectionTest, PeerCloseGivesClosedGracefullyThenWritesFailTheSameWay) {
    peer.Close();
    char buffer[4];
    try {
        connection->ReadExact(buffer, 4);
        FAIL();
    } catch (const EIdConnClosedGracefully& e) {
        EXPECT_STREQ(e.what(), "Connection Closed Gracefully.");
    }
    EXPECT_FALSE(connection->IsOpen());
    EXPECT_THROW(connection->QueueWrite("x", 1), EIdConnClosedGracefully);
    connection->ReleaseSocketLayer();
    try {
        connection->QueueWrite("x", 1);
        FAIL();
    } catch (const EIdNotConnected& e) {
        EXPECT_STREQ(e.what(), "Not Connected");
    }
    connection->CloseConnection(); // nothing to do without a socket layer
}

TEST_F(ConnectionTest, CloseFromAnotherThreadWakesABlockedRead) {
    std::atomic<bool> failed{false};
    std::atomic<pid_t> readerId{0};
    std::thread reader([&] {
        readerId = ::gettid();
        char buffer[10];
        try {
            connection->ReadExact(buffer, sizeof buffer);
        } catch (const EIdConnClosedGracefully&) {
            failed = true;
        }
    });
    // Close only once the reader waits in the kernel for bytes that never come.
    EXPECT_TRUE(WaitFor([&] { return readerId != 0 && ProcessState::ThreadSleeps(readerId); }));
    connection->CloseConnection();
    reader.join();
    EXPECT_TRUE(failed);
    EXPECT_FALSE(connection->IsOpen());
}

TEST(ConnectionErrorTest, RepeatedReadErrorClosesInsteadOfSpinning) {
    // A pipe is readable but not a socket: every receive fails with the same error.
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    TSocketHandle writeEnd(fds[1]);
    ASSERT_EQ(::write(writeEnd.Get(), "x", 1), 1);
    TIdTCPServerConnection connection(TSocketHandle{fds[0]}, "1.2.3.4", 1);
    char buffer[4];
    try {
        connection.ReadExact(buffer, 4);
        FAIL();
    } catch (const EIdSocketError& e) {
        EXPECT_EQ(e.LastError(), 10038);
        EXPECT_STREQ(e.what(), "Socket Error # 10038\r\nSocket operation on non-socket.");
    }
    EXPECT_TRUE(connection.IsOpen()) << "one error leaves the connection open";
    EXPECT_THROW(connection.ReadExact(buffer, 4), EIdSocketError);
    EXPECT_FALSE(connection.IsOpen()) << "the same error again closes it";
}

TEST(IdExceptionsTest, SocketErrorMessages) {
    EXPECT_STREQ(EIdSocketError(10061).what(), "Socket Error # 10061\r\nConnection refused.");
    EXPECT_STREQ(EIdSocketError(10035).what(), "Socket Error # 10035\r\nOperation would block. ");
    EXPECT_STREQ(EIdSocketError(10066).what(), "Socket Error # 10066\r\nDirectory not empty");
    EXPECT_STREQ(EIdSocketError(12345).what(), "Socket Error # 12345\r\n");
    EXPECT_STREQ(EIdWS2StubError("WS2_32.DLL").what(),
                 "Error on loading Winsock2 library (WS2_32.DLL)");
}

} // namespace
