// Any text as the hours of a rotation's entry or of the screen: what is read holds sane ranges,
// and its changes move forward and do change whether the hours hold.
#include "layouts/Hours.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto hours =
        Hours::THours::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!hours)
        return 0;
    for (const Hours::TRange& range : hours->Ranges()) {
        if (range.Days == 0 || range.Days > 0x7F || range.StartMinute < 0 ||
            range.StartMinute > 1439 || range.EndMinute < 1 || range.EndMinute > 1440 ||
            range.StartMinute == range.EndMinute)
            std::abort();
    }
    // One hour east of UTC in winter, two in summer, to meet a change of clock.
    const Hours::TZone zone = [](Hours::TInstant at) {
        const Hours::TInstant summer(std::chrono::seconds(1774746000)); // 2026-03-29 01:00 UTC
        return std::chrono::seconds(at < summer ? 3600 : 7200);
    };
    Hours::TInstant at(std::chrono::seconds(1774569600)); // 2026-03-27 00:00 UTC
    for (int change = 0; change < 4; ++change) {
        const auto next = hours->NextChange(at, zone);
        if (!next)
            break;
        if (*next <= at || hours->Within(*next, zone) == hours->Within(at, zone))
            std::abort();
        at = *next;
    }
    return 0;
}
