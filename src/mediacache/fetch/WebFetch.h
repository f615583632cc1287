#pragma once

#include "mediacache/FetchOutcome.h"
#include "mediacache/MediaSource.h"
#include "mediacache/fetch/StagedWriter.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

// One check of a web source: a conditional GET when a copy is cached (its ETag as If-None-Match,
// its Last-Modified as If-Modified-Since, so that an unchanged file costs a 304 and no
// transfer), the body written into a staged copy as it comes. Redirects are followed within the
// map's address only. The source has FirstByte to answer and Stall between bytes, or the
// transfer is abandoned. Done runs once, on the thread of the manager.
class TWebFetch : public QObject {
    Q_OBJECT
public:
    TWebFetch(QNetworkAccessManager& network, const TMediaSource& source, const TCachedFile* cached,
              const TMediaStore& store, const TSupplyLimits& limits, TTransferStart started,
              TFetchDone done);
    ~TWebFetch() override;

private:
    void Answered();
    void Read();
    bool Written(int error);
    void Finished();
    void Redirected(const QUrl& url);
    void End(TFetchOutcome outcome);
    void Abandon(const std::string& why);

    const TMediaSource source_;
    const TCachedFile known_;
    const TMediaStore& store_;
    const TSupplyLimits limits_;
    TTransferStart started_;
    TFetchDone done_;
    QPointer<QNetworkReply> reply_;
    std::unique_ptr<TStagedWriter> writer_; // while a body comes
    std::optional<int64_t> announced_;
    QTimer firstByte_;
    QTimer stall_;
};
