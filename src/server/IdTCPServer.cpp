#include "IdTCPServer.h"

#include "IdExceptions.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cxxabi.h>
#include <sys/resource.h>
#include <system_error>
#include <typeinfo>

namespace {

using namespace std::chrono_literals;

constexpr int AcceptSliceMs = 100;
constexpr auto StopPollInterval = 250ms;
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

std::string ClassNameOf(const std::exception& error) {
    const char* mangled = typeid(error).name();
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> name(
        abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
    return status == 0 && name ? name.get() : mangled;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TIdTCPServerConnection

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

// ---------------------------------------------------------------------------------------------
// TIdPeerThread

TIdPeerThread::TIdPeerThread(TIdTCPServer& server, TIdThreadMgrDefault& manager,
                             std::unique_ptr<TIdTCPServerConnection> connection)
    : server_(server), manager_(manager), connection_(std::move(connection)),
      peerAddress_(connection_->PeerAddress()) {}

TIdPeerThread::~TIdPeerThread() {
    if (thread_.joinable())
        thread_.join();
}

std::string TIdPeerThread::TerminatingErrorClass() const {
    std::lock_guard lock(errorMutex_);
    return errorClass_;
}

std::string TIdPeerThread::TerminatingErrorMessage() const {
    std::lock_guard lock(errorMutex_);
    return errorMessage_;
}

void TIdPeerThread::RecordError(const std::exception* error) {
    std::lock_guard lock(errorMutex_);
    errorClass_ = error != nullptr ? ClassNameOf(*error) : "unknown";
    errorMessage_ = error != nullptr ? error->what() : "unknown error";
}

void TIdPeerThread::Run() {
    if (RunConnectPhase()) {
        RunExecutePhase();
        RunDisconnectPhase();
    }
    CleanUp();
}

bool TIdPeerThread::RunConnectPhase() {
    try {
        if (server_.OnConnect)
            server_.OnConnect(*this);
        return true;
    } catch (const std::exception& e) {
        RecordError(&e);
    } catch (...) {
        RecordError(nullptr);
    }
    // A failed connect event ends the worker without a disconnect event.
    stopRequested_ = true;
    return false;
}

void TIdPeerThread::RunExecutePhase() {
    if (!connection_->IsOpen())
        stopRequested_ = true;
    while (!stopRequested_) {
        if (!RunOnePass())
            break;
        if (!connection_->IsOpen())
            stopRequested_ = true;
    }
    stopRequested_ = true;
}

bool TIdPeerThread::RunOnePass() {
    try {
        if (!server_.OnExecute)
            throw EIdNoExecuteSpecified();
        server_.OnExecute(*this);
    } catch (const EIdSocketError& e) {
        server_.NotifyException(*this, e);
        if (e.LastError() == Sockets::WSAECONNABORTED || e.LastError() == Sockets::WSAECONNRESET) {
            connection_->CloseConnection();
            connection_->ReleaseSocketLayer();
        }
    } catch (const EIdClosedSocket& e) {
        server_.NotifyException(*this, e);
        stopRequested_ = true;
    } catch (const EIdConnClosedGracefully& e) {
        server_.NotifyException(*this, e);
    } catch (const std::exception& e) {
        server_.NotifyException(*this, e);
        RecordError(&e);
        return false;
    } catch (...) {
        RecordError(nullptr);
        return false;
    }
    return true;
}

void TIdPeerThread::RunDisconnectPhase() {
    try {
        if (server_.OnDisconnect)
            server_.OnDisconnect(*this);
    } catch (const std::exception& e) {
        RecordError(&e);
    } catch (...) {
        RecordError(nullptr);
    }
}

void TIdPeerThread::CleanUp() {
    ClientData = nullptr;
    server_.RemoveWorker(this);
    manager_.HandBack(this);
    // Nobody can reach the connection any more: it has left the client table (disconnect
    // event), the server's list and the manager's list of running workers.
    connection_.reset();
}

// ---------------------------------------------------------------------------------------------
// TIdThreadMgrDefault

TIdThreadMgrDefault::~TIdThreadMgrDefault() {
    TerminateAllOrAbort(2000);
}

void TIdThreadMgrDefault::TerminateAllOrAbort(int waitMilliseconds) {
    if (TerminateAll(waitMilliseconds))
        return;
    std::fputs("velmora: a connection worker did not end and would outlive its server\n", stderr);
    std::abort();
}

TIdPeerThread*
TIdThreadMgrDefault::CreateThread(TIdTCPServer& server,
                                  std::unique_ptr<TIdTCPServerConnection> connection) {
    std::unique_ptr<TIdPeerThread> thread(new TIdPeerThread(server, *this, std::move(connection)));
    std::lock_guard lock(mutex_);
    threads_.push_back(std::move(thread));
    return threads_.back().get();
}

void TIdThreadMgrDefault::StartThread(TIdPeerThread* thread) {
    thread->thread_ = std::thread([this, thread] {
        thread->Run();
        ThreadEnded(thread);
    });
}

void TIdThreadMgrDefault::DiscardThread(TIdPeerThread* thread) {
    std::lock_guard lock(mutex_);
    std::erase_if(threads_, [thread](const auto& t) { return t.get() == thread; });
}

void TIdThreadMgrDefault::HandBack(TIdPeerThread* thread) {
    std::lock_guard lock(mutex_);
    thread->handedBack_ = true;
}

void TIdThreadMgrDefault::ThreadEnded(TIdPeerThread* thread) {
    std::lock_guard lock(mutex_);
    thread->ended_ = true;
    endedSignal_.notify_all();
}

void TIdThreadMgrDefault::ReapFinished() {
    std::vector<std::unique_ptr<TIdPeerThread>> finished;
    {
        std::lock_guard lock(mutex_);
        for (auto& t : threads_) {
            if (t->ended_)
                finished.push_back(std::move(t));
        }
        std::erase(threads_, nullptr);
    }
    // Destroying a worker joins its thread, which has already left its function.
    finished.clear();
}

size_t TIdThreadMgrDefault::LiveCount() {
    std::lock_guard lock(mutex_);
    return static_cast<size_t>(
        std::count_if(threads_.begin(), threads_.end(), [](const auto& t) { return !t->ended_; }));
}

bool TIdThreadMgrDefault::TerminateAll(int waitMilliseconds) {
    std::unique_lock lock(mutex_);
    for (const auto& t : threads_) {
        if (!t->handedBack_) {
            t->Terminate();
            t->connection_->CloseConnection();
        }
    }
    const bool allEnded =
        endedSignal_.wait_for(lock, std::chrono::milliseconds(waitMilliseconds), [this] {
            return std::all_of(threads_.begin(), threads_.end(),
                               [](const auto& t) { return t->ended_; });
        });
    lock.unlock();
    ReapFinished();
    return allEnded;
}

// ---------------------------------------------------------------------------------------------
// TIdListenerThread

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

    TIdThreadMgrDefault& manager = server_.threadMgr_;
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

// ---------------------------------------------------------------------------------------------
// TIdTCPServer

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
