#pragma once

#include "mediacache/MediaIndex.h"
#include "mediacache/MediaStore.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// How long a source may keep the cache waiting, and how often it is asked.
struct TSupplyLimits {
    std::chrono::milliseconds FirstByte{10000};     // from the request to the source's first answer
    std::chrono::milliseconds Stall{30000};         // without a byte in the middle of a transfer
    std::chrono::milliseconds RetryFirst{5000};     // after a failure, doubling ...
    std::chrono::milliseconds RetryLongest{600000}; // ... up to this
    std::chrono::milliseconds Check{600000};        // the shown layout's files asked again
    int64_t CacheBytes = int64_t{4} << 30;
};

// What one check of a source came to.
struct TFetchOutcome {
    enum class TKind {
        Unchanged, // the copy is current (a 304, or the same size and time in the folder)
        Fetched,   // a new copy, whole, in Copy
        Failed,    // the source cannot be reached or read now: Why says what happened
        DiskFull,  // the cache's disk has no room for the copy
    };
    TKind Kind = TKind::Failed;
    std::unique_ptr<TStagedCopy> Copy;
    TCachedFile File; // what the source said of it: size, validators (Unchanged, Fetched)
    std::string Why;
};

using TFetchDone = std::function<void(TFetchOutcome)>;
// The transfer's start: its size (negative when the source does not say).
using TTransferStart = std::function<void(int64_t size)>;

// What a fetch from the web or a folder says when it gives up, worded alike for both.
namespace FetchFailure {

// "no answer within 10 s"
std::string NoAnswer(std::chrono::milliseconds limit);
// "no byte for 30 s in the middle of the <what>"
std::string Stalled(std::chrono::milliseconds limit, const std::string& what);
// A failed write of the copy: DiskFull when the disk (or the user's quota) is full.
TFetchOutcome Write(int error);

} // namespace FetchFailure
