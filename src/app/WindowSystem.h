#pragma once

#include <functional>
#include <string>
#include <string_view>

// Which window system the program runs on. The skinned window needs what only X11 gives: its
// place at the top centre of the screen, the stepped outline cut by its region, and the hover test
// from the cursor's position anywhere on the screen. A Wayland session that also offers X11
// (XWayland) therefore runs the program on X11; a session with Wayland alone runs it on Wayland.
// Decided at program start, before the application object exists.
namespace WindowSystem {

// What the decision looks at, as the session's environment gives it.
struct TSession {
    std::string SessionType;    // XDG_SESSION_TYPE
    std::string WaylandDisplay; // WAYLAND_DISPLAY
    std::string Display;        // DISPLAY
    std::string QtPlatform;     // QT_QPA_PLATFORM: a platform chosen on purpose is kept

    static TSession Current();
};

// Whether an X server answers at the display name: a local display ":N" through its socket in
// the socket folder (or the abstract socket of the same name), a remote one is taken on trust.
bool XServerReachable(std::string_view display, const std::string& socketFolder = "/tmp/.X11-unix");

// True when the program must ask Qt for X11 ("xcb") instead of the session's Wayland.
bool RunOnX11(
    const TSession& session, const std::function<bool(std::string_view)>& reachable =
                                 [](std::string_view d) { return XServerReachable(d); });

// Asks Qt for X11 when RunOnX11 says so; call before the application object exists.
void Choose();

} // namespace WindowSystem
