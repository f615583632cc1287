#include "display/TvPower.h"

#include <cstdio>

namespace {

// "The TV is …", "it says it is …".
const char* StateText(TTvPower power) {
    switch (power) {
    case TTvPower::On:
        return "on";
    case TTvPower::Standby:
        return "in standby";
    case TTvPower::ToOn:
        return "turning on";
    case TTvPower::ToStandby:
        return "going to standby";
    }
    return "";
}

bool Reached(TTvPower power, bool on) {
    return on ? power == TTvPower::On || power == TTvPower::ToOn
              : power == TTvPower::Standby || power == TTvPower::ToStandby;
}

std::string Seconds(std::chrono::steady_clock::duration taken) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", std::chrono::duration<double>(taken).count());
    return text;
}

} // namespace

TTvPowerTries::TTvPowerTries(ITvControl& tv, TPause pause,
                             std::function<void(const std::string&)> say, TNow now)
    : tv_(tv), pause_(std::move(pause)), say_(std::move(say)), now_(std::move(now)) {}

bool TTvPowerTries::Bring(bool on) {
    const auto start = now_();
    std::string last;
    for (int tried = 1; tried <= Tries; ++tried) {
        if (tried > 1 && !pause_())
            return false;
        if (const std::string failed = tv_.Command(on); !failed.empty()) {
            last = failed;
            continue;
        }
        const TTvAnswer answer = tv_.AskPower();
        if (answer.Answered && Reached(answer.Power, on)) {
            say_(std::string("HDMI-CEC: the TV is ") + StateText(answer.Power) +
                 " (confirmed after " + Seconds(now_() - start) + ", " + std::to_string(tried) +
                 (tried == 1 ? " try)" : " tries)"));
            failureSaid_ = false;
            return true;
        }
        last = answer.Answered ? std::string("it says it is ") + StateText(answer.Power)
                               : answer.Failure;
    }
    if (!failureSaid_)
        say_(std::string("HDMI-CEC: the TV did not confirm ") + (on ? "that it is on" : "standby") +
             " after " + std::to_string(Tries) + " tries (" + last + ")");
    failureSaid_ = true;
    return false;
}
