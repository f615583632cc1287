#include "mediacache/fetch/MediaCache.h"

TMediaCache::TMediaCache(std::string folder, TSupplyLimits limits, TMediaSupply::TReport report)
    : folder_(std::move(folder)), supply_(new TMediaSupply(folder_, limits, std::move(report))) {
    thread_.setObjectName(QStringLiteral("media cache"));
    supply_->moveToThread(&thread_);
    connect(supply_, &TMediaSupply::Resolved, this, &TMediaCache::Resolved);
    connect(supply_, &TMediaSupply::Arrived, this, &TMediaCache::Arrived);
    connect(supply_, &TMediaSupply::Uncached, this, &TMediaCache::Uncached);
    connect(supply_, &TMediaSupply::Used, this, [this](qint64 bytes) { usedBytes_ = bytes; });
    thread_.start();
    QMetaObject::invokeMethod(supply_, &TMediaSupply::Open, Qt::QueuedConnection);
}

TMediaCache::~TMediaCache() {
    // The supply and its network go on their own thread, which never waits on a source.
    QMetaObject::invokeMethod(
        supply_, [supply = supply_] { delete supply; }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

quint64 TMediaCache::Want(const std::vector<TMediaSource>& sources) {
    const quint64 token = ++lastToken_;
    QMetaObject::invokeMethod(
        supply_, [supply = supply_, token, sources] { supply->Want(token, sources); },
        Qt::QueuedConnection);
    return token;
}
