#pragma once

#include "platform/Clock.h"

#include <atomic>
#include <mutex>
#include <string>

// A clock that says what the test tells it, in place of the system's for its lifetime: log lines
// start with a known time text and client records take known date-times, whatever the locale
// and the hour.
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

    std::string LongTimeText() override {
        std::lock_guard lock(mutex_);
        return timeText_;
    }
    double NowDateTime() override { return dateTime_; }

private:
    std::mutex mutex_;
    std::string timeText_;
    std::atomic<double> dateTime_;
};
