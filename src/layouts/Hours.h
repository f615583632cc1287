#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Hours of the week in local wall-clock time, as an operator writes them: "Mon-Fri 07:00-11:00,
// Sat 09:00-18:00". They say when a rotation's entry is shown (its "#VELMORA-HOURS:" line) and
// when the display's screen is on (--screen-hours).
//
// Grammar: ranges joined by commas; each is days and a time range. Days are English day names
// (Mon Tue Wed Thu Fri Sat Sun, any letter case), one day or a range of days ("Fri-Mon" wraps
// past Sunday); without days a range holds every day. Times are HH:MM, 00:00 to 24:00 (the
// latter as an end only). A range whose end is before its start runs past midnight and belongs
// to the day it starts on: "Fri 22:00-02:00" is Friday 22:00 to Saturday 02:00. A range whose
// start and end are the same is unreadable.
//
// Local time: a boundary in the hour a change to summer time skips falls at the first minute
// that exists after it; a boundary in the hour the change back repeats is met once, the first
// time.
namespace Hours {

using TInstant = std::chrono::sys_seconds;

// A place's wall clock: its offset from UTC at an instant.
using TZone = std::function<std::chrono::seconds(TInstant)>;

// The system's time zone (TZ, else /etc/localtime), through the C library's zone files.
TZone LocalZone();

// One range of the hours: the days it starts on and its time.
struct TRange {
    uint8_t Days = 0;    // bit 0 Monday … bit 6 Sunday
    int StartMinute = 0; // minutes after midnight, 0 to 1439
    int EndMinute = 0;   // 1 to 1440; at or before StartMinute: on the next day

    bool operator==(const TRange&) const = default;
};

class THours {
public:
    // The hours the text says; unset when it cannot be read.
    static std::optional<THours> Parse(std::string_view text);

    const std::vector<TRange>& Ranges() const { return ranges_; }

    // Whether the instant lies within the hours, in the zone's wall-clock time.
    bool Within(TInstant at, const TZone& zone) const;
    // The first instant after the given one at which Within changes; unset when it never does
    // (hours that hold the whole week).
    std::optional<TInstant> NextChange(TInstant after, const TZone& zone) const;

    bool operator==(const THours&) const = default;

private:
    std::vector<TRange> ranges_;
};

// The instant as the zone's wall clock shows it, for a status line: "Mon 07:00".
std::string WallText(TInstant at, const TZone& zone);

} // namespace Hours
