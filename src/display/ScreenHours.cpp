#include "display/ScreenHours.h"

#include <algorithm>

TScreenHours::TScreenHours(std::optional<Hours::THours> hours, Hours::TZone zone)
    : hours_(std::move(hours)), zone_(std::move(zone)) {}

TScreenHours::TState TScreenHours::At(Hours::TInstant now, bool clockSynchronised) const {
    if (!hours_ || !clockSynchronised)
        return {};
    return {hours_->Within(now, zone_), hours_->NextChange(now, zone_), true};
}

std::chrono::milliseconds TScreenHours::WaitFrom(std::chrono::system_clock::time_point now,
                                                 const TState& state) {
    using namespace std::chrono;
    milliseconds wait = LongestWait;
    if (state.Until)
        wait = std::min(wait, ceil<milliseconds>(*state.Until - now));
    return std::max(wait, milliseconds{1});
}

std::string TScreenHours::Line(const TState& state) const {
    if (!state.Applied)
        return {};
    std::string line = state.On ? "screen on" : "screen off";
    if (const std::string until = UntilText(state); !until.empty())
        line += " until " + until;
    return line;
}

std::string TScreenHours::UntilText(const TState& state) const {
    return state.Applied && state.Until ? Hours::WallText(*state.Until, zone_) : std::string();
}
