#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

// Whether the shown video still moves, as the service watchdog is told: a layout without video
// is fine, and so is a video that is not playing (opening, failed and waiting to be tried again,
// at the end of a pass for an instant); a playing video whose frame number stands still for
// FrozenLimit is frozen until it moves again. The time comes from the caller's clock.
class TVideoLiveness {
public:
    using TTime = std::chrono::steady_clock::time_point;

    // Half the service unit's WatchdogSec=30: a video frozen this long stops the watchdog's
    // pings, and the service manager restarts the display within another 30 s, so that a
    // frozen screen is back with its kept layout within a minute.
    static constexpr std::chrono::seconds FrozenLimit{15};

    struct TShownVideo {
        bool Present = false; // the shown layout has a video
        bool Playing = false; // its engine is in the Playing state
        uint64_t FrameNumber = 0;
    };

    // Whether the video counts as alive at the time now (never earlier than the last call's).
    bool Alive(const TShownVideo& video, TTime now);

private:
    // When the frame number was last seen to change while playing; nothing while not playing.
    std::optional<TTime> movedAt_;
    uint64_t frameNumber_ = 0;
};
