#pragma once

#include "mediacache/FetchOutcome.h"
#include "mediacache/MediaSource.h"
#include "mediacache/MediaStore.h"

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

class QNetworkAccessManager;

// Keeps the cache's copies of the shown layouts' files fresh. Each layout's files are checked
// against their sources when it comes and every Check after; a changed file is fetched while the
// old copy goes on showing, and takes its name when it is whole. A source that fails is tried
// again with back-off, and its cached copy shows meanwhile. Lives on a thread of its own, with
// its own event loop; nothing here waits on a source (folder looks run on threads of their own).
class TMediaSupply : public QObject {
    Q_OBJECT
public:
    using TReport = std::function<void(const std::string&)>;

    TMediaSupply(std::string folder, TSupplyLimits limits, TReport report);
    ~TMediaSupply() override;

    // On the supply's thread, before anything else: reads the cache, starts the checks of the
    // copies' hashes in the background.
    void Open();
    // The files of a layout about to show: Resolved names the usable copies at once (each one
    // checked against its hash first), then every file is checked against its source.
    void Want(quint64 token, const std::vector<TMediaSource>& sources);

signals:
    void Resolved(quint64 token, const QStringList& usable);
    // A new copy of the file took its name in the cache folder.
    void Arrived(const QString& name);
    // The file is larger than the cache can hold beside the shown layouts' files: no copy of it
    // is kept (a folder source's file can show from the source).
    void Uncached(const QString& name);
    // The bytes the cache's copies take now: after each answer to a layout and each new copy.
    void Used(qint64 bytes);

private:
    struct TSource {
        TMediaSource Source;
        std::unique_ptr<QObject> Check; // the check under way
        int Failures = 0;
        quint64 RetryGeneration = 0;
        bool SaidAway = false;
        bool SaidTooBig = false;
    };

    bool Usable(const std::string& name);
    void Check(const std::string& name);
    void Finish(const std::string& name, TFetchOutcome outcome,
                std::chrono::steady_clock::time_point since);
    void Failed(TSource& source, const std::string& why);
    void RetryLater(TSource& source);
    void CheckShown();
    void CheckOneHash();
    void Forget();
    std::set<std::string> Pinned() const;

    const TSupplyLimits limits_;
    const TReport report_;
    TMediaStore store_;
    std::unique_ptr<QNetworkAccessManager> network_;
    std::map<std::string, TSource> sources_; // by the copy's name
    std::vector<std::string> current_;       // the files of the last layout wanted
    std::vector<std::string> previous_;      // ... and the one before, which may still show
    QTimer checkTimer_;
    QTimer hashTimer_;
    bool saidDiskFull_ = false;
};
