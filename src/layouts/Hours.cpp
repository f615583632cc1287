#include "Hours.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>

namespace Hours {

namespace {

using namespace std::chrono;

constexpr int MinutesPerDay = 24 * 60;
constexpr uint8_t EveryDay = 0x7F;
constexpr std::array<std::string_view, 7> DayNames{"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

// A cursor over the text; every reading either takes what it reads or leaves the cursor alone.
class TReader {
public:
    explicit TReader(std::string_view text) : text_(text) {}

    bool AtEnd() const { return at_ == text_.size(); }

    // Blanks; true when there was at least one.
    bool SkipBlanks() {
        const size_t from = at_;
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t'))
            ++at_;
        return at_ > from;
    }

    // The character with any blanks around it.
    bool Take(char wanted) {
        const size_t from = at_;
        SkipBlanks();
        if (at_ == text_.size() || text_[at_] != wanted) {
            at_ = from;
            return false;
        }
        ++at_;
        SkipBlanks();
        return true;
    }

    // A day name: its index from Monday.
    std::optional<int> Day() {
        if (text_.size() - at_ < 3)
            return std::nullopt;
        for (size_t day = 0; day < DayNames.size(); ++day) {
            const bool same =
                std::ranges::equal(text_.substr(at_, 3), DayNames[day],
                                   [](char a, char b) { return (a | 0x20) == (b | 0x20); });
            if (same) {
                at_ += 3;
                return static_cast<int>(day);
            }
        }
        return std::nullopt;
    }

    // HH:MM as minutes after midnight, 0 to 1440.
    std::optional<int> Time() {
        const size_t from = at_;
        const auto hour = Number(1, 2);
        if (!hour || at_ == text_.size() || text_[at_] != ':') {
            at_ = from;
            return std::nullopt;
        }
        ++at_;
        const auto minute = Number(2, 2);
        if (!minute || *hour > 24 || *minute > 59 || (*hour == 24 && *minute != 0)) {
            at_ = from;
            return std::nullopt;
        }
        return *hour * 60 + *minute;
    }

private:
    std::optional<int> Number(size_t fewest, size_t most) {
        size_t digits = 0;
        int value = 0;
        while (at_ < text_.size() && digits < most && text_[at_] >= '0' && text_[at_] <= '9') {
            value = value * 10 + (text_[at_++] - '0');
            ++digits;
        }
        if (digits < fewest || (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9'))
            return std::nullopt;
        return value;
    }

    std::string_view text_;
    size_t at_ = 0;
};

// The days a range starts on: a day, or a range of days that may wrap past Sunday.
std::optional<uint8_t> ReadDays(TReader& reader) {
    const auto first = reader.Day();
    if (!first)
        return std::nullopt;
    int last = *first;
    if (reader.Take('-')) {
        const auto to = reader.Day();
        if (!to)
            return std::nullopt;
        last = *to;
    }
    uint8_t days = 0;
    for (int day = *first;; day = (day + 1) % 7) {
        days = static_cast<uint8_t>(days | (1 << day));
        if (day == last)
            break;
    }
    // A day name runs straight into a time nowhere: "Mon07:00" is a slip.
    if (!reader.SkipBlanks())
        return std::nullopt;
    return days;
}

std::optional<TRange> ReadRange(TReader& reader) {
    reader.SkipBlanks();
    TRange range;
    range.Days = EveryDay;
    if (const auto time = reader.Time()) {
        range.StartMinute = *time;
    } else {
        const auto days = ReadDays(reader);
        const auto start = days ? reader.Time() : std::nullopt;
        if (!start)
            return std::nullopt;
        range.Days = *days;
        range.StartMinute = *start;
    }
    if (range.StartMinute == MinutesPerDay || !reader.Take('-'))
        return std::nullopt;
    const auto end = reader.Time();
    if (!end || *end == range.StartMinute)
        return std::nullopt;
    // An end at 00:00 is the midnight the day ends with.
    range.EndMinute = *end == 0 ? MinutesPerDay : *end;
    reader.SkipBlanks();
    return range;
}

bool StartsOn(const TRange& range, local_days date) {
    const unsigned fromMonday = weekday(date).iso_encoding() - 1;
    return (range.Days >> fromMonday & 1) != 0;
}

local_seconds WallClock(TInstant at, const TZone& zone) {
    return local_seconds(at.time_since_epoch() + zone(at));
}

// The first instant whose wall clock shows the minute of the date. A minute that the change to
// summer time skips has no such instant: it is the change itself, the first minute that exists
// after it. A minute the change back repeats is the first of the two.
TInstant Resolve(local_days date, int minute, const TZone& zone) {
    const TInstant naive(date.time_since_epoch() + minutes(minute));
    const seconds before = zone(naive - days(1));
    const seconds after = zone(naive + days(1));
    std::optional<TInstant> earliest;
    for (const seconds offset : {before, after}) {
        const TInstant candidate = naive - offset;
        if (zone(candidate) == offset && (!earliest || candidate < *earliest))
            earliest = candidate;
    }
    if (earliest)
        return *earliest;
    TInstant low = std::min(naive - before, naive - after);
    TInstant high = std::max(naive - before, naive - after);
    const seconds lowOffset = zone(low);
    if (zone(high) == lowOffset)
        return naive - before; // a zone that turns twice within the day: keep to the old clock
    while (high - low > seconds(1)) {
        const TInstant middle = low + (high - low) / 2;
        (zone(middle) == lowOffset ? low : high) = middle;
    }
    return high;
}

struct TInterval {
    TInstant Start;
    TInstant End;
};

TInterval IntervalOf(const TRange& range, local_days date, const TZone& zone) {
    const local_days endDate = range.EndMinute <= range.StartMinute ? date + days(1) : date;
    return {Resolve(date, range.StartMinute, zone), Resolve(endDate, range.EndMinute, zone)};
}

} // namespace

TZone LocalZone() {
    return [](TInstant at) {
        const std::time_t seconds = at.time_since_epoch().count();
        std::tm local{};
        if (::localtime_r(&seconds, &local) == nullptr)
            return std::chrono::seconds(0);
        return std::chrono::seconds(local.tm_gmtoff);
    };
}

std::optional<THours> THours::Parse(std::string_view text) {
    THours hours;
    TReader reader(text);
    do {
        const auto range = ReadRange(reader);
        if (!range)
            return std::nullopt;
        hours.ranges_.push_back(*range);
    } while (reader.Take(','));
    if (!reader.AtEnd())
        return std::nullopt;
    return hours;
}

bool THours::Within(TInstant at, const TZone& zone) const {
    const local_days today = floor<days>(WallClock(at, zone));
    // The day before holds the ranges that run past midnight; the day after, what starts at
    // midnight when the change back to winter time repeats the hour before it.
    for (const TRange& range : ranges_) {
        for (local_days date = today - days(1); date <= today + days(1); date += days(1)) {
            if (!StartsOn(range, date))
                continue;
            const TInterval interval = IntervalOf(range, date, zone);
            if (interval.Start <= at && at < interval.End)
                return true;
        }
    }
    return false;
}

std::optional<TInstant> THours::NextChange(TInstant after, const TZone& zone) const {
    const local_days today = floor<days>(WallClock(after, zone));
    std::vector<TInstant> boundaries;
    for (const TRange& range : ranges_) {
        for (local_days date = today - days(1); date <= today + days(8); date += days(1)) {
            if (!StartsOn(range, date))
                continue;
            const TInterval interval = IntervalOf(range, date, zone);
            for (const TInstant boundary : {interval.Start, interval.End}) {
                if (boundary > after)
                    boundaries.push_back(boundary);
            }
        }
    }
    std::ranges::sort(boundaries);
    // Between two boundaries nothing changes; where ranges meet or overlap, a boundary changes
    // nothing either.
    const bool now = Within(after, zone);
    for (const TInstant boundary : boundaries) {
        if (Within(boundary, zone) != now)
            return boundary;
    }
    return std::nullopt;
}

std::string WallText(TInstant at, const TZone& zone) {
    const local_seconds wall = WallClock(at, zone);
    const local_days date = floor<days>(wall);
    const auto minute = duration_cast<minutes>(wall - date).count();
    char time[8];
    std::snprintf(time, sizeof time, "%02d:%02d", static_cast<int>(minute / 60),
                  static_cast<int>(minute % 60));
    return std::string(DayNames[weekday(date).iso_encoding() - 1]) + ' ' + time;
}

} // namespace Hours
