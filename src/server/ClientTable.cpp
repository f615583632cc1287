#include "ClientTable.h"

#include <algorithm>

bool TClientTable::TLockedList::Contains(const TClientEntry* entry) const {
    return std::any_of(begin(), end(), [entry](const auto& e) { return e.get() == entry; });
}

void TClientTable::TLockedList::Add(std::unique_ptr<TClientEntry> entry) {
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
