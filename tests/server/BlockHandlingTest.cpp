// The block handling driven directly, without worker threads: every client is a suspended worker
// over a local socket pair, so the order of events is exactly the test's.
#include "TestClient.h"
#include "common/TempDir.h"
#include "server/DisplayServer.h"
#include "server/net/IdExceptions.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>

namespace {

class BlockHandlingTest : public ::testing::Test {
protected:
    struct TPeer {
        TIdPeerThread* thread = nullptr;
        TSocketHandle remote; // the display's end

        void Send(const TExchangeBlock& block) const {
            ASSERT_EQ(::send(remote.Get(), &block, sizeof block, MSG_NOSIGNAL),
                      static_cast<ssize_t>(sizeof block));
        }
        // The next block the display got, if any.
        std::optional<TExchangeBlock> Received() const {
            TExchangeBlock block;
            if (::recv(remote.Get(), &block, sizeof block, MSG_DONTWAIT) !=
                static_cast<ssize_t>(sizeof block))
                return std::nullopt;
            return block;
        }
    };

    ~BlockHandlingTest() override {
        for (auto& peer : peers) {
            server.SvrDisconnect(*peer->thread);
            server.ThreadMgr.DiscardThread(peer->thread);
        }
    }

    TPeer& Connect(const std::string& address) {
        int pair[2];
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
        auto peer = std::make_unique<TPeer>();
        peer->remote = TSocketHandle(pair[1]);
        auto connection =
            std::make_unique<TIdTCPServerConnection>(TSocketHandle(pair[0]), address, 1);
        peer->thread = server.ThreadMgr.CreateThread(server.Server, std::move(connection));
        server.SvrConnect(*peer->thread);
        peers.push_back(std::move(peer));
        return *peers.back();
    }

    TTempDir dir;
    TDisplayServer server{dir.File("velmora.ini"), nullptr};
    std::vector<std::unique_ptr<TPeer>> peers;
};

// A display that restarts connects again before its old connection is noticed dead; the old one
// must not keep the new one from getting its answer.
TEST_F(BlockHandlingTest, DeadConnectionFromTheSameAddressDoesNotBlockARegistration) {
    TPeer& old = Connect("10.0.0.5");
    TPeer& fresh = Connect("10.0.0.5");
    old.thread->Connection()->ReleaseSocketLayer(); // every write to it fails now
    fresh.Send(ClientBlock("REGISTER", "d", "", "", "Client 8"));
    server.SvrExecute(*fresh.thread);
    fresh.thread->Connection()->SendPending();
    const auto reply = fresh.Received();
    ASSERT_TRUE(reply.has_value());
    EXPECT_TRUE(ExchangeBlock::IsCommand(*reply, "DISPLAY_TYPE"));
    EXPECT_TRUE(fresh.thread->Connection()->IsOpen());
}

TEST_F(BlockHandlingTest, FailedReceiverNeitherStopsTheRelayNorHarmsTheSender) {
    TPeer& gone = Connect("10.0.0.1");
    TPeer& sender = Connect("10.0.0.2");
    TPeer& other = Connect("10.0.0.3");
    gone.remote.Close(); // the first receiver in table order has vanished
    const TExchangeBlock message = ClientBlock("MESSAGE", "s", "to all", "", "");
    sender.Send(message);
    EXPECT_NO_THROW(server.SvrExecute(*sender.thread));
    // Each worker sends its own queue; the vanished one's failure ends only that one.
    EXPECT_THROW(gone.thread->Connection()->SendPending(), EIdSocketError);
    sender.thread->Connection()->SendPending();
    other.thread->Connection()->SendPending();
    EXPECT_TRUE(sender.Received().has_value());
    EXPECT_TRUE(other.Received().has_value());
    EXPECT_TRUE(sender.thread->Connection()->IsOpen());
}

// The copy for the sender itself waits in its queue like any other block; the send that
// fails is its own worker's, and ends that worker.
TEST_F(BlockHandlingTest, FailedWriteToTheSendersOwnConnectionIsTheSendersError) {
    TPeer& sender = Connect("10.0.0.4");
    sender.Send(ClientBlock("MESSAGE", "s", "to myself", "10.0.0.4", ""));
    sender.remote.Close(); // the block is still there to read; the copy cannot be delivered
    EXPECT_NO_THROW(server.SvrExecute(*sender.thread));
    EXPECT_EQ(sender.thread->Connection()->QueuedBytes(), sizeof(TExchangeBlock));
    try {
        sender.thread->Connection()->SendPending();
        FAIL() << "the failed send is the sender's worker's error";
    } catch (const EIdSocketError& e) {
        EXPECT_EQ(e.LastError(), 10058);
    }
    EXPECT_FALSE(sender.thread->Connection()->IsOpen());
}

} // namespace
