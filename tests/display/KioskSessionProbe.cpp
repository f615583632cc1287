// The kiosk session over a stand-in for cage and the display, for KioskSessionTest:
//   kiosk_session_probe session STATE COMMAND...   the session with the state folder STATE
//                                                  (empty for none) over the compositor COMMAND
//   kiosk_session_probe client report         says what a display says, ends with status 3
//   kiosk_session_probe client wait           says it is ready, waits to be stopped
//   kiosk_session_probe client left           starts a client that stops itself, then crashes
//                                             (ends with status 4), leaving it behind
//   kiosk_session_probe client gl             fails as cage does without working GL, unless
//                                             given the software renderer; then reports it
// The client prints "pid N" once it has spoken ("left": the stopped process's). The test names
// the client's command, so that a cross build's test runs it under its emulator too.
#include "display/KioskSession.h"
#include "display/KioskUnit.h"
#include "display/ServiceNotifier.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <systemd/sd-daemon.h>
#include <unistd.h>

namespace {

int Session(const std::string& state, std::vector<std::string> command) {
    try {
        return TKioskSession(std::move(command), state).Run();
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
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.size() >= 3 && arguments[0] == "session")
        return Session(arguments[1], {arguments.begin() + 2, arguments.end()});
    if (arguments.size() == 2 && arguments[0] == "client")
        return Client(arguments[1]);
    return 2;
}
