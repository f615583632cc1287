// The kiosk session as the service manager meets it: a process of its own (kiosk_session_probe)
// whose compositor is a stand-in that speaks as the display, with a socket of the test's own in
// the place of the service manager's.
#include "display/KioskSession.h"

#include "common/CheckoutPaths.h"
#include "common/ChildProcess.h"
#include "common/NotifySocket.h"
#include "common/TempDir.h"
#include "platform/FileIo.h"

#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>

namespace {

// Gone, or ended and waiting for a parent to take note.
bool Ended(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line))
        return true;
    const auto state = line.rfind(") ");
    return state != std::string::npos && line.compare(state + 2, 1, "Z") == 0;
}

class KioskSessionTest : public ::testing::Test {
protected:
    // The session over the probe's client in the mode, or over a compositor that is missing.
    std::vector<std::string> Probe(const std::string& mode, const std::string& state = {}) const {
        std::vector<std::string> session =
            CheckoutPaths::ProgramCommand(VELMORA_KIOSK_SESSION_PROBE);
        session.insert(session.end(), {"session", state});
        std::vector<std::string> client =
            mode == "missing" ? std::vector<std::string>{"/nonexistent/cage", "--", "display"}
                              : CheckoutPaths::ProgramCommand(VELMORA_KIOSK_SESSION_PROBE);
        if (mode != "missing")
            client.insert(client.end(), {"client", mode});
        session.insert(session.end(), client.begin(), client.end());
        return session;
    }
    // The client's process, from the line it prints once it has spoken.
    static pid_t ClientPid(TChildProcess& session) {
        const auto line = session.ReadLine();
        return line && line->starts_with("pid ") ? std::stoi(line->substr(4)) : -1;
    }
    std::vector<std::string> Heard() const {
        std::vector<std::string> heard;
        while (const auto message = manager.TakeWaiting())
            heard.push_back(*message);
        return heard;
    }

    TTempDir dir;
    TNotifySocket manager{dir.File("notify")};
    TVariableGuard socketVariable{"NOTIFY_SOCKET", manager.Path().c_str()};
    TVariableGuard interval{"WATCHDOG_USEC", "30000000"};
    // The service manager names the session's process, which the display is not.
    TVariableGuard watchedPid{"WATCHDOG_PID", "1"};
};

TEST_F(KioskSessionTest, PassesOnWhatTheDisplaySaysAndEndsAsTheCompositorEnds) {
    TChildProcess session(Probe("report"));
    EXPECT_GT(ClientPid(session), 0);
    EXPECT_EQ(session.Exit(), 3);
    EXPECT_EQ(Heard(),
              (std::vector<std::string>{"STATUS=watchdog 30000000", "READY=1", "WATCHDOG=1"}))
        << "the display keeps the watchdog's interval; only what it may say is passed on";
}

TEST_F(KioskSessionTest, AStopGoesOnToTheCompositorAndEndsTheSessionCleanly) {
    // SIGABRT is the watchdog's.
    for (const int stop : {SIGTERM, SIGINT, SIGHUP, SIGABRT}) {
        TChildProcess session(Probe("wait"));
        const pid_t client = ClientPid(session);
        ASSERT_GT(client, 0);
        ::kill(session.Pid(), stop);
        EXPECT_EQ(session.Exit(), 0) << stop;
        EXPECT_TRUE(Ended(client));
        EXPECT_EQ(Heard(), std::vector<std::string>{"READY=1"});
    }
}

// The watchdog's abort, or anything else that ends the session at once.
TEST_F(KioskSessionTest, TheCompositorDoesNotOutliveTheSession) {
    TChildProcess session(Probe("wait"));
    const pid_t client = ClientPid(session);
    ASSERT_GT(client, 0);
    ::kill(session.Pid(), SIGKILL);
    EXPECT_EQ(session.Exit(), 128 + SIGKILL);
    EXPECT_TRUE(WaitFor([client] { return Ended(client); }, 10000));
}

// A compositor that crashes leaves its client, here one stopped (a hung display being looked
// at); the session ends it, so that the login session closes and the seat is free.
TEST_F(KioskSessionTest, NothingTheCompositorLeavesOutlivesTheSession) {
    TChildProcess session(Probe("left"));
    const pid_t stopped = ClientPid(session);
    ASSERT_GT(stopped, 0);
    EXPECT_EQ(session.Exit(), 4);
    EXPECT_TRUE(Ended(stopped));
}

// A machine without working GL: cage fails before the display is up, is started again at
// once with wlroots' software renderer, and later sessions of the same boot start with it.
TEST_F(KioskSessionTest, ARendererFailureStartsTheCompositorAgainWithTheSoftwareRenderer) {
    const TTempDir state;
    const std::string errors = dir.File("errors");
    for (int session = 0; session < 2; ++session) {
        TChildProcess run(Probe("gl", state.Path()), errors);
        EXPECT_GT(ClientPid(run), 0);
        EXPECT_EQ(run.Exit(), 3);
        EXPECT_EQ(Heard().front(), "STATUS=renderer pixman") << session;
    }
    const std::string said = FileIo::ReadAll(errors).value_or("");
    const std::string once = "failed to render with the GPU before the display was up (exit "
                             "status 1); it runs with wlroots' software renderer "
                             "(WLR_RENDERER=pixman) until the next boot\n";
    EXPECT_EQ(said.find("[render/egl.c:208] EGL_NOT_INITIALIZED (0x3001)\n"), 0u)
        << "the compositor's errors reach the journal";
    EXPECT_NE(said.find(once), std::string::npos) << said;
    EXPECT_EQ(said.find(once), said.rfind(once)) << "said once a boot";
}

TEST(KioskRendererTest, OnlyARendererFailureCallsForTheSoftwareRenderer) {
    EXPECT_TRUE(KioskSession::RendererFailed(128 + SIGSEGV, "")) << "a GL driver's crash";
    EXPECT_TRUE(KioskSession::RendererFailed(1, "Unable to create the wlroots renderer\n"));
    EXPECT_TRUE(KioskSession::RendererFailed(1, "DRI2: failed to create screen\n"));
    for (const char* other : {"[libseat] Could not activate session: Permission denied\n",
                              "Cannot find Xwayland binary \"/usr/bin/Xwayland\"\n"})
        EXPECT_FALSE(KioskSession::RendererFailed(1, other)) << other;
    EXPECT_FALSE(KioskSession::RendererFailed(128 + SIGTERM, ""));
}

TEST_F(KioskSessionTest, ACompositorThatCannotStartIsNamed) {
    const std::string errors = dir.File("errors");
    TChildProcess session(Probe("missing"), errors);
    EXPECT_EQ(session.Exit(), 1);
    EXPECT_EQ(FileIo::ReadAll(errors),
              "Cannot start /nonexistent/cage: No such file or directory\n");
}

TEST(KioskConsoleTest, BlankingIsSwitchedOffOnATerminalAndNothingIsWrittenElsewhere) {
    const TDescriptor terminal(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    ASSERT_TRUE(terminal.Valid());
    ASSERT_EQ(::grantpt(terminal.Get()), 0);
    ASSERT_EQ(::unlockpt(terminal.Get()), 0);
    const TDescriptor console(::open(::ptsname(terminal.Get()), O_RDWR | O_NOCTTY | O_CLOEXEC));
    ASSERT_TRUE(console.Valid());
    KioskSession::TurnConsoleBlankingOff(console.Get());
    std::string written;
    char buffer[64];
    while (written.size() < 12) {
        pollfd wait{terminal.Get(), POLLIN, 0};
        ASSERT_EQ(::poll(&wait, 1, 10000), 1);
        const ssize_t size = ::read(terminal.Get(), buffer, sizeof buffer);
        ASSERT_GT(size, 0);
        written.append(buffer, static_cast<size_t>(size));
    }
    EXPECT_EQ(written, "\033[9;0]\033[14;0]");

    int pipe[2];
    ASSERT_EQ(::pipe2(pipe, O_CLOEXEC | O_NONBLOCK), 0);
    const TDescriptor readEnd(pipe[0]), writeEnd(pipe[1]);
    KioskSession::TurnConsoleBlankingOff(writeEnd.Get());
    EXPECT_LT(::read(readEnd.Get(), buffer, sizeof buffer), 0);
}

} // namespace
