#pragma once

#include "platform/Descriptor.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>

// The sockets of the servers that tests and benchmarks run on loopback: each server's thread
// waits on its sockets and on a stop descriptor that the server's end makes readable.
namespace LoopbackSockets {

inline sockaddr_in Address(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

// A socket listening on 127.0.0.1 at the port; port 0 takes a free one and tells which. A port
// is taken again at once after the server that had it has ended.
inline TDescriptor Listen(uint16_t& port, int backlog) {
    TDescriptor socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address = Address(port);
    socklen_t length = sizeof address;
    const int reuse = 1;
    if (!socket.Valid() ||
        ::setsockopt(socket.Get(), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse) != 0 ||
        ::bind(socket.Get(), reinterpret_cast<const sockaddr*>(&address), length) != 0 ||
        ::listen(socket.Get(), backlog) != 0 ||
        ::getsockname(socket.Get(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("cannot listen on loopback");
    port = ntohs(address.sin_port);
    return socket;
}

// Whether something accepts connections on 127.0.0.1 at the port now.
inline bool Accepts(uint16_t port) {
    TDescriptor socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const sockaddr_in address = Address(port);
    return socket.Valid() && ::connect(socket.Get(), reinterpret_cast<const sockaddr*>(&address),
                                       sizeof address) == 0;
}

// Hands each connection accepted to take, until the stop descriptor is readable.
inline void AcceptUntilStopped(int listener, int stop,
                               const std::function<void(TDescriptor)>& take) {
    pollfd fds[2] = {{stop, POLLIN, 0}, {listener, POLLIN, 0}};
    while (::poll(fds, 2, -1) >= 0 && fds[0].revents == 0) {
        if (fds[1].revents == 0)
            continue;
        TDescriptor connection(::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC));
        if (connection.Valid())
            take(std::move(connection));
    }
}

// The whole of it, or false when the peer is gone or the stop descriptor is readable.
inline bool SendAll(int fd, int stop, const void* data, size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        pollfd fds[2] = {{stop, POLLIN, 0}, {fd, POLLOUT, 0}};
        if (::poll(fds, 2, -1) < 0 || fds[0].revents != 0)
            return false;
        const ssize_t n = ::send(fd, bytes, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        if (n > 0) {
            bytes += n;
            size -= static_cast<size_t>(n);
        }
    }
    return true;
}

} // namespace LoopbackSockets
