#include "server/ClientTable.h"

#include <gtest/gtest.h>

namespace {

// A row of the client list names its client by serial number: an entry that left, and another
// made in the memory it freed, must never be taken for one another.
TEST(ClientTableTest, SerialNumbersAreNeverGivenTwice) {
    TClientTable table;
    auto list = table.LockList();
    auto first = std::make_unique<TClientEntry>();
    TClientEntry* firstAddress = first.get();
    list.Add(std::move(first));
    const uint64_t firstSerial = firstAddress->Serial;
    EXPECT_NE(firstSerial, 0u);
    EXPECT_EQ(list.Find(firstSerial), firstAddress);
    list.Remove(firstAddress).reset();
    for (int i = 0; i < 100; ++i) {
        list.Add(std::make_unique<TClientEntry>());
        EXPECT_EQ(list.Find(firstSerial), nullptr) << "reused for entry " << i;
    }
    EXPECT_EQ(list.Find(0), nullptr);
    uint64_t last = 0;
    for (const auto& entry : list) {
        EXPECT_GT(entry->Serial, last);
        last = entry->Serial;
        EXPECT_EQ(list.Find(entry->Serial), entry.get());
    }
}

} // namespace
