#pragma once

#include <chrono>
#include <string>

namespace Clock {

// The current time of day in the system's long time format, as it starts the activity log's
// event lines. Windows-1251 text, like every line of the log.
std::string LongTimeText();

// The current local date and time as days since 1899-12-30 with the time as the fraction, the
// date-time form that client records keep.
double NowDateTime();

// The current time, for what keeps hours (a rotation's dayparts, the screen's hours).
std::chrono::system_clock::time_point Now();

// Whether the system's clock can be trusted with hours: the kernel says it is synchronised
// (network time), or it was set from a real-time clock at boot. A board without one keeps a
// wrong time until its first network time.
bool Synchronised();

// Where the readings above come from: the system's clock unless a test puts a source of its
// own in place (before the threads that read it start, and taken out after they end).
class TSource {
public:
    virtual ~TSource() = default;
    virtual std::string LongTimeText() = 0;
    virtual double NowDateTime() = 0;
    virtual std::chrono::system_clock::time_point Now() { return std::chrono::system_clock::now(); }
    virtual bool Synchronised() { return true; }
};
// Null restores the system's clock.
void SetSource(TSource* source);

} // namespace Clock
