#pragma once

#include "IdPeerThread.h"

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

class TIdTCPServer;

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
    // A worker reports its own clean-up.
    friend class TIdPeerThread;

    void HandBack(TIdPeerThread* thread);
    void ThreadEnded(TIdPeerThread* thread);

    std::mutex mutex_;
    std::condition_variable endedSignal_;
    std::vector<std::unique_ptr<TIdPeerThread>> threads_;
};
