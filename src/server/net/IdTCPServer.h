#pragma once

#include "IdPeerThread.h"
#include "IdThreadMgrDefault.h"
#include "platform/Sockets.h"

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <sys/resource.h>
#include <vector>

class TIdListenerThread;

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
    // The port of an activation without bindings; the owner sets it before each start (0: the
    // system chooses a free port).
    int DefaultPort = 0;
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
    // The listener lists the workers it starts; a worker leaves the list and reports its
    // errors.
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
