#include "DisplayServer.h"

#include "DisplayAssignment.h"
#include "net/IdExceptions.h"
#include "platform/Clock.h"
#include "platform/CodePage1251.h"
#include "platform/ScopeGuard.h"
#include "platform/SettingsTable.h"
#include "protocol/DisplayTypeMessage.h"
#include "protocol/RegisterMessage.h"
#include "protocol/ShotMessage.h"
#include "protocol/StatusMessage.h"
#include "protocol/TextMessage.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// The client entry the worker's connect event made; null before it and after the disconnect.
TClientEntry* EntryOf(const TIdPeerThread& thread) {
    return thread.ClientData != nullptr ? &thread.ClientData->Entry : nullptr;
}

} // namespace

TDisplayServer::TDisplayServer(std::string iniPath, TLogSink addLog)
    : ini_(std::move(iniPath)), addLog_(std::move(addLog)),
      clients_(std::make_unique<TClientTable>()) {
    Server.DefaultPort = SettingsTable::ServerPort.Default;
    Server.OnConnect = [this](TIdPeerThread& t) { SvrConnect(t); };
    Server.OnExecute = [this](TIdPeerThread& t) { SvrExecute(t); };
    Server.OnDisconnect = [this](TIdPeerThread& t) { SvrDisconnect(t); };
}

TDisplayServer::~TDisplayServer() {
    Shutdown();
}

void TDisplayServer::TRelease::operator()(TDisplayServer* server) const {
    if (server->Shutdown() || server->ThreadMgr.LiveCount() == 0)
        delete server;
    // Otherwise a worker is still inside the server (an event handler that never returned):
    // freeing it would pull its objects from under that worker. The process is ending; the
    // worker and the server are left to its end.
}

void TDisplayServer::Log(std::string line) const {
    std::shared_lock lock(logMutex_);
    if (addLog_)
        addLog_(std::move(line));
}

void TDisplayServer::StartListening(int port) {
    if (Server.Active())
        return;
    Server.DefaultPort = port;
    Server.SetActive(true);
}

bool TDisplayServer::StopListening() {
    if (!Server.Active())
        return false;
    if (clients_->LockList().Count() > 0)
        return false;
    Server.SetActive(false);
    return true;
}

bool TDisplayServer::Shutdown() {
    if (shutDown_.exchange(true))
        return allEnded_;
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + milliseconds(ShutdownWaitMs);
    const auto left = [&] {
        return static_cast<int>(std::max<milliseconds::rep>(
            0, duration_cast<milliseconds>(deadline - steady_clock::now()).count()));
    };
    Server.TerminateWaitTime = ShutdownWaitMs;
    Server.ClearWorkers();
    // A client that connects now joins the list again; the stop below closes its connection.
    while (Server.WorkerCount() > 0 && left() > 0)
        std::this_thread::sleep_for(milliseconds(10));
    // The stop's own wait takes what is left of the bound, at least its one poll.
    Server.TerminateWaitTime = std::max(left(), 250);
    try {
        Server.SetActive(false);
    } catch (const std::exception&) {
        // Only a worker accepted during the shutdown can still be listed; it is closed below.
    }
    // The workers taken out of the list are still running: close their connections and let them
    // finish before the client table they use goes away.
    allEnded_ = ThreadMgr.TerminateAll(left());
    {
        std::unique_lock lock(logMutex_);
        addLog_ = nullptr;
    }
    if (allEnded_)
        clients_.reset();
    return allEnded_;
}

TExchangeBlock TDisplayServer::DisplayTypeBlockFor(const TClientEntry& entry) const {
    return DisplayTypeBlockFor(entry.ClientName, entry.PeerIP);
}

TExchangeBlock TDisplayServer::DisplayTypeBlockFor(const std::string& clientName,
                                                   const std::string& peerIP) const {
    const int displayType = DisplayAssignment::GetClientDisplayType(ini_, clientName);
    std::string config;
    try {
        config = DisplayAssignment::BuildDisplayConfig(ini_, displayType, clientName);
    } catch (const std::exception&) {
        // The reply still goes out, with an empty configuration.
    }
    return DisplayTypeMessage::Make({displayType, peerIP, config});
}

bool TDisplayServer::WriteToClient(const TClientEntry* entry, const TExchangeBlock& block) {
    auto list = clients_->LockList();
    if (!list.Contains(entry))
        return false;
    SendTo(*entry, block);
    return true;
}

void TDisplayServer::SvrConnect(TIdPeerThread& thread) {
    auto entry = std::make_unique<TClientEntry>();
    entry->PeerIP = thread.PeerAddress().substr(0, TClientEntry::PeerIPCapacity);
    entry->Connected = Clock::NowDateTime();
    entry->LastAction = entry->Connected;
    entry->Thread = &thread;
    TClientEntry* added = entry.get();
    thread.ClientData = &added->Context;
    clients_->LockList().Add(std::move(entry));
    try {
        Log(Clock::LongTimeText() + " Connection from " + Quoted(added->PeerIP));
    } catch (...) {
        // The worker ends without a disconnect event: the entry must not stay behind.
        clients_->LockList().Remove(added);
        thread.ClientData = nullptr;
        throw;
    }
}

void TDisplayServer::SvrExecute(TIdPeerThread& thread) {
    TClientEntry* entry = EntryOf(thread);
    if (entry == nullptr || thread.StopRequested() || !thread.Connection()->IsOpen())
        return;
    TExchangeBlock block;
    try {
        thread.Connection()->ReadExact(&block, sizeof block);
    } catch (const EIdNotReading&) {
        Log(Clock::LongTimeText() + " Dropped " + Quoted(entry->PeerIP) + ": not reading");
        throw;
    }
    entry->LastAction = Clock::NowDateTime();
    if (StatusMessage::Is(block) || ShotMessage::Is(block)) {
        HandleReport(*entry, block);
        return;
    }
    Log("Command=" + ExchangeBlock::KeptText(block.Command));

    if (const auto registration = RegisterMessage::Read(block)) {
        HandleRegister(thread, block, *registration);
    } else if (const auto message = TextMessage::Read(block)) {
        HandleMessage(thread, block, *message);
    } else {
        Log(Clock::LongTimeText() + " Unknown command from " +
            Quoted(ExchangeBlock::LogText(block, block.Sender)) + ": " +
            ExchangeBlock::LogText(block, block.Command));
    }
}

void TDisplayServer::HandleRegister(TIdPeerThread& thread, const TExchangeBlock& block,
                                    const TRegisterMessage& registration) {
    // Every connection from the sender's address takes the name and gets its own reply;
    // normally that is the sender alone. The reply is the same for all of them (same name, same
    // address), and is read from the .ini before the table is locked, so that a slow file
    // holds up no other client and not the window.
    const std::string& name = registration.Name;
    const TExchangeBlock reply =
        DisplayTypeBlockFor(name, thread.PeerAddress().substr(0, TClientEntry::PeerIPCapacity));
    auto list = clients_->LockList();
    for (const auto& e : list) {
        if (e->PeerIP != thread.PeerAddress())
            continue;
        e->ClientName = name;
        Log(Clock::LongTimeText() + " Register " +
            Quoted(ExchangeBlock::LogText(block, block.Sender)) + " as " +
            ExchangeBlock::LogText(block, block.Name));
        WriteFromWorker(thread, *e, reply);
    }
}

void TDisplayServer::HandleMessage(TIdPeerThread& thread, const TExchangeBlock& block,
                                   const TTextMessage& message) {
    const std::string command = ExchangeBlock::LogText(block, block.Command);
    const std::string text = Quoted(ExchangeBlock::LogText(block, block.Text));
    if (message.ForEverybody()) {
        Log(Clock::LongTimeText() + " Broadcasting " + command + ": " + text);
        auto list = clients_->LockList();
        for (const auto& e : list)
            WriteFromWorker(thread, *e, block);
        return;
    }
    Log(Clock::LongTimeText() + " Sending " + command + " to " +
        Quoted(ExchangeBlock::LogText(block, block.Receiver)) + ": " + text);
    // A message goes to every client whose peer address equals the receiver exactly, and to
    // every client registered under the receiver's name without regard to letter case: the
    // server's own blocks address clients by peer address, operators and clients know each
    // other by slot name. A receiver that matches nobody gets nothing and raises no error.
    auto list = clients_->LockList();
    for (const auto& e : list) {
        if (e->PeerIP == message.Receiver ||
            CodePage1251::SameText(e->ClientName, message.Receiver))
            WriteFromWorker(thread, *e, block);
    }
}

void TDisplayServer::HandleReport(TClientEntry& entry, const TExchangeBlock& block) {
    const auto now = Clock::Now();
    const bool isStatus = StatusMessage::Is(block);
    std::string problem;
    bool logDue = false;
    {
        auto list = clients_->LockList();
        TDisplayReport& report = entry.Report;
        problem = isStatus ? report.TakeStatus(*StatusMessage::Read(block))
                           : report.TakeShotPart(ShotMessage::ReadPart(block), now);
        logDue = report.LogDue(now);
    }
    // A display sends its status and a picture every few seconds: the usual line for each block
    // would bury everything else in the log.
    if (logDue)
        Log("Command=" + ExchangeBlock::LogText(block, block.Command) + " from " +
            Quoted(ExchangeBlock::LogText(block, block.Sender)) + " (once a minute)");
    if (!problem.empty())
        Log(Clock::LongTimeText() + " Dropped " + ExchangeBlock::LogText(block, block.Command) +
            " from " + Quoted(ExchangeBlock::LogText(block, block.Sender)) + ": " + problem);
}

void TDisplayServer::WriteFromWorker(TIdPeerThread& sender, const TClientEntry& target,
                                     const TExchangeBlock& block) {
    if (target.Thread == &sender) {
        SendTo(target, block);
        return;
    }
    // A failed write to another client is that client's trouble, not the sender's: a connection
    // that is closed, or that overflowed and is being dropped, is ended by its own worker.
    // The sender keeps its connection, and the clients after the failed one still get the block
    // (a display reconnecting before its old connection was noticed dead would otherwise never
    // get its registration answered).
    try {
        SendTo(target, block);
    } catch (const EIdException&) {
    }
}

void TDisplayServer::SvrDisconnect(TIdPeerThread& thread) {
    TClientEntry* entry = EntryOf(thread);
    if (entry == nullptr)
        return;
    const TScopeGuard removeOnExit([&] {
        clients_->LockList().Remove(entry);
        thread.ClientData = nullptr;
    });
    Log(Clock::LongTimeText() + " Disconnect from " + Quoted(entry->PeerIP));
}
