// The kiosk session over a stand-in for cage and the display, for KioskSessionTest:
//   kiosk_session_probe session MODE [STATE]  the session over "kiosk_session_probe client MODE"
//                                             with the state folder STATE
//   kiosk_session_probe session missing       the session over a compositor that is not there
//   kiosk_session_probe client report         says what a display says, ends with status 3
//   kiosk_session_probe client wait           says it is ready, waits to be stopped
//   kiosk_session_probe client left           starts a client that stops itself, then crashes
//                                             (ends with status 4), leaving it behind
//   kiosk_session_probe client gl             fails as cage does without working GL, unless
//                                             given the software renderer; then reports it
// The client prints "pid N" once it has spoken ("left": the stopped process's).
#include "display/KioskSession.h"
#include "display/KioskUnit.h"
#include "display/ServiceNotifier.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <systemd/sd-daemon.h>
#include <unistd.h>

namespace {

int Session(const std::string& mode, const std::string& state) {
    const std::string self = std::filesystem::read_symlink("/proc/self/exe");
    const std::vector<std::string> command =
        mode == "missing" ? std::vector<std::string>{"/nonexistent/cage", "--", self}
                          : std::vector<std::string>{self, "client", mode};
    try {
        return TKioskSession(command, state).Run();
    } catch (const EKioskError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}

int Client(std::string mode) {
    const TServiceNotifier display;
    if (mode == "gl") {
        const char* renderer = std::getenv("WLR_RENDERER");
        if (renderer == nullptr || std::string(renderer) != "pixman") {
            std::fprintf(stderr, "[render/egl.c:208] EGL_NOT_INITIALIZED (0x3001)\n");
            return 1;
        }
        display.Status("renderer pixman");
        mode = "report";
    } else if (mode == "left") {
        const pid_t shown = ::fork();
        if (shown == 0) {
            ::raise(SIGSTOP);
            for (;;)
                ::pause();
        }
        display.Ready();
        std::printf("pid %d\n", static_cast<int>(shown));
        std::fflush(stdout);
        return 4;
    }
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
    if (argc != 3 && argc != 4)
        return 2;
    const std::string role = argv[1];
    return role == "session" ? Session(argv[2], argc == 4 ? argv[3] : "") : Client(argv[2]);
}
