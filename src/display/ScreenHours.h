#pragma once

#include "layouts/Hours.h"

#include <chrono>
#include <optional>
#include <string>

// When the display's screen is on, by its hours (--screen-hours): whether it is on at an
// instant, until when, and the line that says so. Without hours, or while the system's clock
// cannot be trusted with them, the screen is always on.
class TScreenHours {
public:
    // The longest wait between two looks at the clock, which may be set meanwhile.
    static constexpr std::chrono::seconds LongestWait{60};

    struct TState {
        bool On = true;
        std::optional<Hours::TInstant> Until; // the next change, while hours apply
        bool Applied = false;                 // hours are set and the clock is trusted

        bool operator==(const TState&) const = default;
    };

    TScreenHours(std::optional<Hours::THours> hours, Hours::TZone zone);

    TState At(Hours::TInstant now, bool clockSynchronised) const;
    // How long to wait from the instant before looking again: to the next change, at most
    // LongestWait.
    static std::chrono::milliseconds WaitFrom(std::chrono::system_clock::time_point now,
                                              const TState& state);
    // "screen off until Mon 07:00", "screen on until Fri 22:00"; empty without hours.
    std::string Line(const TState& state) const;
    // When the state next changes, as the wall clock shows it ("Mon 07:00"); empty when never.
    std::string UntilText(const TState& state) const;

    bool HasHours() const { return hours_.has_value(); }

private:
    std::optional<Hours::THours> hours_;
    Hours::TZone zone_;
};
