#pragma once

#include "display/DisplayStatus.h"

#include <QObject>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

class TDisplayWindow;
class TMediaCache;

// Gathers what the display window shows each second, on the window thread, and hands a STATUS
// block to the sink when the pace says (TStatusPace). The sink says whether the block went out
// (the link is registered); one that did not is tried again at the next look.
class TStatusReporter : public QObject {
    Q_OBJECT
public:
    using TSink = std::function<bool(const TStatusMessage&)>;

    TStatusReporter(const TDisplayWindow& window, std::string sender, TSink sink);

    // The display's media cache and how much it may keep; without one the status has no media.
    void SetMediaCache(const TMediaCache* cache, uint64_t limitBytes);

    void Start();
    // Registered again: a block goes out at once.
    void Registered();
    // When the screen's state changes by its hours ("Mon 07:00"); empty without hours.
    void SetScreenUntil(std::string wallText);
    // Any thread: a problem said on stderr, the latest kept with its time.
    void Problem(const std::string& line);

    // The facts as of now; whole (with the cache's use) when full.
    TDisplayFacts Facts(bool full) const;

private:
    void Look();

    const TDisplayWindow& window_;
    const std::string sender_;
    const TMediaCache* cache_ = nullptr;
    uint64_t cacheLimit_ = 0;
    const TSink sink_;
    const std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    std::string screenUntil_;
    mutable std::mutex problemMutex_;
    std::string problem_; // under problemMutex_
    TStatusPace pace_;
    QTimer lookTimer_;
};
