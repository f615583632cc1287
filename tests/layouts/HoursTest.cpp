#include "layouts/Hours.h"

#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono;
using Hours::THours;
using Hours::TInstant;
using Hours::TRange;

// The system's zone is the one named, for the test's scope; the one before comes back after.
class TZoneGuard {
public:
    explicit TZoneGuard(const char* zone) {
        if (const char* before = std::getenv("TZ"))
            before_ = before;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    TZoneGuard(const TZoneGuard&) = delete;
    TZoneGuard& operator=(const TZoneGuard&) = delete;
    ~TZoneGuard() {
        if (before_)
            ::setenv("TZ", before_->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::optional<std::string> before_;
};

const Hours::TZone Utc = [](TInstant) { return seconds(0); };

TInstant At(year_month_day date, int hour, int minute = 0, int second = 0) {
    return sys_days(date) + hours(hour) + minutes(minute) + seconds(second);
}

THours Read(std::string_view text) {
    const auto hours = THours::Parse(text);
    EXPECT_TRUE(hours) << text;
    return hours.value_or(THours());
}

TEST(HoursTest, ReadsDaysAndTimesAsOperatorsWriteThem) {
    EXPECT_EQ(Read("Mon-Fri 07:00-11:00, Sat 09:00-18:00").Ranges(),
              (std::vector<TRange>{{0x1F, 420, 660}, {0x20, 540, 1080}}));
    // A range of days wraps past Sunday; a time range past midnight keeps its start day.
    EXPECT_EQ(Read("fri - MON 22:00 - 2:00").Ranges(), (std::vector<TRange>{{0x71, 1320, 120}}));
    EXPECT_EQ(Read("00:00-24:00").Ranges(), (std::vector<TRange>{{0x7F, 0, 1440}}));
    EXPECT_EQ(Read("sUn\t23:00-00:00 ,7:30-8:00").Ranges(),
              (std::vector<TRange>{{0x40, 1380, 1440}, {0x7F, 450, 480}}));
}

TEST(HoursTest, RefusesAnythingElse) {
    for (const std::string_view text :
         std::initializer_list<std::string_view>{"",
                                                 " ",
                                                 "Mon",
                                                 "Mon-Fri",
                                                 "07:00",
                                                 "25:00-26:00",
                                                 "Mon-Fri 07:00-07:00",
                                                 "00:00-00:00",
                                                 "24:00-02:00",
                                                 "07:60-08:00",
                                                 "7:5-08:00",
                                                 "007:00-08:00",
                                                 "Mox 07:00-08:00",
                                                 "Monday 07:00-08:00",
                                                 "Mon07:00-08:00",
                                                 "Mon--Fri 07:00-08:00",
                                                 "07:00-08:00 Mon",
                                                 "Mon 07:00-08:00,",
                                                 ",Mon 07:00-08:00",
                                                 "Mon 07:00-08:00,,Tue 07:00-08:00",
                                                 "Mon 07:00-08:00\n",
                                                 "Mon\x01 07:00-08:00",
                                                 "Mon 07:00\x7F-08:00",
                                                 std::string_view("Mon 07:00-08:00\0", 16)})
        EXPECT_FALSE(THours::Parse(text)) << text;
}

// 2026-01-05 is a Monday.
constexpr year_month_day Monday = 2026y / 1 / 5;
constexpr year_month_day Saturday = 2026y / 1 / 10;
constexpr year_month_day Sunday = 2026y / 1 / 11;
constexpr year_month_day NextMonday = 2026y / 1 / 12;

TEST(HoursTest, RangesPastMidnightBelongToTheirStartDay) {
    const THours hours = Read("Sat-Sun 23:00-01:00, Wed 08:00-09:00");
    EXPECT_TRUE(hours.Within(At(Saturday, 23, 0), Utc));
    EXPECT_TRUE(hours.Within(At(Sunday, 0, 59, 59), Utc));
    EXPECT_FALSE(hours.Within(At(Sunday, 1), Utc));
    EXPECT_TRUE(hours.Within(At(NextMonday, 0, 30), Utc)); // Sunday into Monday
    EXPECT_FALSE(hours.Within(At(NextMonday, 1), Utc));
    EXPECT_FALSE(hours.Within(At(2026y / 1 / 9, 23, 30), Utc)); // Friday starts none

    EXPECT_EQ(hours.NextChange(At(Monday, 12), Utc), At(2026y / 1 / 7, 8));
    EXPECT_EQ(hours.NextChange(At(2026y / 1 / 7, 8), Utc), At(2026y / 1 / 7, 9));
    EXPECT_EQ(hours.NextChange(At(Sunday, 12), Utc), At(Sunday, 23));
    EXPECT_EQ(hours.NextChange(At(Sunday, 23), Utc), At(NextMonday, 1));
    EXPECT_EQ(Hours::WallText(At(NextMonday, 1), Utc), "Mon 01:00");
}

TEST(HoursTest, RangesThatMeetOrOverlapChangeOnlyAtTheirOuterEnds) {
    const THours meeting = Read("Mon 08:00-12:00, Mon 12:00-14:00, Mon 10:00-11:00");
    EXPECT_EQ(meeting.NextChange(At(Monday, 9), Utc), At(Monday, 14));
    // Every hour of the week: nothing ever changes, also over a change to summer time.
    const TZoneGuard berlin("Europe/Berlin");
    for (const char* always :
         {"00:00-24:00", "Mon-Sun 12:00-24:00, 00:00-12:00", "22:00-22:01, 22:01-22:00"}) {
        const auto hours = THours::Parse(always);
        ASSERT_TRUE(hours) << always;
        EXPECT_TRUE(hours->Within(At(2026y / 3 / 29, 1), Hours::LocalZone()));
        EXPECT_FALSE(hours->NextChange(At(2026y / 3 / 25, 1), Hours::LocalZone())) << always;
    }
}

// Europe/Berlin: summer time from 2026-03-29 01:00 UTC (02:00 becomes 03:00), back on
// 2026-10-25 01:00 UTC (03:00 becomes 02:00).
TEST(HoursTest, MeetsBerlinsChangesOfClockOnceAtTheFirstMinuteThatExists) {
    const TZoneGuard zone("Europe/Berlin");
    const Hours::TZone local = Hours::LocalZone();
    const THours skipped = Read("Sun 02:30-04:00");
    EXPECT_FALSE(skipped.Within(At(2026y / 3 / 29, 0, 59, 59), local));
    EXPECT_TRUE(skipped.Within(At(2026y / 3 / 29, 1), local));
    EXPECT_EQ(skipped.NextChange(At(2026y / 3 / 28, 12), local), At(2026y / 3 / 29, 1));
    EXPECT_EQ(Hours::WallText(At(2026y / 3 / 29, 1), local), "Sun 03:00");
    EXPECT_EQ(skipped.NextChange(At(2026y / 3 / 29, 1), local), At(2026y / 3 / 29, 2));

    // 02:30 comes twice: the first one starts the range, the second changes nothing.
    const THours repeated = Read("Sun 02:30-05:00");
    EXPECT_EQ(repeated.NextChange(At(2026y / 10 / 24, 22), local), At(2026y / 10 / 25, 0, 30));
    EXPECT_TRUE(repeated.Within(At(2026y / 10 / 25, 1, 30), local));
    EXPECT_EQ(repeated.NextChange(At(2026y / 10 / 25, 0, 30), local), At(2026y / 10 / 25, 4));
    // Ending at 02:30: the first one ends it, the second does not start it again.
    const THours ending = Read("Sat 23:00-02:30");
    EXPECT_EQ(ending.NextChange(At(2026y / 10 / 24, 22), local), At(2026y / 10 / 25, 0, 30));
    EXPECT_FALSE(ending.Within(At(2026y / 10 / 25, 1, 30), local));
    EXPECT_EQ(ending.NextChange(At(2026y / 10 / 25, 0, 30), local), At(2026y / 10 / 31, 22));
}

// America/New_York: summer time from 2026-03-08 07:00 UTC (02:00 becomes 03:00), back on
// 2026-11-01 06:00 UTC (02:00 becomes 01:00).
TEST(HoursTest, MeetsNewYorksChangesOfClockOnceAtTheFirstMinuteThatExists) {
    const TZoneGuard zone("America/New_York");
    const Hours::TZone local = Hours::LocalZone();
    // Saturday's range ends where Sunday's begins, both at 03:00 after the skipped hour.
    const THours skipped = Read("Sat 22:00-02:30, Sun 02:15-06:00");
    EXPECT_TRUE(skipped.Within(At(2026y / 3 / 8, 6, 59), local));
    EXPECT_TRUE(skipped.Within(At(2026y / 3 / 8, 7), local));
    EXPECT_EQ(skipped.NextChange(At(2026y / 3 / 8, 4), local), At(2026y / 3 / 8, 10));
    const THours starting = Read("Sun 02:30-06:00");
    EXPECT_EQ(starting.NextChange(At(2026y / 3 / 8, 4), local), At(2026y / 3 / 8, 7));

    const THours repeated = Read("Sun 01:30-03:00");
    EXPECT_EQ(repeated.NextChange(At(2026y / 11 / 1, 4), local), At(2026y / 11 / 1, 5, 30));
    EXPECT_TRUE(repeated.Within(At(2026y / 11 / 1, 6, 30), local)); // 01:30 once more
    EXPECT_EQ(repeated.NextChange(At(2026y / 11 / 1, 5, 30), local), At(2026y / 11 / 1, 8));
    EXPECT_EQ(Hours::WallText(At(2026y / 11 / 1, 6, 30), local), "Sun 01:30");
}

} // namespace
