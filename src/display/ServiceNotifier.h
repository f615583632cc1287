#pragma once

#include <chrono>
#include <string>

// The display's side of the service manager's notify protocol (systemd's sd_notify): that its
// first screen is up, that it is alive, and a status line for `systemctl status`. Run any other
// way (no NOTIFY_SOCKET), every call does nothing. The environment is left as it is. Any thread.
class TServiceNotifier {
public:
    // Reads what the service manager put into the environment.
    TServiceNotifier();

    bool Active() const { return active_; }
    void Ready() const;
    void WatchdogPing() const;
    // Control characters (a line break would start another assignment) become spaces.
    void Status(const std::string& line) const;
    // How long the service manager waits for the next ping before it restarts the display
    // (WatchdogSec); zero when it watches nothing.
    std::chrono::microseconds WatchdogInterval() const { return watchdogInterval_; }

private:
    void Send(const std::string& assignments) const;

    bool active_ = false;
    std::chrono::microseconds watchdogInterval_{0};
};
