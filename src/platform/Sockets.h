#pragma once

#include "Descriptor.h"

#include <cstddef>
#include <cstdint>
#include <string>

// A socket descriptor. Closing is for the owner alone: another thread that must wake a call
// blocked on the socket shuts it down instead, so that a descriptor number is never reused under
// a blocked call.
using TSocketHandle = TDescriptor;

// Blocking IPv4 TCP over POSIX sockets. Every call returns 0 on success or the Windows Sockets
// error number of the failure, so that error classes, numbers and messages stay the same as on
// the platform the protocol was made for.
namespace Sockets {

constexpr int WSAEINTR = 10004;
constexpr int WSAEWOULDBLOCK = 10035;
constexpr int WSAENOTSOCK = 10038;
constexpr int WSAEADDRINUSE = 10048;
constexpr int WSAECONNABORTED = 10053;
constexpr int WSAECONNRESET = 10054;
constexpr int WSAESHUTDOWN = 10058;
constexpr int WSAETIMEDOUT = 10060;

// The Windows Sockets number of a Linux errno value; an errno without one is returned as is.
int WinsockError(int errnoValue);

int CreateTcpSocket(TSocketHandle& socket);
int SetReuseAddress(int fd);
// Binds to every local IPv4 interface (address empty) or to one dotted address.
int Bind(int fd, const std::string& address, uint16_t port);
int Listen(int fd, int backlog);
int LocalPort(int fd, uint16_t& port);

// Waits until the socket is readable (or has a pending connection). timeoutMs < 0 waits
// without limit. ready tells whether it became readable before the limit.
int WaitReadable(int fd, int timeoutMs, bool& ready);

int Accept(int listenFd, TSocketHandle& accepted);
// The peer's IPv4 address as dotted decimal text and its port.
int PeerAddress(int fd, std::string& address, uint16_t& port);

// received == 0 means the peer has closed.
int Receive(int fd, char* buffer, size_t size, size_t& received);
// Never raises SIGPIPE. A send that a send time limit interrupts gives WSAETIMEDOUT.
int Send(int fd, const char* buffer, size_t size, size_t& sent);
// Limits how long one send may block; 0 = no limit.
int SetSendTimeout(int fd, int milliseconds);
// Sends what the socket takes now without waiting; sent == 0 when it takes nothing yet.
int SendAvailable(int fd, const char* buffer, size_t size, size_t& sent);

// How a peer that vanished without a word (power or cable gone) is noticed: keep-alive probes
// after idleSeconds of silence, every intervalSeconds, given up after probes unanswered; and
// unacknowledged data given up after userTimeoutMs. A live peer's system answers the probes,
// so a silent but live peer is never dropped.
struct TDeadPeerTimes {
    int idleSeconds = 20;
    int intervalSeconds = 5;
    int probes = 4;
    int userTimeoutMs = 30000;
};
int SetDeadPeerDetection(int fd, const TDeadPeerTimes& times);
// The close that follows sends a reset and frees the socket's buffers at once.
int SetAbortiveClose(int fd);

// What a wait on a socket and a wake-up descriptor saw.
struct TReadiness {
    bool readable = false; // data, a close or an error: the read that follows reports it
    bool writable = false;
    bool woken = false;
};
// Waits for the socket to be readable (or writable when wantWrite), or for wakeFd (-1: none)
// to be readable; timeoutMs < 0 waits without limit.
int WaitSocket(int fd, bool wantWrite, int wakeFd, int timeoutMs, TReadiness& readiness);
int ShutdownSend(int fd);
int ShutdownBoth(int fd);

} // namespace Sockets
