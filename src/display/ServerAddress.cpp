#include "display/ServerAddress.h"

#include "platform/HangProneWork.h"

#include <netdb.h>
#include <sys/socket.h>

namespace ServerAddress {

TFamilies Classify(const addrinfo* addresses) {
    TFamilies families = TFamilies::Unknown;
    for (const addrinfo* address = addresses; address != nullptr; address = address->ai_next) {
        if (address->ai_family == AF_INET)
            return TFamilies::HasIPv4;
        if (address->ai_family == AF_INET6)
            families = TFamilies::IPv6Only;
    }
    return families;
}

TFamilies Resolve(const std::string& host) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0)
        return TFamilies::Unknown;
    const TFamilies families = Classify(found);
    ::freeaddrinfo(found);
    return families;
}

TFamilies ResolveWithin(std::function<TFamilies()> resolve, std::chrono::milliseconds bound) {
    // Going out of scope abandons a lookup that has not answered; its thread returns alone.
    THangProneWork lookups({1, 0});
    try {
        return lookups.Start(std::move(resolve), bound).Wait().value_or(TFamilies::Unknown);
    } catch (...) {
        // No thread for it, or a resolver that failed: the link finds out as it tries.
        return TFamilies::Unknown;
    }
}

std::optional<std::string> Refusal(const std::string& host, TFamilies families) {
    if (families != TFamilies::IPv6Only)
        return std::nullopt;
    return "--server \"" + host +
           "\" has IPv6 addresses only, and the server listens on IPv4 only; give its IPv4 "
           "address or a name with one";
}

std::optional<std::string> StartRefusal(const std::string& host) {
    if (host.empty())
        return std::nullopt;
    return Refusal(host, ResolveWithin([host] { return Resolve(host); }, StartBound));
}

} // namespace ServerAddress
