#pragma once

#include "ShotAssembly.h"
#include "protocol/StatusMessage.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

// What a display last said about itself on one connection: its newest "STATUS" and its latest
// complete picture, with the picture it is sending now. Kept in the connection's client entry,
// written by its worker and read by the window, both under the client table's lock.
class TDisplayReport {
public:
    using TTime = TShotAssembly::TTime;

    // Status and picture blocks come often; their line in the log comes once a minute at most.
    static constexpr std::chrono::minutes LogInterval{1};

    // Keeps the status in place of the last one when its summary is one line and its lines are
    // key=value lines; otherwise keeps the last one and says why.
    std::string TakeStatus(const TStatusMessage& status);
    // Takes the next part of a picture (nothing: a part that did not read, which drops the
    // picture being assembled); says why a picture was dropped.
    std::string TakeShotPart(const std::optional<TShotPart>& part, TTime now);
    // The first status or picture block is logged, then one a minute.
    bool LogDue(TTime now);

    const std::optional<TStatusMessage>& Status() const { return status_; }
    // Counts the statuses and pictures kept, so that a reader sees when a new one came.
    uint64_t StatusCount() const { return statusCount_; }
    const std::string& Picture() const { return picture_; }
    uint64_t PictureCount() const { return pictureCount_; }

private:
    std::optional<TStatusMessage> status_;
    uint64_t statusCount_ = 0;
    TShotAssembly assembly_;
    std::string picture_;
    uint64_t pictureCount_ = 0;
    std::optional<TTime> lastLogged_;
};
