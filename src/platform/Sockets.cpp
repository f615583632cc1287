#include "Sockets.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace {

int Failed() {
    return Sockets::WinsockError(errno);
}

// One send, retried when a signal interrupts it; wouldBlock is what a full socket gives.
int SendOnce(int fd, const char* buffer, size_t size, int flags, int wouldBlock, size_t& sent) {
    sent = 0;
    for (;;) {
        const ssize_t n = ::send(fd, buffer, size, flags);
        if (n >= 0) {
            sent = static_cast<size_t>(n);
            return 0;
        }
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return wouldBlock;
        return Failed();
    }
}

} // namespace

namespace Sockets {

int WinsockError(int errnoValue) {
    switch (errnoValue) {
    case 0:
        return 0;
    case EINTR:
        return 10004;
    case EACCES:
        return 10013;
    case EFAULT:
        return 10014;
    case EINVAL:
        return 10022;
    case EMFILE:
    case ENFILE:
        return 10024;
    case EWOULDBLOCK:
        return 10035;
    case EINPROGRESS:
        return 10036;
    case EALREADY:
        return 10037;
    case EBADF:
    case ENOTSOCK:
        return 10038;
    case EDESTADDRREQ:
        return 10039;
    case EMSGSIZE:
        return 10040;
    case EPROTOTYPE:
        return 10041;
    case ENOPROTOOPT:
        return 10042;
    case EPROTONOSUPPORT:
        return 10043;
    case ESOCKTNOSUPPORT:
        return 10044;
    case EOPNOTSUPP:
        return 10045;
    case EPFNOSUPPORT:
        return 10046;
    case EAFNOSUPPORT:
        return 10047;
    case EADDRINUSE:
        return 10048;
    case EADDRNOTAVAIL:
        return 10049;
    case ENETDOWN:
        return 10050;
    case ENETUNREACH:
        return 10051;
    case ENETRESET:
        return 10052;
    case ECONNABORTED:
        return 10053;
    case ECONNRESET:
        return 10054;
    case ENOBUFS:
    case ENOMEM:
        return 10055;
    case EISCONN:
        return 10056;
    case ENOTCONN:
        return 10057;
    case EPIPE:
    case ESHUTDOWN:
        return 10058;
    case ETOOMANYREFS:
        return 10059;
    case ETIMEDOUT:
        return 10060;
    case ECONNREFUSED:
        return 10061;
    case ELOOP:
        return 10062;
    case ENAMETOOLONG:
        return 10063;
    case EHOSTDOWN:
        return 10064;
    case EHOSTUNREACH:
        return 10065;
    case ENOTEMPTY:
        return 10066;
    default:
        return errnoValue;
    }
}

int CreateTcpSocket(TSocketHandle& socket) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0)
        return Failed();
    socket = TSocketHandle(fd);
    return 0;
}

int SetReuseAddress(int fd) {
    const int on = 1;
    return ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0 ? 0 : Failed();
}

int Bind(int fd, const std::string& address, uint16_t port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    if (address.empty())
        sa.sin_addr.s_addr = htonl(INADDR_ANY);
    else if (::inet_pton(AF_INET, address.c_str(), &sa.sin_addr) != 1)
        return WinsockError(EINVAL);
    return ::bind(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0 ? 0 : Failed();
}

int Listen(int fd, int backlog) {
    return ::listen(fd, backlog) == 0 ? 0 : Failed();
}

int LocalPort(int fd, uint16_t& port) {
    sockaddr_in sa{};
    socklen_t length = sizeof sa;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &length) != 0)
        return Failed();
    port = ntohs(sa.sin_port);
    return 0;
}

int WaitReadable(int fd, int timeoutMs, bool& ready) {
    ready = false;
    pollfd p{fd, POLLIN, 0};
    for (;;) {
        const int n = ::poll(&p, 1, timeoutMs);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return Failed();
        }
        if (n > 0 && (p.revents & POLLNVAL) != 0)
            return WinsockError(EBADF);
        // A closed or failed socket counts as readable: the read that follows reports it.
        ready = n > 0;
        return 0;
    }
}

int Accept(int listenFd, TSocketHandle& accepted) {
    const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0)
        return Failed();
    accepted = TSocketHandle(fd);
    return 0;
}

int PeerAddress(int fd, std::string& address, uint16_t& port) {
    sockaddr_in sa{};
    socklen_t length = sizeof sa;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&sa), &length) != 0)
        return Failed();
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &sa.sin_addr, text, sizeof text);
    address = text;
    port = ntohs(sa.sin_port);
    return 0;
}

int Receive(int fd, char* buffer, size_t size, size_t& received) {
    received = 0;
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, size, 0);
        if (n >= 0) {
            received = static_cast<size_t>(n);
            return 0;
        }
        if (errno != EINTR)
            return Failed();
    }
}

int Send(int fd, const char* buffer, size_t size, size_t& sent) {
    // On a blocking socket a send that would block only happens when the time limit ran out.
    return SendOnce(fd, buffer, size, MSG_NOSIGNAL, WSAETIMEDOUT, sent);
}

int SetSendTimeout(int fd, int milliseconds) {
    timeval tv{};
    tv.tv_sec = milliseconds / 1000;
    tv.tv_usec = (milliseconds % 1000) * 1000;
    return ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv) == 0 ? 0 : Failed();
}

int SendAvailable(int fd, const char* buffer, size_t size, size_t& sent) {
    return SendOnce(fd, buffer, size, MSG_NOSIGNAL | MSG_DONTWAIT, 0, sent);
}

int SetDeadPeerDetection(int fd, const TDeadPeerTimes& times) {
    const int on = 1;
    const auto unsignedTimeout = static_cast<unsigned>(times.userTimeoutMs);
    const bool ok =
        ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on) == 0 &&
        ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &times.idleSeconds, sizeof(int)) == 0 &&
        ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &times.intervalSeconds, sizeof(int)) == 0 &&
        ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &times.probes, sizeof(int)) == 0 &&
        ::setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &unsignedTimeout, sizeof unsignedTimeout) ==
            0;
    return ok ? 0 : Failed();
}

int SetAbortiveClose(int fd) {
    const linger now{1, 0};
    return ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &now, sizeof now) == 0 ? 0 : Failed();
}

int WaitSocket(int fd, bool wantWrite, int wakeFd, int timeoutMs, TReadiness& readiness) {
    readiness = {};
    pollfd p[2] = {{fd, static_cast<short>(POLLIN | (wantWrite ? POLLOUT : 0)), 0},
                   {wakeFd, POLLIN, 0}};
    const nfds_t count = wakeFd >= 0 ? 2 : 1;
    for (;;) {
        const int n = ::poll(p, count, timeoutMs);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return Failed();
        }
        if ((p[0].revents & POLLNVAL) != 0)
            return WinsockError(EBADF);
        readiness.readable = (p[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
        readiness.writable = (p[0].revents & POLLOUT) != 0;
        readiness.woken = count == 2 && (p[1].revents & POLLIN) != 0;
        return 0;
    }
}

int ShutdownSend(int fd) {
    return ::shutdown(fd, SHUT_WR) == 0 ? 0 : Failed();
}

int ShutdownBoth(int fd) {
    return ::shutdown(fd, SHUT_RDWR) == 0 ? 0 : Failed();
}

} // namespace Sockets
