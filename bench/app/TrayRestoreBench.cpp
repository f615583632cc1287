// How long the window takes to come back from a D-Bus tray: the real program on Xvfb, its icon
// registered with a notification area of the bench's own on a private session bus, the host
// calling Activate as a panel does on a click. Beside it, the bare round trip of a call to the
// icon (a D-Bus ping of its connection), the floor any host's call pays.
#include "common/DesktopSession.h"
#include "common/StatusNotifierHost.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>
#include <xcb/xcb.h>

namespace {

using namespace std::chrono_literals;
using DesktopSession::WaitFor;

constexpr int Rounds = 10;

struct TFigure {
    std::vector<double> Ms;
    void Add(qint64 nanoseconds) { Ms.push_back(static_cast<double>(nanoseconds) / 1e6); }
    void Print(const char* what) {
        std::sort(Ms.begin(), Ms.end());
        std::printf("  %-40s median %7.2f ms   min %7.2f   max %7.2f\n", what, Ms[Ms.size() / 2],
                    Ms.front(), Ms.back());
    }
};

// Asks the X server directly, so that the figure is not the cost of a tool.
bool Viewable(xcb_connection_t* x, xcb_window_t window) {
    auto* reply = xcb_get_window_attributes_reply(x, xcb_get_window_attributes(x, window), nullptr);
    const bool viewable = reply != nullptr && reply->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(reply);
    return viewable;
}

int Fail(const char* what) {
    std::fprintf(stderr, "tray_restore_bench: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    if (const std::string why =
            DesktopSession::MissingProgramReason({"Xvfb", "dbus-daemon", "xdotool", "xwininfo"});
        !why.empty())
        return Fail(why.c_str());
    TVirtualDisplay display;
    TSessionBus bus;
    TStatusNotifierWatcher watcher(bus.Address());
    if (!display.Started() || !bus.Started() || !watcher.Start())
        return Fail("the desktop did not start");
    TProgramUnderTest program;
    program.SetOption("MinFormShow", 1);
    QProcess& run = program.Start(&display, &bus);
    if (!WaitFor([&] { return watcher.Registrations() > 0; }, 30s))
        return Fail("the icon never reached the tray");

    xcb_connection_t* x = xcb_connect(display.Name().toLatin1().constData(), nullptr);
    QDBusConnection host = QDBusConnection::connectToBus(bus.Address(), "bench-host");
    xcb_window_t window = 0;
    TFigure restore, answered, ping;
    for (int round = 0; round <= Rounds; ++round) {
        const int registrations = watcher.Registrations();
        QElapsedTimer clock;
        clock.start();
        watcher.Activate(QPoint(1200, 1000));
        const qint64 answer = clock.nsecsElapsed();
        if (window == 0) {
            // The first round finds the window; it is the same one from then on.
            std::vector<TVirtualDisplay::TWindow> windows;
            WaitFor([&] {
                windows = TProgramUnderTest::MainWindows(display);
                return !windows.empty();
            });
            if (windows.empty())
                return Fail("no window came back");
            window = static_cast<xcb_window_t>(windows.front().Id);
        } else {
            while (!Viewable(x, window) && clock.elapsed() < 10000)
                ;
            restore.Add(clock.nsecsElapsed());
            answered.Add(answer);
        }
        clock.restart();
        host.call(QDBusMessage::createMethodCall(watcher.Item(), "/", "org.freedesktop.DBus.Peer",
                                                 "Ping"));
        ping.Add(clock.nsecsElapsed());
        // Back to the tray with the window's own button.
        const auto windows = TProgramUnderTest::MainWindows(display);
        if (windows.empty())
            return Fail("the window is gone");
        display.Click(windows.front().Geometry.topLeft() + QPoint(750 + 11, 5 + 11));
        if (!WaitFor(
                [&] { return watcher.Registrations() > registrations && !Viewable(x, window); }))
            return Fail("the window did not go back to the tray");
    }
    std::printf("Back from the D-Bus tray (%d rounds):\n", Rounds);
    restore.Print("Activate to the window on the screen");
    answered.Print("Activate answered by the program");
    ping.Print("bare round trip to the icon (ping)");
    xcb_disconnect(x);
    run.terminate();
    run.waitForFinished(15000);
    return 0;
}
