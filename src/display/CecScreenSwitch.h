#pragma once

#include "display/ScreenSwitch.h"
#include "display/TvPower.h"
#include "platform/Wakeup.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

// Turns the TV off and on over HDMI-CEC from a thread of its own, since every exchange blocks:
// it connects, then brings the TV to each wanted state in turn (TTvPowerTries), the newest
// wanted state winning over one still being tried. Destruction wakes every wait at once and
// joins the thread; at most one exchange under way (its bound about 2 s) is waited for.
class TCecScreenSwitch : public IScreenSwitch {
public:
    using TSay = std::function<void(const std::string&)>;
    // Between two tries, and between two attempts to connect.
    static constexpr std::chrono::milliseconds Between{5000};

    // say is called from the switch's thread.
    TCecScreenSwitch(std::unique_ptr<ITvControl> tv, TSay say,
                     std::chrono::milliseconds between = Between);
    ~TCecScreenSwitch() override;
    TCecScreenSwitch(const TCecScreenSwitch&) = delete;
    TCecScreenSwitch& operator=(const TCecScreenSwitch&) = delete;

    void SetOn(bool on) override;

private:
    void Run();
    bool Stopping();
    // Waits the time unless stopped (and, with a state being brought, unless another is wanted);
    // false when cut short.
    bool Pause(std::chrono::milliseconds time, std::optional<bool> bringing);

    const std::unique_ptr<ITvControl> tv_;
    const TSay say_;
    const std::chrono::milliseconds between_;
    TWakeup wake_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<bool> wanted_; // under mutex_
    bool stop_ = false;          // under mutex_
    std::thread thread_;         // last: starts once the rest is made
};
