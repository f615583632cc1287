#include "display/TcpTransport.h"

#include "platform/Sockets.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <limits>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>

namespace {

using TSteady = std::chrono::steady_clock;

std::string ErrorText(int error) {
    return std::strerror(error);
}

// A wait until the deadline as poll() takes it; no deadline: -1, without limit.
int PollTimeout(const std::optional<TSteady::time_point>& deadline) {
    if (!deadline)
        return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - TSteady::now());
    return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(
        left.count(), 0, std::numeric_limits<int>::max()));
}

} // namespace

TTcpTransport::TWaited TTcpTransport::WaitFor(int fd, short events, int timeoutMs, std::string& why,
                                              bool nudgeable) {
    pollfd fds[3] = {{wakeup_.Fd(), POLLIN, 0}, {fd, events, 0}, {nudge_.Fd(), POLLIN, 0}};
    const nfds_t count = nudgeable ? 3 : fd >= 0 ? 2 : 1;
    for (;;) {
        if (interrupted_) {
            why = "stopped";
            return TWaited::Failed;
        }
        const int n = ::poll(fds, count, timeoutMs);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            why = ErrorText(errno);
            return TWaited::Failed;
        }
        if (n == 0)
            return TWaited::TimedOut;
        if (fds[0].revents != 0) {
            why = "stopped";
            return TWaited::Failed;
        }
        if (fds[1].revents != 0)
            return TWaited::Ready;
        nudge_.Drain();
        return TWaited::Nudged;
    }
}

bool TTcpTransport::Open(const std::string& host, uint16_t port, const std::string& source,
                         std::string& why) {
    Close();
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (const int error = ::getaddrinfo(host.c_str(), nullptr, &hints, &found); error != 0) {
        why = ::gai_strerror(error);
        return false;
    }
    sockaddr_in address = *reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    ::freeaddrinfo(found);
    address.sin_port = htons(port);

    TDescriptor socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!socket.Valid()) {
        why = ErrorText(errno);
        return false;
    }
    if (!source.empty()) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        ::inet_pton(AF_INET, source.c_str(), &local.sin_addr);
        if (::bind(socket.Get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
            why = "cannot use " + source + ": " + ErrorText(errno);
            return false;
        }
    }
    if (::connect(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
        errno != EINPROGRESS) {
        why = ErrorText(errno);
        return false;
    }
    if (const TWaited waited = WaitFor(socket.Get(), POLLOUT, ConnectTimeoutMs, why);
        waited != TWaited::Ready) {
        if (waited == TWaited::TimedOut)
            why = "timed out";
        return false;
    }
    int error = 0;
    socklen_t length = sizeof error;
    ::getsockopt(socket.Get(), SOL_SOCKET, SO_ERROR, &error, &length);
    if (error != 0) {
        why = ErrorText(error);
        return false;
    }
    Sockets::SetDeadPeerDetection(socket.Get(), Sockets::TDeadPeerTimes{});
    socket_ = std::move(socket);
    return true;
}

std::string TTcpTransport::LocalAddress() {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    char text[INET_ADDRSTRLEN] = {};
    if (!socket_.Valid() ||
        ::getsockname(socket_.Get(), reinterpret_cast<sockaddr*>(&local), &length) != 0 ||
        ::inet_ntop(AF_INET, &local.sin_addr, text, sizeof text) == nullptr)
        return {};
    return text;
}

bool TTcpTransport::Send(const TExchangeBlock& block, std::string& why) {
    const auto* bytes = reinterpret_cast<const char*>(&block);
    size_t sent = 0;
    while (sent < sizeof block) {
        const ssize_t n = ::send(socket_.Get(), bytes + sent, sizeof block - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
        } else if (n < 0 && errno == EAGAIN) {
            if (WaitFor(socket_.Get(), POLLOUT, -1, why) != TWaited::Ready)
                return false;
        } else if (n < 0 && errno != EINTR) {
            why = ErrorText(errno);
            return false;
        }
    }
    return true;
}

std::optional<TExchangeBlock> TTcpTransport::Receive(const TReceiveLimits& limits, TReceiveEnd& end,
                                                     std::string& why) {
    end = TReceiveEnd::Ended;
    std::optional<TSteady::time_point> deadline;
    if (limits.FirstByte)
        deadline = TSteady::now() + *limits.FirstByte;
    TExchangeBlock block;
    auto* bytes = reinterpret_cast<char*>(&block);
    size_t taken = 0;
    while (taken < sizeof block) {
        const ssize_t n = ::recv(socket_.Get(), bytes + taken, sizeof block - taken, 0);
        if (n > 0) {
            // The rest's time runs from the first byte, whatever the first byte's limit was.
            if (taken == 0)
                deadline = TSteady::now() + limits.Rest;
            taken += static_cast<size_t>(n);
        } else if (n == 0) {
            why = "closed by the server";
            return std::nullopt;
        } else if (errno == EAGAIN) {
            const TWaited waited = WaitFor(socket_.Get(), POLLIN, PollTimeout(deadline), why, true);
            // A nudge within a block is drained and the block received whole.
            if (waited == TWaited::Nudged && taken > 0)
                continue;
            if (waited == TWaited::Nudged)
                end = TReceiveEnd::Nudged;
            if (waited == TWaited::TimedOut)
                end = taken == 0 ? TReceiveEnd::NoFirstByte : TReceiveEnd::NoRest;
            if (waited != TWaited::Ready)
                return std::nullopt;
        } else if (errno != EINTR) {
            why = ErrorText(errno);
            return std::nullopt;
        }
    }
    return block;
}

void TTcpTransport::Close() {
    socket_ = TDescriptor();
}

void TTcpTransport::Interrupt() {
    interrupted_ = true;
    wakeup_.Signal();
}

void TTcpTransport::Nudge() {
    nudge_.Signal();
}

bool TTcpTransport::Pause(std::chrono::milliseconds time) {
    std::string why;
    WaitFor(-1, 0, static_cast<int>(time.count()), why);
    return !interrupted_;
}
