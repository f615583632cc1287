#include "mediacache/fetch/MediaSupply.h"

#include "mediacache/fetch/FolderFetch.h"
#include "mediacache/fetch/WebFetch.h"

#include <QNetworkAccessManager>
#include <algorithm>
#include <ctime>

namespace {

std::string SizeText(int64_t bytes) {
    if (bytes < 0)
        return "an unannounced size";
    if (bytes < 1000000)
        return QString::number(static_cast<double>(bytes) / 1000.0, 'f', 1).toStdString() + " kB";
    return QString::number(static_cast<double>(bytes) / 1e6, 'f', 1).toStdString() + " MB";
}

std::string SecondsSince(std::chrono::steady_clock::time_point since) {
    const auto time = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - since);
    return QString::number(static_cast<double>(time.count()) / 1000.0, 'f', 2).toStdString() + " s";
}

} // namespace

TMediaSupply::TMediaSupply(std::string folder, TSupplyLimits limits, TReport report)
    : limits_(limits), report_(std::move(report)), store_(std::move(folder), limits.CacheBytes),
      checkTimer_(this), hashTimer_(this) {
    connect(&checkTimer_, &QTimer::timeout, this, &TMediaSupply::CheckShown);
    connect(&hashTimer_, &QTimer::timeout, this, &TMediaSupply::CheckOneHash);
}

TMediaSupply::~TMediaSupply() {
    sources_.clear(); // the checks go before the network they use
}

void TMediaSupply::Open() {
    network_ = std::make_unique<QNetworkAccessManager>();
    store_.Open();
    checkTimer_.start(limits_.Check);
    // The shown layout's copies are checked when it asks for them; the rest meanwhile, one a
    // turn, so that a layout never waits long behind them.
    hashTimer_.start(std::chrono::milliseconds(50));
}

void TMediaSupply::CheckOneHash() {
    const std::string name = store_.Unchecked();
    if (name.empty())
        hashTimer_.stop();
    else
        Usable(name);
}

bool TMediaSupply::Usable(const std::string& name) {
    const TCachedFile* file = store_.Find(name);
    if (file == nullptr)
        return false;
    const std::string source = file->Source;
    if (store_.Usable(name))
        return true;
    report_("the cached copy of " + source + " was damaged and has gone; it is fetched again");
    return false;
}

void TMediaSupply::Want(quint64 token, const std::vector<TMediaSource>& sources) {
    std::vector<std::string> names;
    for (const TMediaSource& source : sources) {
        std::string name = source.CopyName();
        if (std::find(names.begin(), names.end(), name) != names.end())
            continue;
        sources_[name].Source = source;
        names.push_back(std::move(name));
    }
    previous_ = std::exchange(current_, names);
    Forget();
    QStringList usable;
    std::vector<std::string> shown;
    for (const std::string& name : names) {
        if (Usable(name)) {
            usable.push_back(QString::fromStdString(name));
            shown.push_back(name);
        }
    }
    emit Resolved(token, usable);
    emit Used(store_.TotalSize());
    // After the answer: the index's write is bookkeeping the layout need not wait for.
    store_.Shown(shown, std::time(nullptr));
    for (const std::string& name : names)
        Check(name);
}

// Sources of layouts no longer shown are let go, their checks with them.
void TMediaSupply::Forget() {
    const std::set<std::string> pinned = Pinned();
    for (auto it = sources_.begin(); it != sources_.end();) {
        if (pinned.count(it->first) == 0)
            it = sources_.erase(it);
        else
            ++it;
    }
}

std::set<std::string> TMediaSupply::Pinned() const {
    std::set<std::string> pinned(current_.begin(), current_.end());
    pinned.insert(previous_.begin(), previous_.end());
    return pinned;
}

void TMediaSupply::CheckShown() {
    for (const std::string& name : current_)
        Check(name);
}

void TMediaSupply::Check(const std::string& name) {
    const auto found = sources_.find(name);
    if (found == sources_.end() || found->second.Check)
        return;
    TSource& source = found->second;
    const auto since =
        std::make_shared<std::chrono::steady_clock::time_point>(std::chrono::steady_clock::now());
    const std::string location = source.Source.Location;
    auto started = [this, since, location](int64_t size) {
        *since = std::chrono::steady_clock::now();
        report_("fetching " + SizeText(size) + " from " + location);
    };
    auto done = [this, name, since](TFetchOutcome outcome) {
        Finish(name, std::move(outcome), *since);
    };
    const TCachedFile* cached = store_.Find(name);
    if (source.Source.Kind == TMediaSource::TKind::Web) {
        source.Check = std::make_unique<TWebFetch>(*network_, source.Source, cached, store_,
                                                   limits_, started, done);
    } else if (TFolderFetch::Running() < TFolderFetch::MostRunning) {
        source.Check =
            std::make_unique<TFolderFetch>(source.Source, cached, store_, limits_, started, done);
    } else {
        Failed(source, "too many looks at folders hang");
    }
}

void TMediaSupply::Finish(const std::string& name, TFetchOutcome outcome,
                          std::chrono::steady_clock::time_point since) {
    const auto found = sources_.find(name);
    if (found == sources_.end())
        return;
    TSource& source = found->second;
    // Done runs inside the check: it goes once the call is over.
    source.Check.release()->deleteLater();
    using TKind = TFetchOutcome::TKind;
    const std::string& location = source.Source.Location;
    if (outcome.Kind == TKind::Failed) {
        Failed(source, outcome.Why);
        return;
    }
    if (outcome.Kind == TKind::Unchanged) {
        store_.Revalidated(outcome.File);
    } else {
        TMediaStore::TCommit commit = TMediaStore::TCommit::DiskFull;
        if (outcome.Kind == TKind::Fetched) {
            const TCachedFile* old = store_.Find(name);
            if (old != nullptr && old->Sha256 == outcome.File.Sha256) {
                // A server that cannot answer 304 sent what the copy already holds.
                report_("fetched " + SizeText(outcome.File.Size) + " in " + SecondsSince(since) +
                        " from " + location + ", the same as the cached copy");
                outcome.File.LastShown = old->LastShown;
                store_.Revalidated(outcome.File);
                commit = TMediaStore::TCommit::Done;
                outcome.Copy.reset();
            } else {
                outcome.File.LastShown = std::time(nullptr);
                // The copy shows as soon as it has its name; the index follows.
                const auto placed = [&] {
                    report_("fetched " + SizeText(outcome.File.Size) + " in " +
                            SecondsSince(since) + " from " + location);
                    emit Arrived(QString::fromStdString(name));
                };
                commit = store_.Commit(std::move(outcome.Copy), outcome.File, Pinned(), placed);
                if (commit == TMediaStore::TCommit::Done) {
                    saidDiskFull_ = false;
                    emit Used(store_.TotalSize());
                }
            }
        }
        if (commit == TMediaStore::TCommit::TooBig) {
            if (!std::exchange(source.SaidTooBig, true)) {
                report_("the cache's limit of " + SizeText(store_.Limit()) + " cannot hold " +
                        location + " (" + SizeText(outcome.File.Size) +
                        ") beside the files of the shown layouts");
                emit Uncached(QString::fromStdString(name));
            }
            return;
        }
        if (commit == TMediaStore::TCommit::DiskFull ||
            commit == TMediaStore::TCommit::WriteFailed) {
            if (!std::exchange(saidDiskFull_, true))
                report_(std::string(commit == TMediaStore::TCommit::DiskFull
                                        ? "the cache's disk is full"
                                        : "the cache cannot be written") +
                        (store_.Find(name) != nullptr ? ": keeping the cached copy of "
                                                      : ": cannot keep ") +
                        location);
            RetryLater(source);
            return;
        }
    }
    source.Failures = 0;
    source.SaidTooBig = false;
    if (std::exchange(source.SaidAway, false))
        report_(location + " can be reached again");
}

void TMediaSupply::Failed(TSource& source, const std::string& why) {
    const std::string& location = source.Source.Location;
    if (!std::exchange(source.SaidAway, true)) {
        if (store_.Find(source.Source.CopyName()) != nullptr)
            report_("showing the cached copy of " + location + ": " + why);
        else
            report_("cannot get " + location + ": " + why + "; nothing is cached of it");
    }
    RetryLater(source);
}

void TMediaSupply::RetryLater(TSource& source) {
    const int doublings = std::min(source.Failures++, 20);
    const auto delay =
        std::min(limits_.RetryFirst * (int64_t{1} << doublings), limits_.RetryLongest);
    const quint64 generation = ++source.RetryGeneration;
    const std::string name = source.Source.CopyName();
    QTimer::singleShot(delay, this, [this, name, generation] {
        const auto found = sources_.find(name);
        if (found != sources_.end() && found->second.RetryGeneration == generation)
            Check(name);
    });
}
