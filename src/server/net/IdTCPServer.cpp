#include "IdTCPServer.h"

#include "IdExceptions.h"
#include "IdListenerThread.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

constexpr auto StopPollInterval = 250ms;

} // namespace

TIdTCPServer::TIdTCPServer(TIdThreadMgrDefault& threadMgr) : threadMgr_(threadMgr) {}

TIdTCPServer::~TIdTCPServer() {
    try {
        SetActive(false);
    } catch (const std::exception&) {
        StopListeners();
    }
    // Workers the shutdown took out of the list, or that outlived the stop's wait, still refer
    // to this server: none may outlive it.
    threadMgr_.TerminateAllOrAbort(std::max(TerminateWaitTime.load(), 250));
}

void TIdTCPServer::SetActive(bool value) {
    if (value == active_)
        return;
    if (value)
        Activate();
    else
        Deactivate();
}

uint16_t TIdTCPServer::BoundPort() const {
    return listeners_.empty() ? 0 : listeners_.front()->Port();
}

void TIdTCPServer::Activate() {
    std::vector<TBinding> bindings = Bindings;
    if (bindings.empty())
        bindings.push_back(TBinding{"", static_cast<uint16_t>(DefaultPort)});

    std::vector<std::unique_ptr<TIdListenerThread>> started;
    try {
        for (const TBinding& binding : bindings) {
            TSocketHandle socket;
            if (Sockets::CreateTcpSocket(socket) != 0)
                throw EIdInvalidSocket();
            // On Linux this only lets a new listener bind while connections of an earlier one
            // sit in TIME_WAIT, as the platform the program was designed for allows by default;
            // a second live listener on the port still fails.
            if (const int error = Sockets::SetReuseAddress(socket.Get()))
                throw EIdSocketError(error);
            if (const int error = Sockets::Bind(socket.Get(), binding.Address, binding.Port)) {
                if (error == Sockets::WSAEADDRINUSE)
                    throw EIdCouldNotBindSocket();
                throw EIdSocketError(error);
            }
            if (const int error = Sockets::Listen(socket.Get(), ListenQueue))
                throw EIdSocketError(error);
            auto listener = std::make_unique<TIdListenerThread>(*this, std::move(socket));
            listener->Start();
            started.push_back(std::move(listener));
        }
    } catch (...) {
        for (auto& listener : started)
            listener->Stop();
        throw;
    }
    listeners_ = std::move(started);
    active_ = true;
}

void TIdTCPServer::StopListeners() {
    for (auto& listener : listeners_)
        listener->Stop();
    listeners_.clear();
}

void TIdTCPServer::Deactivate() {
    StopListeners();
    {
        auto lock = LockWorkers();
        for (TIdPeerThread* worker : workers_)
            worker->Connection()->CloseConnection();
    }
    const int polls = TerminateWaitTime / 250;
    bool empty = false;
    for (int i = 0; i < polls && !empty; ++i) {
        std::this_thread::sleep_for(StopPollInterval);
        empty = WorkerCount() == 0;
    }
    threadMgr_.ReapFinished();
    if (!empty)
        throw EIdTerminateThreadTimeout();
    active_ = false;
}

std::unique_lock<std::recursive_mutex> TIdTCPServer::LockWorkers() {
    return std::unique_lock(workersMutex_);
}

size_t TIdTCPServer::WorkerCount() {
    auto lock = LockWorkers();
    return workers_.size();
}

void TIdTCPServer::ClearWorkers() {
    auto lock = LockWorkers();
    workers_.clear();
}

void TIdTCPServer::AddWorker(TIdPeerThread* thread) {
    auto lock = LockWorkers();
    workers_.push_back(thread);
}

void TIdTCPServer::RemoveWorker(TIdPeerThread* thread) {
    auto lock = LockWorkers();
    std::erase(workers_, thread);
}

void TIdTCPServer::NotifyException(TIdPeerThread& thread, const std::exception& error) {
    if (!OnException)
        return;
    try {
        OnException(thread, error);
    } catch (...) {
        // An exception handler must not end the worker by failing itself.
    }
}
