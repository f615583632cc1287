#pragma once

#include "IdTCPServerConnection.h"

#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class TIdTCPServer;
class TIdThreadMgrDefault;

// The application's own record of one connection. The application that runs the server defines
// it, once in the program; the connection layer only carries a pointer to it.
struct TPeerContext;

// The worker of one connection: runs the connect event once, the execute event again and again,
// then the disconnect event, all in its own thread.
class TIdPeerThread {
public:
    TIdPeerThread(const TIdPeerThread&) = delete;
    TIdPeerThread& operator=(const TIdPeerThread&) = delete;
    ~TIdPeerThread();

    TIdTCPServerConnection* Connection() const { return connection_.get(); }
    const std::string& PeerAddress() const { return peerAddress_; }
    bool StopRequested() const { return stopRequested_; }
    void Terminate() { stopRequested_ = true; }

    // The application's slot; the server never interprets or releases what it holds.
    TPeerContext* ClientData = nullptr;

    // Class and message of the error that ended the worker, if one did.
    std::string TerminatingErrorClass() const;
    std::string TerminatingErrorMessage() const;

private:
    // The manager creates, starts and marks its workers.
    friend class TIdThreadMgrDefault;

    TIdPeerThread(TIdTCPServer& server, TIdThreadMgrDefault& manager,
                  std::unique_ptr<TIdTCPServerConnection> connection);
    void Run();
    bool RunConnectPhase();
    void RunExecutePhase();
    bool RunOnePass(); // false when an error ends the worker
    void RunDisconnectPhase();
    void CleanUp();
    void RecordError(const std::exception* error);

    TIdTCPServer& server_;
    TIdThreadMgrDefault& manager_;
    std::unique_ptr<TIdTCPServerConnection> connection_;
    const std::string peerAddress_;
    std::atomic<bool> stopRequested_{false};
    std::thread thread_;
    mutable std::mutex errorMutex_;
    std::string errorClass_;
    std::string errorMessage_;
    // Guarded by the manager's lock.
    bool handedBack_ = false;
    bool ended_ = false;
};
