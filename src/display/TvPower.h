#pragma once

#include <chrono>
#include <functional>
#include <string>

// A TV's power as it reports it over HDMI-CEC.
enum class TTvPower { On, Standby, ToOn, ToStandby };

// The answer to "what is your power status?": the power when the TV answered, else why not.
struct TTvAnswer {
    bool Answered = false;
    TTvPower Power = TTvPower::On;
    std::string Failure; // when not answered: "the TV does not answer", an error of the adapter
};

class TWakeup;

// The exchange with a TV: the commands that turn it off and on, and the question of its power.
// Each call blocks within the link's own short bounds.
class ITvControl {
public:
    virtual ~ITvControl() = default;
    // Makes the link ready to send (an address on the bus), within a bound of its own; waits in
    // poll() on the wake-up too and gives up when stopping says so after a wake. Empty when
    // ready, else what failed.
    virtual std::string Connect(TWakeup& wake, const std::function<bool()>& stopping) = 0;
    // Off: Standby. On: Image View On, then this device as the active source. Empty when sent,
    // else what failed.
    virtual std::string Command(bool on) = 0;
    virtual TTvAnswer AskPower() = 0;
};

// Brings the TV to the wanted state: the command and the question up to three times, a pause
// between, until the TV says it is there. A state in transition counts as there: the TV took the
// command, and the command again would not hurry it. A TV that does not confirm is said once,
// and said again only after it confirmed a state in between. What a confirmation took is said
// too, for the figures.
class TTvPowerTries {
public:
    static constexpr int Tries = 3;

    // Waits the time between two tries; false when the wait was cut short (a newer wanted state,
    // the end), which ends the tries without a word.
    using TPause = std::function<bool()>;
    using TNow = std::function<std::chrono::steady_clock::time_point()>;

    TTvPowerTries(ITvControl& tv, TPause pause, std::function<void(const std::string&)> say,
                  TNow now = std::chrono::steady_clock::now);

    // Runs the tries for the state; true when the TV confirmed it.
    bool Bring(bool on);

private:
    ITvControl& tv_;
    const TPause pause_;
    const std::function<void(const std::string&)> say_;
    const TNow now_;
    bool failureSaid_ = false;
};
