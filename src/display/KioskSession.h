#pragma once

#include <string>
#include <string_view>
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
// A stop signal (TERM, INT, HUP, and ABRT, the watchdog's) ends the compositor's clients, the
// display among them, and the compositor ends in order once they are gone; it is killed when
// it does not within a few seconds. However the compositor ends, nothing it started outlives the
// session: what is left (a display that hangs or was stopped) is ended, so that the login
// session closes and the next start finds the seat free. If the session itself is killed, the
// compositor gets SIGTERM.
//
// A compositor that ends before the display is up, failing to render with the GPU (a machine
// without working GL), is started again at once with wlroots' software renderer, which the
// session then keeps choosing for as long as its state folder lasts (the unit's runtime folder:
// until the next boot).
class TKioskSession {
public:
    // The compositor's command line; its first word is an absolute path. The state folder keeps
    // the renderer choice between sessions; empty for none.
    TKioskSession(std::vector<std::string> command, std::string stateFolder);

    // Runs the compositor to its end. Returns its exit status (128 + the signal that ended it),
    // or 0 when it ended on a stop signal passed on. Throws EKioskError when it cannot start.
    int Run();

private:
    bool SoftwareRendererChosen() const;
    void ChooseSoftwareRenderer(int exitStatus) const;

    std::vector<std::string> command_;
    std::string stateFolder_;
};

namespace KioskSession {

// cage showing the executable with the arguments, and no window decorations.
std::vector<std::string> Command(const std::string& executable,
                                 const std::vector<std::string>& arguments);

// Whether a compositor that ended before the display was up failed for its renderer: it died
// of a fault (as GL drivers crash) or its error output names EGL, GBM, DRI or the renderer.
bool RendererFailed(int exitStatus, std::string_view errors);

// Switches the Linux console's blanking and power-down off when the descriptor is a terminal
// (the kiosk's console is the session's standard input), as `setterm --blank 0 --powerdown 0`
// does. The kernel does not blank a console that shows graphics, but between a compositor and
// the next the console shows text.
void TurnConsoleBlankingOff(int fd);

} // namespace KioskSession
