#pragma once

#include "platform/Descriptor.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>

// The service manager's end of the notify protocol, as a test plays it: a Unix datagram socket
// bound at a path of the test's own, for NOTIFY_SOCKET.
class TNotifySocket {
public:
    explicit TNotifySocket(std::string path)
        : path_(std::move(path)), fd_(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
        const sockaddr_un address = Address();
        if (!fd_.Valid() ||
            ::bind(fd_.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
            throw std::runtime_error("cannot bind a notify socket at " + path_);
    }

    const std::string& Path() const { return path_; }
    int Fd() const { return fd_.Get(); }

    // The next datagram already waiting; nothing when none is.
    std::optional<std::string> TakeWaiting() const {
        char buffer[4096];
        const ssize_t size = ::recv(fd_.Get(), buffer, sizeof buffer, MSG_DONTWAIT);
        if (size < 0)
            return std::nullopt;
        return std::string(buffer, static_cast<size_t>(size));
    }

    // A datagram to this socket from a socket of its own, as a program sends its messages.
    void SendToSelf(const std::string& message) const {
        const TDescriptor sender(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        const sockaddr_un address = Address();
        if (!sender.Valid() ||
            ::sendto(sender.Get(), message.data(), message.size(), 0,
                     reinterpret_cast<const sockaddr*>(&address), sizeof address) < 0)
            throw std::runtime_error("cannot send to the notify socket at " + path_);
    }

private:
    sockaddr_un Address() const {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (path_.size() >= sizeof address.sun_path)
            throw std::runtime_error("notify socket path too long: " + path_);
        path_.copy(address.sun_path, path_.size());
        return address;
    }

    std::string path_;
    TDescriptor fd_;
};
