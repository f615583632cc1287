#pragma once

#include "protocol/StatusMessage.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

// What a display shows and how it fares, as the window side gathers it. Texts are UTF-8.
struct TDisplayFacts {
    // What counts as a change of what the display shows: a block follows soon after one.
    struct TShown {
        int DisplayType = 0; // 0: no layout yet
        std::string Item; // the shown file's own name: the rotation's item, the video, the picture
        int Place = 0;    // the item's place in its rotation, 1 to Items; 0 without a rotation
        int Items = 0;
        bool ScreenOn = true;
        std::string ScreenUntil; // "Mon 07:00" while the screen's hours apply
        std::string Problem;     // "<time> <line>": the last line said on stderr

        bool operator==(const TShown&) const = default;
    };
    struct TMedia {
        int Cached = 0; // copies of the wanted files in the cache
        int Wanted = 0;
        uint64_t UsedBytes = 0;
        uint64_t LimitBytes = 0;
    };

    TShown Shown;
    std::optional<TMedia> Media; // only where the display has a cache
    std::chrono::seconds Uptime{0};
    std::string Version;
    std::optional<double> TemperatureC; // the board's, where it has a sensor
};

namespace DisplayStatus {

// The lines' most bytes, as the block's Data holds them.
constexpr size_t MostLineBytes = 1000;

// "type 2: spring.mp4 (3 of 6)", "screen off until Mon 07:00", "waiting for a layout".
std::string Summary(const TDisplayFacts& facts);
// The key=value lines, each ending in CR LF (UTF-8, uncut).
std::string Lines(const TDisplayFacts& facts);
// The block's message: the texts in the operator's code page (Windows-1251), the lines cut
// whole at MostLineBytes.
TStatusMessage Make(const std::string& sender, const TDisplayFacts& facts);

// "3h 12m", "2d 4h", "45 s".
std::string Uptime(std::chrono::seconds uptime);
// "1.2 GB", "640 MB", "12 KB".
std::string Bytes(uint64_t bytes);
// The whole lines of the text (CR LF each) that fit in most bytes.
std::string WholeLines(const std::string& text, size_t most);

} // namespace DisplayStatus

// When a display sends its status: at once when it has registered, a change of what it shows at
// the earliest Gather after the last block (so the changes within it go as one), and at least
// every Longest. Time is handed in.
class TStatusPace {
public:
    using TClock = std::chrono::steady_clock;
    static constexpr std::chrono::seconds Gather{10};
    static constexpr std::chrono::seconds Longest{60};

    // Registered again: the next look sends.
    void Restart() { sent_.reset(); }
    // Whether a block of what is shown now is due at that time.
    bool Due(TClock::time_point now, const TDisplayFacts::TShown& shown) const;
    void Sent(TClock::time_point now, const TDisplayFacts::TShown& shown);

private:
    struct TSent {
        TClock::time_point At;
        TDisplayFacts::TShown Shown;
    };
    std::optional<TSent> sent_;
};
