#include "IdTCPServerConnection.h"

#include "IdExceptions.h"

#include <algorithm>
#include <cstring>

TIdTCPServerConnection::TIdTCPServerConnection(TSocketHandle socket, std::string peerAddress,
                                               uint16_t peerPort)
    : socket_(std::move(socket)), peerAddress_(std::move(peerAddress)), peerPort_(peerPort) {}

TIdTCPServerConnection::~TIdTCPServerConnection() {
    if (allocated_ && socket_.Valid())
        Sockets::ShutdownSend(socket_.Get());
}

void TIdTCPServerConnection::CloseSocketLocked() {
    if (allocated_ && socket_.Valid())
        Sockets::ShutdownBoth(socket_.Get());
    allocated_ = false;
}

bool TIdTCPServerConnection::IsOpen() {
    std::lock_guard lock(mutex_);
    if (!hasSocketLayer_)
        return false;
    if (closed_ && allocated_)
        CloseSocketLocked();
    return allocated_;
}

void TIdTCPServerConnection::CloseConnection() {
    std::lock_guard lock(mutex_);
    if (!hasSocketLayer_)
        return;
    CloseSocketLocked();
    closed_ = true;
}

void TIdTCPServerConnection::ReleaseSocketLayer() {
    std::lock_guard lock(mutex_);
    CloseSocketLocked();
    closed_ = true;
    hasSocketLayer_ = false;
}

void TIdTCPServerConnection::FailRead(int error) {
    // The same error twice in a row without a byte in between means the socket will not recover;
    // closing it ends the worker instead of letting it spin on the error.
    if (error == lastReadError_) {
        std::lock_guard lock(mutex_);
        CloseSocketLocked();
        closed_ = true;
    }
    lastReadError_ = error;
    throw EIdSocketError(error);
}

void TIdTCPServerConnection::TakeFromInput(void* buffer, size_t count) {
    std::memcpy(buffer, input_.data() + inputOffset_, count);
    inputOffset_ += count;
    if (inputOffset_ == input_.size()) {
        input_.clear();
        inputOffset_ = 0;
    } else if (inputOffset_ >= static_cast<size_t>(DefaultRecvBufferSize)) {
        input_.erase(0, inputOffset_);
        inputOffset_ = 0;
    }
}

void TIdTCPServerConnection::ReadExact(void* buffer, int count) {
    if (count <= 0 || buffer == nullptr)
        return;
    const auto wanted = static_cast<size_t>(count);
    const auto readDeadline = ReadTimeout > 0
                                  ? TClock::now() + std::chrono::milliseconds(ReadTimeout)
                                  : TClock::time_point::max();
    std::string chunk;
    while (input_.size() - inputOffset_ < wanted) {
        int fd;
        auto deadline = readDeadline;
        bool sending;
        {
            std::lock_guard lock(mutex_);
            const bool empty = input_.size() == inputOffset_;
            if ((closed_ || !hasSocketLayer_) && empty)
                throw EIdConnClosedGracefully();
            if (!hasSocketLayer_)
                throw EIdNotConnected();
            if (!allocated_)
                throw EIdConnClosedGracefully();
            sending = output_.size() > outputOffset_;
            if (overflowed_ ||
                (sending && StallTimeout > 0 &&
                 TClock::now() - lastTaken_ >= std::chrono::milliseconds(StallTimeout)))
                DropLocked();
            if (sending && StallTimeout > 0)
                deadline = std::min(deadline, lastTaken_ + std::chrono::milliseconds(StallTimeout));
            fd = socket_.Get();
        }
        int timeoutMs = -1;
        if (deadline != TClock::time_point::max()) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(deadline - TClock::now());
            timeoutMs = static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
        }
        Sockets::TReadiness readiness;
        if (const int error = Sockets::WaitSocket(fd, sending, wakeup_.Fd(), timeoutMs, readiness))
            FailRead(error);
        if (readiness.woken)
            wakeup_.Drain();
        if (readiness.writable)
            SendPending();
        if (!readiness.readable) {
            if (TClock::now() >= readDeadline)
                throw EIdReadTimeout();
            continue;
        }

        chunk.resize(static_cast<size_t>(std::max(RecvBufferSize, 1)));
        size_t received = 0;
        const int error = Sockets::Receive(fd, chunk.data(), chunk.size(), received);
        if (error == Sockets::WSAESHUTDOWN || error == Sockets::WSAECONNABORTED) {
            std::lock_guard lock(mutex_);
            CloseSocketLocked();
            if (input_.size() == inputOffset_)
                throw EIdSocketError(error);
            closed_ = true;
        } else if (error != 0) {
            FailRead(error);
        } else if (received == 0) {
            std::lock_guard lock(mutex_);
            closed_ = true;
            CloseSocketLocked();
        } else {
            lastReadError_ = 0;
            input_.append(chunk.data(), received);
        }
        std::lock_guard lock(mutex_);
        // A close cuts off a block that has not fully arrived; its partial bytes are useless.
        if (closed_)
            throw EIdConnClosedGracefully();
    }
    TakeFromInput(buffer, wanted);
}

void TIdTCPServerConnection::SendPending() {
    std::lock_guard lock(mutex_);
    if (!allocated_ || output_.size() == outputOffset_)
        return;
    size_t sent = 0;
    const int error = Sockets::SendAvailable(socket_.Get(), output_.data() + outputOffset_,
                                             output_.size() - outputOffset_, sent);
    if (error != 0) {
        // The stream cannot go on; shutting it down lets the worker end and the client leave.
        CloseSocketLocked();
        output_.clear();
        outputOffset_ = 0;
        throw EIdSocketError(error);
    }
    if (sent == 0)
        return;
    lastTaken_ = TClock::now();
    outputOffset_ += sent;
    if (outputOffset_ == output_.size()) {
        output_.clear();
        outputOffset_ = 0;
    } else if (outputOffset_ >= MaxQueuedBytes / 4) {
        output_.erase(0, outputOffset_);
        outputOffset_ = 0;
    }
}

void TIdTCPServerConnection::DropLocked() {
    // A reset instead of a close: the kernel frees what the peer never took at once.
    Sockets::SetAbortiveClose(socket_.Get());
    allocated_ = false;
    closed_ = true;
    output_.clear();
    outputOffset_ = 0;
    throw EIdNotReading();
}

void TIdTCPServerConnection::QueueWrite(const void* buffer, int count) {
    if (count <= 0 || buffer == nullptr)
        return;
    std::lock_guard lock(mutex_);
    if (!hasSocketLayer_)
        throw EIdNotConnected();
    if (closed_ || !allocated_ || overflowed_)
        throw EIdConnClosedGracefully();
    const size_t pending = output_.size() - outputOffset_;
    if (pending + static_cast<size_t>(count) > MaxQueuedBytes) {
        overflowed_ = true;
        wakeup_.Signal();
        throw EIdConnClosedGracefully();
    }
    output_.append(static_cast<const char*>(buffer), static_cast<size_t>(count));
    // A worker already waiting to send needs no wake; one waiting only to read does.
    if (pending == 0) {
        lastTaken_ = TClock::now();
        wakeup_.Signal();
    }
}

size_t TIdTCPServerConnection::QueuedBytes() {
    std::lock_guard lock(mutex_);
    return output_.size() - outputOffset_;
}
