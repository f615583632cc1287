#pragma once

#include "platform/Clock.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>

// A clock that says what the test tells it, in place of the system's for its lifetime: log lines
// start with a known time text and client records take known date-times, whatever the locale
// and the hour. Its time stands still (a Monday noon, UTC) until the test moves it, and it is
// synchronised unless the test says otherwise.
class TFixedClock : public Clock::TSource {
public:
    explicit TFixedClock(std::string timeText = "{time}", double dateTime = 45000.0)
        : timeText_(std::move(timeText)), dateTime_(dateTime) {
        Clock::SetSource(this);
    }
    TFixedClock(const TFixedClock&) = delete;
    TFixedClock& operator=(const TFixedClock&) = delete;
    ~TFixedClock() override { Clock::SetSource(nullptr); }

    void SetTimeText(std::string text) {
        std::lock_guard lock(mutex_);
        timeText_ = std::move(text);
    }
    void SetDateTime(double dateTime) { dateTime_ = dateTime; }
    void SetNow(std::chrono::system_clock::time_point now) { now_ = now; }
    void SetSynchronised(bool synchronised) { synchronised_ = synchronised; }

    std::string LongTimeText() override {
        std::lock_guard lock(mutex_);
        return timeText_;
    }
    double NowDateTime() override { return dateTime_; }
    std::chrono::system_clock::time_point Now() override { return now_; }
    bool Synchronised() override { return synchronised_; }

private:
    std::mutex mutex_;
    std::string timeText_;
    std::atomic<double> dateTime_;
    std::atomic<std::chrono::system_clock::time_point> now_{
        std::chrono::sys_days(std::chrono::year(2026) / 1 / 5) + std::chrono::hours(12)};
    std::atomic<bool> synchronised_{true};
};
