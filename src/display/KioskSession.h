#pragma once

#include <string>
#include <vector>

// The kiosk unit's main process: runs the compositor with the display as its one client and
// passes the display's word on to the service manager.
//
// The unit opens a login session, which moves its processes into the session's scope; from
// there the service manager hears the unit's main process alone, never the display, which is
// the compositor's child. So the session gives the compositor a notify socket of its own, where
// the display says that its first screen is up, pings its watchdog and tells its status, and
// passes exactly those on, from the main process. The display gets the watchdog's interval, but
// not the process it was meant for (ours), which would make the display ignore it.
//
// Stop signals (TERM, INT, HUP) go on to the compositor. However the session ends (the
// watchdog's abort included), the compositor gets SIGTERM, and the display goes with it.
class TKioskSession {
public:
    // The compositor's command line; its first word is an absolute path.
    explicit TKioskSession(std::vector<std::string> command);

    // Runs the compositor to its end. Returns its exit status (128 + the signal that ended it),
    // or 0 when it ended on a stop signal passed on. Throws EKioskError when it cannot start.
    int Run();

private:
    std::vector<std::string> command_;
};

namespace KioskSession {

// cage showing the executable with the arguments, and no window decorations.
std::vector<std::string> Command(const std::string& executable,
                                 const std::vector<std::string>& arguments);

// Switches the Linux console's blanking and power-down off when the descriptor is a terminal
// (the kiosk's console is the session's standard input), as `setterm --blank 0 --powerdown 0`
// does. The kernel does not blank a console that shows graphics, but between a compositor and
// the next the console shows text.
void TurnConsoleBlankingOff(int fd);

} // namespace KioskSession
