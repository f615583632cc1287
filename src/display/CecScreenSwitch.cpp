#include "display/CecScreenSwitch.h"

TCecScreenSwitch::TCecScreenSwitch(std::unique_ptr<ITvControl> tv, TSay say,
                                   std::chrono::milliseconds between)
    : tv_(std::move(tv)), say_(std::move(say)), between_(between), thread_([this] { Run(); }) {}

TCecScreenSwitch::~TCecScreenSwitch() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    wake_.Signal();
    thread_.join();
}

void TCecScreenSwitch::SetOn(bool on) {
    {
        const std::lock_guard lock(mutex_);
        wanted_ = on;
    }
    changed_.notify_all();
}

bool TCecScreenSwitch::Stopping() {
    const std::lock_guard lock(mutex_);
    return stop_;
}

bool TCecScreenSwitch::Pause(std::chrono::milliseconds time, std::optional<bool> bringing) {
    std::unique_lock lock(mutex_);
    return !changed_.wait_for(
        lock, time, [&] { return stop_ || (bringing.has_value() && wanted_ != bringing); });
}

void TCecScreenSwitch::Run() {
    // An adapter without an address yet (no TV seen) may get one later: tried again, said once.
    bool failureSaid = false;
    for (;;) {
        const std::string failed = tv_->Connect(wake_, [this] { return Stopping(); });
        if (failed.empty())
            break;
        if (Stopping())
            return;
        if (!failureSaid)
            say_("HDMI-CEC: " + failed);
        failureSaid = true;
        if (!Pause(between_, std::nullopt))
            return;
    }
    std::optional<bool> bringing;
    TTvPowerTries tries(
        *tv_, [&] { return Pause(between_, bringing); }, say_);
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return stop_ || (wanted_ && wanted_ != bringing); });
            if (stop_)
                return;
            bringing = wanted_;
        }
        tries.Bring(*bringing);
    }
}
