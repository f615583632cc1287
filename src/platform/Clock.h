#pragma once

#include <string>

namespace Clock {

// The current time of day in the system's long time format, as it starts the activity log's
// event lines. Windows-1251 text, like every line of the log.
std::string LongTimeText();

// The current local date and time as days since 1899-12-30 with the time as the fraction, the
// date-time form that client records keep.
double NowDateTime();

// Where the two readings above come from: the system's clock unless a test puts a source of its
// own in place (before the threads that read it start, and taken out after they end).
class TSource {
public:
    virtual ~TSource() = default;
    virtual std::string LongTimeText() = 0;
    virtual double NowDateTime() = 0;
};
// Null restores the system's clock.
void SetSource(TSource* source);

} // namespace Clock
