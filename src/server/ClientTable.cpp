#include "ClientTable.h"

#include "net/IdPeerThread.h"

#include <algorithm>

void SendTo(const TClientEntry& entry, const TExchangeBlock& block) {
    entry.Thread->Connection()->QueueWrite(&block, sizeof block);
}

bool TClientTable::TLockedList::Contains(const TClientEntry* entry) const {
    return std::any_of(begin(), end(), [entry](const auto& e) { return e.get() == entry; });
}

TClientEntry* TClientTable::TLockedList::Find(uint64_t serial) const {
    const auto it =
        std::find_if(begin(), end(), [serial](const auto& e) { return e->Serial == serial; });
    return serial != 0 && it != end() ? it->get() : nullptr;
}

void TClientTable::TLockedList::Add(std::unique_ptr<TClientEntry> entry) {
    entry->Serial = table_.nextSerial_++;
    table_.entries_.push_back(std::move(entry));
}

std::unique_ptr<TClientEntry> TClientTable::TLockedList::Remove(const TClientEntry* entry) {
    auto& entries = table_.entries_;
    const auto it = std::find_if(entries.begin(), entries.end(),
                                 [entry](const auto& e) { return e.get() == entry; });
    if (it == entries.end())
        return nullptr;
    std::unique_ptr<TClientEntry> removed = std::move(*it);
    entries.erase(it);
    return removed;
}
