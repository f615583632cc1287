// The kiosk session over a stand-in for cage and the display, for KioskSessionTest:
//   kiosk_session_probe session report|wait   the session over "kiosk_session_probe client ..."
//   kiosk_session_probe session missing       the session over a compositor that is not there
//   kiosk_session_probe client report         says what a display says, ends with status 3
//   kiosk_session_probe client wait           says it is ready, waits to be stopped
// The client prints "pid N" once it has spoken.
#include "display/KioskSession.h"
#include "display/KioskUnit.h"
#include "display/ServiceNotifier.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <systemd/sd-daemon.h>
#include <unistd.h>

namespace {

int Session(const std::string& mode) {
    const std::string self = std::filesystem::read_symlink("/proc/self/exe");
    const std::vector<std::string> command =
        mode == "missing" ? std::vector<std::string>{"/nonexistent/cage", "--", self}
                          : std::vector<std::string>{self, "client", mode};
    try {
        return TKioskSession(command).Run();
    } catch (const EKioskError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}

int Client(const std::string& mode) {
    const TServiceNotifier display;
    if (mode == "report") {
        display.Status("watchdog " + std::to_string(display.WatchdogInterval().count()));
        // What the display never says, and the session would not pass on if it did.
        ::sd_notify(0, "MAINPID=1\nREADY=1\nEXTEND_TIMEOUT_USEC=1");
        display.WatchdogPing();
    } else {
        display.Ready();
    }
    std::printf("pid %d\n", static_cast<int>(::getpid()));
    std::fflush(stdout);
    if (mode == "report")
        return 3;
    for (;;)
        ::pause();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    const std::string role = argv[1];
    return role == "session" ? Session(argv[2]) : Client(argv[2]);
}
