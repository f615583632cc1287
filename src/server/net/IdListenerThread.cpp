#include "IdListenerThread.h"

#include "IdExceptions.h"
#include "IdTCPServer.h"

#include <cerrno>
#include <chrono>
#include <sys/resource.h>
#include <system_error>

namespace {

using namespace std::chrono_literals;

constexpr int AcceptSliceMs = 100;
// An accept that fails at once (for instance with no descriptors left) is retried after a pause
// instead of in a tight loop.
constexpr auto AcceptErrorPause = 100ms;

// Descriptors or memory used up: an accept that failed for this fails again at once.
bool IsExhaustion(int error) {
    return error == Sockets::WinsockError(EMFILE) || error == Sockets::WinsockError(ENFILE) ||
           error == Sockets::WinsockError(ENOBUFS) || error == Sockets::WinsockError(ENOMEM);
}

// Whether one more connection still leaves the process room for its files (the .ini, the
// settings, pictures) below its descriptor limit.
bool RoomForConnection(int acceptedFd, size_t connections) {
    if (connections >= TIdTCPServer::MaxSimultaneousConnections)
        return false;
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return true;
    return static_cast<rlim_t>(acceptedFd) + TIdTCPServer::ReservedDescriptors < limit.rlim_cur;
}

} // namespace

TIdListenerThread::TIdListenerThread(TIdTCPServer& server, TSocketHandle listening)
    : server_(server), listening_(std::move(listening)) {
    Sockets::LocalPort(listening_.Get(), port_);
}

TIdListenerThread::~TIdListenerThread() {
    Stop();
}

void TIdListenerThread::Start() {
    thread_ = std::thread([this] { Run(); });
}

void TIdListenerThread::Stop() {
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
}

void TIdListenerThread::Run() {
    // Ends only when told to stop: every failure on the way pauses at most and goes on.
    while (!stop_) {
        bool ready = false;
        if (Sockets::WaitReadable(listening_.Get(), AcceptSliceMs, ready) != 0) {
            std::this_thread::sleep_for(AcceptErrorPause);
            continue;
        }
        if (!ready || stop_)
            continue;
        try {
            AcceptOne();
        } catch (const EIdSocketError& e) {
            if (e.LastError() == Sockets::WSAEINTR)
                continue;
            if (server_.OnListenException)
                server_.OnListenException(*this, e);
            // Only exhaustion is worth a pause; anything else concerns one connection alone.
            if (IsExhaustion(e.LastError()))
                std::this_thread::sleep_for(AcceptErrorPause);
        } catch (const std::exception& e) {
            if (server_.OnListenException)
                server_.OnListenException(*this, e);
            std::this_thread::sleep_for(AcceptErrorPause);
        }
    }
    listening_.Close();
}

void TIdListenerThread::AcceptOne() {
    TSocketHandle accepted;
    if (const int error = Sockets::Accept(listening_.Get(), accepted))
        throw EIdSocketError(error);
    if (!RoomForConnection(accepted.Get(), server_.WorkerCount()))
        return; // closed at once: a flood must not starve the displays and the files
    std::string address;
    uint16_t port = 0;
    // A connection reset while it waited in the queue has no peer any more: dropped.
    if (Sockets::PeerAddress(accepted.Get(), address, port) != 0)
        return;
    // Best effort: a socket that refuses the options still serves a live display.
    Sockets::SetDeadPeerDetection(accepted.Get(), server_.DeadPeerTimes);

    TIdThreadMgrDefault& manager = server_.ThreadMgr();
    manager.ReapFinished();
    auto connection =
        std::make_unique<TIdTCPServerConnection>(std::move(accepted), std::move(address), port);
    connection->StallTimeout = server_.StallTimeout;
    TIdPeerThread* thread = manager.CreateThread(server_, std::move(connection));
    if (server_.MaxConnections > 0 &&
        server_.WorkerCount() >= static_cast<size_t>(server_.MaxConnections)) {
        thread->Connection()->CloseConnection();
        manager.DiscardThread(thread);
        return;
    }
    server_.AddWorker(thread);
    try {
        manager.StartThread(thread);
    } catch (const std::system_error& e) {
        // No thread to be had (a thread limit): the connection cannot be served, and a worker
        // left listed would refuse every later stop. The loop goes on at once: each connection
        // waiting is taken and closed, and one that comes once a thread is free is served.
        server_.RemoveWorker(thread);
        thread->Connection()->CloseConnection();
        manager.DiscardThread(thread);
        if (server_.OnListenException)
            server_.OnListenException(*this, e);
    }
}
