// Which window system the program asks Qt for.
#include "app/WindowSystem.h"

#include "common/TempDir.h"
#include "platform/Descriptor.h"

#include <cstring>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>

namespace {

using WindowSystem::RunOnX11;
using WindowSystem::TSession;

const auto Reachable = [](std::string_view) { return true; };
const auto Unreachable = [](std::string_view) { return false; };

TEST(WindowSystemTest, AWaylandSessionWithXWaylandRunsOnX11) {
    EXPECT_TRUE(RunOnX11({"wayland", "wayland-0", ":0", ""}, Reachable));
    EXPECT_TRUE(RunOnX11({"", "wayland-0", ":1", ""}, Reachable)) << "WAYLAND_DISPLAY alone";
    EXPECT_TRUE(RunOnX11({"wayland", "", ":0", ""}, Reachable)) << "the default Wayland socket";
}

TEST(WindowSystemTest, EverythingElseIsLeftToQt) {
    EXPECT_FALSE(RunOnX11({"wayland", "wayland-0", "", ""}, Reachable)) << "Wayland alone";
    EXPECT_FALSE(RunOnX11({"wayland", "wayland-0", ":0", ""}, Unreachable))
        << "an X display that does not answer";
    EXPECT_FALSE(RunOnX11({"x11", "", ":0", ""}, Reachable)) << "already X11";
    EXPECT_FALSE(RunOnX11({"tty", "", "", ""}, Reachable));
    EXPECT_FALSE(RunOnX11({"wayland", "wayland-0", ":0", "wayland"}, Reachable))
        << "a platform chosen on purpose";
    EXPECT_FALSE(RunOnX11({"wayland", "wayland-0", ":0", "offscreen"}, Reachable));
}

TEST(WindowSystemTest, ALocalDisplayIsReachableWhenItsSocketAnswers) {
    const TTempDir folder;
    const TDescriptor server(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    ASSERT_TRUE(server.Valid());
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = folder.File("X42");
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(server.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(server.Get(), 4), 0);

    EXPECT_TRUE(WindowSystem::XServerReachable(":42", folder.Path()));
    EXPECT_TRUE(WindowSystem::XServerReachable(":42.0", folder.Path()));
    EXPECT_TRUE(WindowSystem::XServerReachable("unix:42", folder.Path()));
    EXPECT_FALSE(WindowSystem::XServerReachable(":43", folder.Path()));
    EXPECT_FALSE(WindowSystem::XServerReachable("", folder.Path()));
    EXPECT_FALSE(WindowSystem::XServerReachable(":x", folder.Path()));
    EXPECT_TRUE(WindowSystem::XServerReachable("displayhost:0", folder.Path()))
        << "a remote display is taken on trust";
}

} // namespace
