#pragma once

#include "platform/Sockets.h"
#include "platform/Wakeup.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

// One accepted TCP connection. Only its own worker touches the socket: it reads, and it sends
// what any thread queues for it, so that no peer that stops reading can hold up another thread.
//
// The descriptor is closed only when the connection object is destroyed, by its worker's
// clean-up after the disconnect event. Closing from anywhere else shuts the socket down, which
// wakes a blocked read without ever letting the descriptor number be reused under it.
class TIdTCPServerConnection {
public:
    static constexpr int DefaultRecvBufferSize = 32768;
    // A peer with more than this waiting for it is not reading; it is dropped.
    static constexpr size_t MaxQueuedBytes = 1 << 20;

    TIdTCPServerConnection(TSocketHandle socket, std::string peerAddress, uint16_t peerPort);
    TIdTCPServerConnection(const TIdTCPServerConnection&) = delete;
    TIdTCPServerConnection& operator=(const TIdTCPServerConnection&) = delete;
    ~TIdTCPServerConnection();

    const std::string& PeerAddress() const { return peerAddress_; }
    uint16_t PeerPort() const { return peerPort_; }

    // True while the socket is allocated; a close seen by an earlier receive closes it here.
    bool IsOpen();
    // Returns only once exactly count bytes are in the buffer (own worker only). Meanwhile it
    // sends what is queued, and drops the connection with EIdNotReading when the peer takes
    // nothing for StallTimeout while data waits or lets more than MaxQueuedBytes pile up.
    void ReadExact(void* buffer, int count);
    // Queues the bytes whole for the worker to send, after everything queued before (any
    // thread; never waits on the network).
    void QueueWrite(const void* buffer, int count);
    // Bytes queued and not yet taken by the socket.
    size_t QueuedBytes();
    // Sends what the socket takes of the queue now (own worker only; ReadExact does it too).
    // A failed send shuts the connection down and raises EIdSocketError.
    void SendPending();
    // Shuts the socket down and marks the connection closed (any thread).
    void CloseConnection();
    // After a reset or abort: the connection answers every query as closed and writes fail
    // with "Not Connected".
    void ReleaseSocketLayer();

    // 0 = reads wait without limit. Set before the worker starts.
    int ReadTimeout = 0;
    int RecvBufferSize = DefaultRecvBufferSize;
    int SendBufferSize = DefaultRecvBufferSize;
    // How long queued data may wait without a byte taken; 0 = no limit.
    int StallTimeout = 10000;

private:
    using TClock = std::chrono::steady_clock;

    void CloseSocketLocked();
    [[noreturn]] void DropLocked();
    [[noreturn]] void FailRead(int error);
    void TakeFromInput(void* buffer, size_t count);

    std::mutex mutex_; // guards the state flags, never held across a blocking call
    TSocketHandle socket_;
    const std::string peerAddress_;
    const uint16_t peerPort_;
    bool allocated_ = true;
    bool closed_ = false;
    bool hasSocketLayer_ = true;

    std::string output_; // guarded by mutex_
    size_t outputOffset_ = 0;
    bool overflowed_ = false;
    TClock::time_point lastTaken_; // when the socket last took a byte, or the queue filled
    TWakeup wakeup_;

    // Owned by the reading worker alone.
    std::string input_;
    size_t inputOffset_ = 0;
    int lastReadError_ = 0;
};
