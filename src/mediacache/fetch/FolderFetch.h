#pragma once

#include "mediacache/FetchOutcome.h"
#include "mediacache/MediaSource.h"
#include "platform/HangProneWork.h"

#include <QObject>
#include <QTimer>
#include <memory>

// One check of a folder source (a local disk, a network mount, a synced folder) on a thread of
// its own, since a hung mount can hold any look at it for ever: the file's size and time against
// the copy's, and a copy into a staged file when they differ. The source has FirstByte to answer
// the first look and Stall between reads; after that the check is given up on and its thread left
// to finish alone. Done runs once, on the thread that made the check.
class TFolderFetch : public QObject {
    Q_OBJECT
public:
    // Threads given up on that may still hang; no further check starts while this many run.
    static constexpr int MostRunning = 8;
    static int Running();

    TFolderFetch(const TMediaSource& source, const TCachedFile* cached, const TMediaStore& store,
                 const TSupplyLimits& limits, TTransferStart started, TFetchDone done);
    ~TFolderFetch() override;

    struct TJob;

private:
    void FailLater(const std::string& why);
    void Finish();
    void Watch();
    void End(TFetchOutcome outcome);

    const TSupplyLimits limits_;
    TTransferStart started_;
    TFetchDone done_;
    std::shared_ptr<TJob> job_;
    THangProneWork::TTask<TFetchOutcome> check_;
    QTimer watch_;
    bool sawAnswer_ = false;
    int64_t lastProgress_ = 0;
    std::chrono::steady_clock::time_point lastMove_;
};
