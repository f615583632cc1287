#pragma once

#include "ClientTable.h"
#include "net/IdTCPServer.h"
#include "platform/IniFile.h"
#include "protocol/ExchangeBlock.h"
#include "protocol/RegisterMessage.h"
#include "protocol/TextMessage.h"

#include <atomic>
#include <functional>
#include <memory>
#include <shared_mutex>
#include <string>

// The display server without its window: the connection server, the client table and the
// handling of every block a display client sends. The main window owns one and drives it; the
// activity log is handed in as a line sink that any thread may call.
class TDisplayServer {
public:
    using TLogSink = std::function<void(std::string)>;

    // The bound of the shutdown's whole wait for the workers.
    static constexpr int ShutdownWaitMs = 2000;

    TDisplayServer(std::string iniPath, TLogSink addLog);
    TDisplayServer(const TDisplayServer&) = delete;
    TDisplayServer& operator=(const TDisplayServer&) = delete;
    ~TDisplayServer();

    // Listens on the port (errors propagate; the server then stays inactive).
    void StartListening(int port);
    // Stops listening, but only while no client is connected; false when refused.
    bool StopListening();
    bool Listening() const { return Server.Active(); }

    // The end of the program: takes the workers out of the server's list, stops listening,
    // closes every connection still open and waits for the workers, all within one bound of
    // 2000 ms, then releases the client table. From then on no worker reaches the activity log.
    // False when a worker outlived the bound (stuck in an event handler, say); it still holds
    // this object, which must then be left to the process end (TRelease does that).
    bool Shutdown();

    // Deleter for the owner of a server: shuts it down and frees it, or leaves it, with the
    // workers that outlived the shutdown still inside it, to the end of the process.
    struct TRelease {
        void operator()(TDisplayServer* server) const;
    };
    using TOwner = std::unique_ptr<TDisplayServer, TRelease>;

    // The client table; null after Shutdown.
    TClientTable* Clients() { return shutDown_ ? nullptr : clients_.get(); }

    // The "DISPLAY_TYPE" block that answers a registration: the client's display type, its peer
    // address and its layout as configuration text (empty when the text cannot be built).
    TExchangeBlock DisplayTypeBlockFor(const TClientEntry& entry) const;
    TExchangeBlock DisplayTypeBlockFor(const std::string& clientName,
                                       const std::string& peerIP) const;

    // Queues the block for the entry's connection if the entry is still in the table, under the
    // table's lock. False when the client has gone meanwhile.
    bool WriteToClient(const TClientEntry* entry, const TExchangeBlock& block);

    // The connection events, called by the connection server in each connection's worker.
    void SvrConnect(TIdPeerThread& thread);
    void SvrExecute(TIdPeerThread& thread);
    void SvrDisconnect(TIdPeerThread& thread);

private:
    void Log(std::string line) const;
    // The block is relayed or logged as it came; what it says is read by its message.
    void HandleRegister(TIdPeerThread& thread, const TExchangeBlock& block,
                        const TRegisterMessage& registration);
    void HandleMessage(TIdPeerThread& thread, const TExchangeBlock& block,
                       const TTextMessage& message);
    // "STATUS" and "SHOT" parts, kept in the entry; one line a minute, one for each bad block.
    void HandleReport(TClientEntry& entry, const TExchangeBlock& block);
    // Writes a block from a worker's handling to a client, the worker's own or another's.
    void WriteFromWorker(TIdPeerThread& sender, const TClientEntry& target,
                         const TExchangeBlock& block);

    const TIniFile ini_;
    // Cut at the end of the shutdown, so that a worker that outlives it never reaches the log.
    mutable std::shared_mutex logMutex_;
    TLogSink addLog_;
    std::atomic<bool> shutDown_{false};
    bool allEnded_ = true;
    // Declared so that the workers end (server, then thread manager) before the table goes.
    std::unique_ptr<TClientTable> clients_;

public:
    TIdThreadMgrDefault ThreadMgr;
    TIdTCPServer Server{ThreadMgr};
};
