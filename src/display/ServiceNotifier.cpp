#include "display/ServiceNotifier.h"

#include "platform/AsciiText.h"

#include <cstdint>
#include <cstdlib>
#include <systemd/sd-daemon.h>

TServiceNotifier::TServiceNotifier() : active_(std::getenv("NOTIFY_SOCKET") != nullptr) {
    uint64_t usec = 0;
    if (active_ && ::sd_watchdog_enabled(0, &usec) > 0)
        watchdogInterval_ = std::chrono::microseconds(usec);
}

void TServiceNotifier::Ready() const {
    Send("READY=1");
}

void TServiceNotifier::WatchdogPing() const {
    Send("WATCHDOG=1");
}

void TServiceNotifier::Status(const std::string& line) const {
    std::string shown = line;
    for (char& c : shown) {
        if (AsciiText::IsControl(c))
            c = ' ';
    }
    Send("STATUS=" + shown);
}

void TServiceNotifier::Send(const std::string& assignments) const {
    // A message that cannot be sent is not the display's concern: it goes on showing, and a
    // service manager that misses the pings restarts it.
    if (active_)
        ::sd_notify(0, assignments.c_str());
}
