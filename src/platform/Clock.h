#pragma once

#include <string>

namespace Clock {

// The current time of day in the system's long time format, as it starts the activity log's
// event lines. Windows-1251 text, like every line of the log.
std::string LongTimeText();

// The current local date and time as days since 1899-12-30 with the time as the fraction, the
// date-time form that client records keep.
double NowDateTime();

} // namespace Clock
