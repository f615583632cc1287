#pragma once

#include <stdexcept>
#include <string>

// Errors of the connection server. Each class carries the message text operators and log
// readers know from the original platform.
class EIdException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class EIdSocketError : public EIdException {
public:
    explicit EIdSocketError(int number);
    int LastError() const { return number_; }

private:
    int number_;
};

class EIdConnClosedGracefully : public EIdException {
public:
    EIdConnClosedGracefully() : EIdException("Connection Closed Gracefully.") {}
};

class EIdClosedSocket : public EIdException {
public:
    EIdClosedSocket() : EIdException("Disconnected.") {}
};

class EIdNotConnected : public EIdException {
public:
    EIdNotConnected() : EIdException("Not Connected") {}
};

// A connection whose peer takes no more data is dropped by its worker.
class EIdNotReading : public EIdException {
public:
    EIdNotReading() : EIdException("Not reading") {}
};

class EIdReadTimeout : public EIdException {
public:
    EIdReadTimeout() : EIdException("Read Timeout") {}
};

class EIdTerminateThreadTimeout : public EIdException {
public:
    EIdTerminateThreadTimeout() : EIdException("Terminate Thread Timeout") {}
};

class EIdNoExecuteSpecified : public EIdException {
public:
    EIdNoExecuteSpecified() : EIdException("No execute handler found.") {}
};

class EIdCouldNotBindSocket : public EIdException {
public:
    EIdCouldNotBindSocket()
        : EIdException("Could not bind socket. Address and port are already in use.") {}
};

class EIdInvalidSocket : public EIdException {
public:
    EIdInvalidSocket() : EIdException("Cannot allocate socket.") {}
};

class EIdStackInitializationFailed : public EIdException {
public:
    EIdStackInitializationFailed() : EIdException("Winsock Initialization Error.") {}
};

class EIdWS2StubError : public EIdException {
public:
    explicit EIdWS2StubError(const std::string& library)
        : EIdException("Error on loading Winsock2 library (" + library + ")") {}
};

// The text for a Windows Sockets error number; empty for a number without one.
std::string SocketErrorText(int number);
