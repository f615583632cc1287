#pragma once

#include "mediacache/FetchOutcome.h"
#include "mediacache/MediaSource.h"
#include "mediacache/fetch/MediaSupply.h"

#include <QObject>
#include <QStringList>
#include <QThread>
#include <cstdint>
#include <string>
#include <vector>

// The display's media cache as the window thread sees it: the supply runs on a thread of its own,
// and its answers come back here through the event loop. Nothing here waits for a source.
class TMediaCache : public QObject {
    Q_OBJECT
public:
    TMediaCache(std::string folder, TSupplyLimits limits, TMediaSupply::TReport report);
    // Ends the supply's thread: transfers under way are abandoned, their staged copies removed.
    ~TMediaCache() override;

    const std::string& Folder() const { return folder_; }
    // Asks for a layout's files; Resolved with the returned token follows.
    quint64 Want(const std::vector<TMediaSource>& sources);
    // The bytes the copies took at the supply's last word on it.
    int64_t UsedBytes() const { return usedBytes_; }

signals:
    // The copies (by name) that can be shown now.
    void Resolved(quint64 token, const QStringList& usable);
    // A new copy of the file took its name in the cache folder.
    void Arrived(const QString& name);
    // No copy of the file is kept: it is larger than the cache can hold.
    void Uncached(const QString& name);

private:
    const std::string folder_;
    QThread thread_;
    TMediaSupply* supply_;
    quint64 lastToken_ = 0;
    int64_t usedBytes_ = 0;
};
