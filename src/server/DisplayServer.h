#pragma once

#include "ClientTable.h"
#include "ExchangeBlock.h"
#include "IdTCPServer.h"
#include "platform/IniFile.h"

#include <functional>
#include <memory>
#include <string>

// The display server without its window: the connection server, the client table and the
// handling of every block a display client sends. The main window owns one and drives it; the
// activity log is handed in as a line sink that any thread may call.
class TDisplayServer {
public:
    using TLogSink = std::function<void(std::string)>;

    TDisplayServer(std::string iniPath, TLogSink addLog);
    TDisplayServer(const TDisplayServer&) = delete;
    TDisplayServer& operator=(const TDisplayServer&) = delete;
    ~TDisplayServer();

    // Listens on the port (errors propagate; the server then stays inactive).
    void StartListening(int port);
    // Stops listening, but only while no client is connected; false when refused.
    bool StopListening();
    bool Listening() const { return Server.Active(); }

    // The end of the program: takes the workers out of the server's list, stops listening with a
    // 2000 ms wait, closes every connection still open and waits for its worker, then releases
    // the client table. No worker runs afterwards.
    void Shutdown();

    // The client table; null after Shutdown.
    TClientTable* Clients() { return clients_.get(); }

    // The "DISPLAY_TYPE" block that answers a registration: the client's display type, its peer
    // address and its layout as configuration text (empty when the text cannot be built).
    TExchangeBlock DisplayTypeBlockFor(const TClientEntry& entry) const;

    // Queues the block for the entry's connection if the entry is still in the table, under the
    // table's lock. False when the client has gone meanwhile.
    bool WriteToClient(const TClientEntry* entry, const TExchangeBlock& block);

    // The connection events, called by the connection server in each connection's worker.
    void SvrConnect(TIdPeerThread& thread);
    void SvrExecute(TIdPeerThread& thread);
    void SvrDisconnect(TIdPeerThread& thread);

private:
    void Log(std::string line) const;
    void HandleRegister(TIdPeerThread& thread, const TExchangeBlock& block);
    void HandleMessage(TIdPeerThread& thread, const TExchangeBlock& block);
    // Writes a block from a worker's handling to a client, the worker's own or another's.
    void WriteFromWorker(TIdPeerThread& sender, const TClientEntry& target,
                         const TExchangeBlock& block);

    const TIniFile ini_;
    TLogSink addLog_;
    bool shutDown_ = false;
    // Declared so that the workers end (server, then thread manager) before the table goes.
    std::unique_ptr<TClientTable> clients_;

public:
    TIdThreadMgrDefault ThreadMgr;
    TIdTCPServer Server{ThreadMgr};
};
