#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

struct addrinfo;

// Whether the server's host can be reached at all: the server listens on IPv4 only, so a name
// with IPv6 addresses alone would be tried for ever. Checked once at start, never holding it up
// for long: a start without network or name service goes on, and the link keeps trying.
namespace ServerAddress {

// How long the start waits for the name service.
inline constexpr std::chrono::seconds StartBound{3};

enum class TFamilies {
    Unknown,  // no answer, or no address at all
    HasIPv4,  // at least one IPv4 address
    IPv6Only, // addresses, none of them IPv4
};

// What a list of addresses, as getaddrinfo gives them, offers.
TFamilies Classify(const addrinfo* addresses);

// The host's addresses of every family, through the system's resolver.
TFamilies Resolve(const std::string& host);

// The answer of resolve if it comes within the bound, Unknown otherwise. It runs on a thread of
// its own that is left behind when it does not answer: a lookup cannot be cancelled.
TFamilies ResolveWithin(std::function<TFamilies()> resolve, std::chrono::milliseconds bound);

// Why the host cannot be used, or nothing when it can or it is not known.
std::optional<std::string> Refusal(const std::string& host, TFamilies families);

// The start's check of --server (an empty host: none given): why it cannot be used, or nothing.
std::optional<std::string> StartRefusal(const std::string& host);

} // namespace ServerAddress
