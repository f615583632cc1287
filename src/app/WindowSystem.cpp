#include "app/WindowSystem.h"

#include "platform/Descriptor.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// Connects to a Unix socket by path, or in the abstract namespace when `abstract` is set.
bool Answers(const std::string& path, bool abstract) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const size_t offset = abstract ? 1 : 0;
    if (path.size() + offset >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path + offset, path.data(), path.size());
    const TDescriptor socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!socket.Valid())
        return false;
    const auto length =
        static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size());
    return ::connect(socket.Get(), reinterpret_cast<const sockaddr*>(&address), length) == 0;
}

} // namespace

namespace WindowSystem {

TSession TSession::Current() {
    return {Environment("XDG_SESSION_TYPE"), Environment("WAYLAND_DISPLAY"), Environment("DISPLAY"),
            Environment("QT_QPA_PLATFORM")};
}

bool XServerReachable(std::string_view display, const std::string& socketFolder) {
    const size_t colon = display.rfind(':');
    if (colon == std::string_view::npos)
        return false;
    const std::string_view host = display.substr(0, colon);
    if (!host.empty() && host != "unix")
        return true;
    std::string_view number = display.substr(colon + 1);
    number = number.substr(0, number.find('.'));
    if (number.empty() || number.find_first_not_of("0123456789") != std::string_view::npos)
        return false;
    const std::string path = socketFolder + "/X" + std::string(number);
    return Answers(path, false) || Answers(path, true);
}

bool RunOnX11(const TSession& session, const std::function<bool(std::string_view)>& reachable) {
    if (!session.QtPlatform.empty())
        return false;
    const bool wayland = session.SessionType == "wayland" || !session.WaylandDisplay.empty();
    return wayland && !session.Display.empty() && reachable(session.Display);
}

void Choose() {
    if (RunOnX11(TSession::Current()))
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
}

} // namespace WindowSystem
