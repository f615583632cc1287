#include "IdPeerThread.h"

#include "IdExceptions.h"
#include "IdTCPServer.h"
#include "IdThreadMgrDefault.h"

#include <cstdlib>
#include <cxxabi.h>
#include <typeinfo>

namespace {

std::string ClassNameOf(const std::exception& error) {
    const char* mangled = typeid(error).name();
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> name(
        abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
    return status == 0 && name ? name.get() : mangled;
}

} // namespace

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
