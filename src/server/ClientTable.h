#pragma once

#include "DisplayReport.h"
#include "protocol/ExchangeBlock.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class TIdPeerThread;
struct TClientEntry;

// What a connection's worker carries for the display server (its ClientData): the way to the
// connection's client entry.
struct TPeerContext {
    TClientEntry& Entry;
};

// One live connection of a display client, from its connect event to its disconnect event.
struct TClientEntry {
    static constexpr size_t PeerIPCapacity = 20;

    std::string PeerIP;                // the peer's dotted address, at most 20 characters
    double Connected = 0;              // local date-time of the accept
    std::atomic<double> LastAction{0}; // local date-time of the last block; own thread writes
    TIdPeerThread* Thread = nullptr;   // the worker, through which its connection is written
    uint64_t Serial = 0;               // given by the table, never given twice in a run
    std::string ClientName;            // empty until the first "REGISTER"; written under the lock
    TPeerContext Context{*this};       // held by the worker while the entry lives
    TDisplayReport Report;             // what the display says; under the lock
};

// Queues the block whole on the entry's connection; its worker sends it (never waits on the
// network). Called under the table's lock, or by the entry's own worker, so the entry stays
// valid for the whole write. Raises the connection's error when it is closed or overflowing.
void SendTo(const TClientEntry& entry, const TExchangeBlock& block);

// The locked list of every connected client, in order of connection. Every walk of the list
// takes its one lock; blocks written to other clients' connections are written while it is
// held, so an entry found in the list stays valid for the whole write.
class TClientTable {
public:
    // The list under its lock, for as long as the object lives.
    class TLockedList {
    public:
        explicit TLockedList(TClientTable& table) : table_(table), lock_(table.mutex_) {}

        auto begin() const { return table_.entries_.begin(); }
        auto end() const { return table_.entries_.end(); }
        size_t Count() const { return table_.entries_.size(); }
        bool Contains(const TClientEntry* entry) const;
        // The entry of that serial number; null when it has left (0 is never given).
        TClientEntry* Find(uint64_t serial) const;
        void Add(std::unique_ptr<TClientEntry> entry);
        // Takes the entry out of the list; nothing when it is not there.
        std::unique_ptr<TClientEntry> Remove(const TClientEntry* entry);

    private:
        TClientTable& table_;
        std::unique_lock<std::mutex> lock_;
    };

    TLockedList LockList() { return TLockedList(*this); }

private:
    std::mutex mutex_;
    std::vector<std::unique_ptr<TClientEntry>> entries_;
    uint64_t nextSerial_ = 1;
};
