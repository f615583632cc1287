#pragma once

#include "platform/SettingsTable.h"
#include "platform/Sockets.h"
#include "platform/Wakeup.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <vector>

class TIdTCPServer;
class TIdThreadMgrDefault;

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
    void* ClientData = nullptr;

    // Class and message of the error that ended the worker, if one did.
    std::string TerminatingErrorClass() const;
    std::string TerminatingErrorMessage() const;

private:
    friend class TIdTCPServer;
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

// Creates a new worker per connection and destroys it once its thread has ended; workers are
// never reused. It knows every worker thread still alive, also those the shutdown took out of
// the server's list, so that the program never ends with one of them still running.
class TIdThreadMgrDefault {
public:
    TIdThreadMgrDefault() = default;
    TIdThreadMgrDefault(const TIdThreadMgrDefault&) = delete;
    TIdThreadMgrDefault& operator=(const TIdThreadMgrDefault&) = delete;
    ~TIdThreadMgrDefault();

    // Joins and destroys the workers whose threads have ended.
    void ReapFinished();
    // Workers whose threads have not ended yet.
    size_t LiveCount();
    // Closes the connection of every worker still running and waits, up to the bound, for all of
    // their threads to end. True when none is left.
    bool TerminateAll(int waitMilliseconds);
    // For destructors: like TerminateAll, but a worker still running after the bound would use
    // freed objects, so the process stops with a message instead. Owners that can meet workers
    // stuck in an event handler leave their objects to the process end before this point.
    void TerminateAllOrAbort(int waitMilliseconds);

    // A new worker for the connection, created suspended: its events run only once it is
    // started. Tools that drive the events themselves use a suspended worker and discard it.
    TIdPeerThread* CreateThread(TIdTCPServer& server,
                                std::unique_ptr<TIdTCPServerConnection> connection);
    void StartThread(TIdPeerThread* thread);
    // Destroys a worker that was never started.
    void DiscardThread(TIdPeerThread* thread);

private:
    friend class TIdListenerThread;
    friend class TIdPeerThread;

    void HandBack(TIdPeerThread* thread);
    void ThreadEnded(TIdPeerThread* thread);

    std::mutex mutex_;
    std::condition_variable endedSignal_;
    std::vector<std::unique_ptr<TIdPeerThread>> threads_;
};

// Accepts connections on one listening socket until told to stop.
class TIdListenerThread {
public:
    TIdListenerThread(TIdTCPServer& server, TSocketHandle listening);
    TIdListenerThread(const TIdListenerThread&) = delete;
    TIdListenerThread& operator=(const TIdListenerThread&) = delete;
    ~TIdListenerThread();

    void Start();
    // Tells the listener to stop and waits for its thread to end (within one 100 ms slice).
    void Stop();
    uint16_t Port() const { return port_; }

private:
    void Run();
    void AcceptOne();

    TIdTCPServer& server_;
    TSocketHandle listening_;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// A TCP server that listens on one port, runs one worker thread per accepted connection, and
// calls its connect, execute and disconnect events in that worker.
class TIdTCPServer {
public:
    using TPeerEvent = std::function<void(TIdPeerThread&)>;
    using TPeerExceptionEvent = std::function<void(TIdPeerThread&, const std::exception&)>;
    using TListenExceptionEvent = std::function<void(TIdListenerThread&, const std::exception&)>;

    struct TBinding {
        std::string Address; // empty = every local IPv4 interface
        uint16_t Port = 0;
    };

    explicit TIdTCPServer(TIdThreadMgrDefault& threadMgr);
    TIdTCPServer(const TIdTCPServer&) = delete;
    TIdTCPServer& operator=(const TIdTCPServer&) = delete;
    // Deactivates first; errors of that stop are not raised from here.
    ~TIdTCPServer();

    bool Active() const { return active_; }
    // true: listen (errors propagate and leave the server inactive); false: stop, waiting up to
    // TerminateWaitTime for the workers ("Terminate Thread Timeout" leaves it active).
    void SetActive(bool value);

    // The port of the first listener while active (tells which port 0 chose).
    uint16_t BoundPort() const;

    // Beyond either limit a new connection is closed at once.
    static constexpr size_t MaxSimultaneousConnections = 256;
    static constexpr rlim_t ReservedDescriptors = 64; // kept free below RLIMIT_NOFILE

    // Settings; change them only while the server is inactive, except TerminateWaitTime.
    std::vector<TBinding> Bindings;
    int DefaultPort = SettingsTable::ServerPort.Default;
    int ListenQueue = 15;
    std::atomic<int> TerminateWaitTime{5000};
    int MaxConnections = 0;
    bool ReuseSocket = false;
    // How long data queued for a connection may wait without a byte taken before the
    // connection is dropped; 0 = no limit.
    int StallTimeout = 10000;
    // How a vanished peer is noticed on every accepted connection.
    Sockets::TDeadPeerTimes DeadPeerTimes;

    TPeerEvent OnConnect;
    TPeerEvent OnExecute;
    TPeerEvent OnDisconnect;
    TPeerExceptionEvent OnException;
    TListenExceptionEvent OnListenException;

    // The live workers in order of acceptance, under their own re-entrant lock.
    std::unique_lock<std::recursive_mutex> LockWorkers();
    size_t WorkerCount();
    // Empties the list; the workers go on running but are no longer listed.
    void ClearWorkers();

    TIdThreadMgrDefault& ThreadMgr() { return threadMgr_; }

private:
    friend class TIdListenerThread;
    friend class TIdPeerThread;

    void Activate();
    void Deactivate();
    void StopListeners();

    void AddWorker(TIdPeerThread* thread);
    void RemoveWorker(TIdPeerThread* thread);
    void NotifyException(TIdPeerThread& thread, const std::exception& error);

    TIdThreadMgrDefault& threadMgr_;
    std::atomic<bool> active_{false};
    std::vector<std::unique_ptr<TIdListenerThread>> listeners_;
    std::recursive_mutex workersMutex_;
    std::vector<TIdPeerThread*> workers_;
};
