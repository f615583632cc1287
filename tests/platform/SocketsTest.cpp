#include "platform/Sockets.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <sys/socket.h>

namespace {

TEST(SocketsTest, ErrnoValuesMapToWindowsSocketsNumbers) {
    EXPECT_EQ(Sockets::WinsockError(ECONNRESET), 10054);
    EXPECT_EQ(Sockets::WinsockError(ECONNABORTED), 10053);
    EXPECT_EQ(Sockets::WinsockError(EADDRINUSE), 10048);
    EXPECT_EQ(Sockets::WinsockError(EPIPE), 10058);
    EXPECT_EQ(Sockets::WinsockError(ESHUTDOWN), 10058);
    EXPECT_EQ(Sockets::WinsockError(ETIMEDOUT), 10060);
    EXPECT_EQ(Sockets::WinsockError(ECONNREFUSED), 10061);
    EXPECT_EQ(Sockets::WinsockError(EINTR), 10004);
    EXPECT_EQ(Sockets::WinsockError(EBADF), 10038);
    EXPECT_EQ(Sockets::WinsockError(ENOTSOCK), 10038);
    EXPECT_EQ(Sockets::WinsockError(EMFILE), 10024);
    EXPECT_EQ(Sockets::WinsockError(EINVAL), 10022);
    EXPECT_EQ(Sockets::WinsockError(EACCES), 10013);
}

TEST(SocketsTest, SendToAVanishedPeerGivesAnErrorNotSigpipe) {
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    TSocketHandle mine(pair[0]);
    TSocketHandle(pair[1]).Close();
    size_t sent = 0;
    const char byte = 'x';
    EXPECT_EQ(Sockets::Send(mine.Get(), &byte, 1, sent), 10058);
}

TEST(SocketsTest, SendTimeLimitGivesTimedOut) {
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    TSocketHandle mine(pair[0]);
    TSocketHandle peer(pair[1]); // never reads
    ASSERT_EQ(Sockets::SetSendTimeout(mine.Get(), 50), 0);
    std::string chunk(65536, 'x');
    int result = 0;
    for (int i = 0; i < 1000 && result == 0; ++i) {
        size_t sent = 0;
        result = Sockets::Send(mine.Get(), chunk.data(), chunk.size(), sent);
    }
    EXPECT_EQ(result, Sockets::WSAETIMEDOUT);
}

} // namespace
