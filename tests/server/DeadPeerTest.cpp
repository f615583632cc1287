#include "TestClient.h"
#include "common/FixedClock.h"
#include "common/PrivateNetwork.h"
#include "common/TempDir.h"
#include "console/ActivityLog.h"
#include "protocol/KickMessage.h"
#include "server/DisplayServer.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

// The server's end of a veth pair, in the test's private network namespace.
constexpr const char* ServerAddress = "10.77.0.1";
constexpr const char* DisplayAddress = "10.77.0.2";

bool Shell(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// One end of a pipe per direction between the test and its display process.
struct TPipe {
    int fds[2] = {-1, -1};
    TPipe() {
        if (::pipe2(fds, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe");
    }
    ~TPipe() {
        for (const int fd : fds)
            if (fd >= 0)
                ::close(fd);
    }
    void Put(char c) const { [[maybe_unused]] auto n = ::write(fds[1], &c, 1); }
    // The next character, or '\0' when none comes within 30 s.
    char Take() const {
        pollfd p{fds[0], POLLIN, 0};
        char c = 0;
        if (::poll(&p, 1, 30000) != 1 || ::read(fds[0], &c, 1) != 1)
            return '\0';
        return c;
    }
};

// A display on a machine of its own: a process in a network namespace of its own, joined to the
// test's namespace by a veth pair. It registers, then its link is taken down and it is killed, as
// a display whose power or cable goes: no FIN, no reset ever reaches the server.
//
// The test process has threads by then, so its forked child keeps to system calls (no
// allocation, no further processes: under a sanitizer either may deadlock after such a fork);
// the test sets up the child's end of the pair from outside, with nsenter.
class DeadPeerTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0 || !EnterPrivateNetwork() ||
            !Shell("ip link add vmA type veth peer name vmB") ||
            !Shell(std::string("ip addr add ") + ServerAddress + "/24 dev vmA") ||
            !Shell("ip link set vmA up"))
            GTEST_SKIP() << "needs root and iproute2 for network namespaces";
        ASSERT_EQ(::inet_pton(AF_INET, ServerAddress, &serverAddress_.sin_addr), 1);
        serverAddress_.sin_family = AF_INET;
        display_ = ::fork();
        ASSERT_GE(display_, 0);
        if (display_ == 0)
            RunDisplay();
        ASSERT_EQ(fromDisplay_.Take(), 'n') << "the display has a network of its own";
        ASSERT_TRUE(Shell("ip link set vmB netns " + std::to_string(display_)));
        ASSERT_TRUE(InDisplay(std::string("ip addr add ") + DisplayAddress + "/24 dev vmB"));
        ASSERT_TRUE(InDisplay("ip link set vmB up"));
    }

    // Runs a command in the display's network namespace.
    bool InDisplay(const std::string& command) const {
        return Shell("nsenter -t " + std::to_string(display_) + " -n " + command);
    }

    void TearDown() override {
        if (display_ > 0) {
            ::kill(display_, SIGKILL);
            ::waitpid(display_, nullptr, 0);
        }
    }

    void StartServer(const Sockets::TDeadPeerTimes& times) {
        server_ = std::make_unique<TDisplayServer>(
            ini_.FileName(), [this](std::string line) { log_.AddLog(std::move(line)); });
        server_->Server.DeadPeerTimes = times;
        server_->StartListening(0);
        const uint16_t port = server_->Server.BoundPort();
        [[maybe_unused]] auto n = ::write(toDisplay_.fds[1], &port, sizeof port);
        ASSERT_EQ(fromDisplay_.Take(), 'r') << "the display registered";
    }

    // The power goes: the link first, so that nothing the dying process sends gets out.
    void PullThePlug() {
        ASSERT_TRUE(InDisplay("ip link set vmB down"));
        ::kill(display_, SIGKILL);
        ::waitpid(display_, nullptr, 0);
        display_ = -1;
    }

    size_t ClientCount() { return server_->Clients()->LockList().Count(); }

    // The seconds until the dead display has left the table, within the bound.
    double SecondsUntilGone(std::chrono::seconds bound) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(
            WaitFor([&] { return ClientCount() == 0; }, static_cast<int>(bound.count() * 1000)));
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }

    [[noreturn]] void RunDisplay() {
        if (!EnterPrivateNetwork())
            ::_exit(1);
        fromDisplay_.Put('n');
        uint16_t port = 0;
        if (::read(toDisplay_.fds[0], &port, sizeof port) != sizeof port)
            ::_exit(1);
        sockaddr_in address = serverAddress_;
        address.sin_port = htons(port);
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        // The link may need a moment before it carries traffic.
        bool connected = false;
        for (int i = 0; i < 200 && !connected; ++i) {
            connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
            if (!connected)
                ::usleep(50000);
        }
        TExchangeBlock reply;
        if (!connected || ::send(fd, &register_, sizeof register_, 0) != sizeof register_ ||
            ::recv(fd, &reply, sizeof reply, MSG_WAITALL) != sizeof reply)
            ::_exit(1);
        fromDisplay_.Put('r');
        for (;;)
            ::pause();
    }

    const TExchangeBlock register_ = ClientBlock("REGISTER", "display", "", "", "Client 9");
    sockaddr_in serverAddress_{};
    TFixedClock clock_;
    TTempDir dir_;
    TIniFile ini_{dir_.File("velmora.ini")};
    TActivityLog log_;
    TPipe toDisplay_, fromDisplay_;
    pid_t display_ = -1;
    std::unique_ptr<TDisplayServer> server_;
};

// VELMORA_REAL_DEAD_PEER_TIMES=1 runs with the server's own times, to measure them (about half a
// minute each); otherwise the same mechanisms run with short times.
bool RealTimes() {
    return std::getenv("VELMORA_REAL_DEAD_PEER_TIMES") != nullptr;
}

TEST_F(DeadPeerTest, AnIdleDisplayThatVanishedLeavesTheTable) {
    Sockets::TDeadPeerTimes times;
    if (!RealTimes())
        times = {1, 1, 2, 3000};
    StartServer(times);
    ASSERT_EQ(ClientCount(), 1u);
    PullThePlug();
    const double seconds = SecondsUntilGone(RealTimes() ? 75s : 20s);
    std::printf("idle dead display left the table after %.1f s\n", seconds);
    EXPECT_TRUE(WaitFor([&] {
        const auto lines = log_.Lines();
        return std::find(lines.begin(), lines.end(), "{time} Disconnect from \"10.77.0.2\"") !=
               lines.end();
    }));
}

TEST_F(DeadPeerTest, ADisplayThatVanishedLeavesTheTableSoonAfterAWrite) {
    Sockets::TDeadPeerTimes times;
    if (!RealTimes())
        times = {60, 5, 4, 2000}; // keep-alive would take a minute: only the write can end it
    StartServer(times);
    PullThePlug();
    {
        auto list = server_->Clients()->LockList();
        const TClientEntry* entry = list.begin()->get();
        const TExchangeBlock block = KickMessage::Make({entry->PeerIP});
        SendTo(*entry, block);
    }
    const double seconds = SecondsUntilGone(RealTimes() ? 50s : 20s);
    std::printf("dead display left the table %.1f s after a write\n", seconds);
}

} // namespace
